#include "distance/fast_comparer.h"
