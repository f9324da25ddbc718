#include "tree/njtree.h"

#include <gtest/gtest.h>
