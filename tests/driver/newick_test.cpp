#include "driver/newick.h"

#include <gtest/gtest.h>
