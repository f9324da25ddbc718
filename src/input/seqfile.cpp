#include "input/seqfile.h"
