#include "distance/formulas.h"

#include <gtest/gtest.h>
