#include "driver/svg.h"

#include <gtest/gtest.h>
