#include "distance/engine.h"

#include <gtest/gtest.h>
