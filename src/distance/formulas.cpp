#include "distance/formulas.h"
