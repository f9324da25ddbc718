#include "distance/comparison.h"
