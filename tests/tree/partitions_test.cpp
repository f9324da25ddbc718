#include "tree/partitions.h"

#include <gtest/gtest.h>
