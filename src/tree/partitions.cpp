#include "tree/partitions.h"
namespace gadrin { int verbosity = 0; }
