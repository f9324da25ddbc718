#include "driver/table.h"

#include <gtest/gtest.h>
