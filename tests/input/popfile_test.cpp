#include "input/popfile.h"

#include <gtest/gtest.h>
