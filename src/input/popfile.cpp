#include "input/popfile.h"
