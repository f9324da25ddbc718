#include "input/fasta.h"
