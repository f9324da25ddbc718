#include "tree/random.h"
