#include "distance/fast_comparer.h"

#include <gtest/gtest.h>
