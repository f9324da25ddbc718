#include "driver/progress.h"

#include <gtest/gtest.h>
