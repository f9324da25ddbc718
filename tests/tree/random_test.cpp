#include "tree/random.h"

#include <gtest/gtest.h>
