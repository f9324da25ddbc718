#include "distance/comparison.h"

#include <gtest/gtest.h>
