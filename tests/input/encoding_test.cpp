#include "input/encoding.h"

#include <gtest/gtest.h>
