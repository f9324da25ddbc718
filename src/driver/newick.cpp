#include "driver/newick.h"
