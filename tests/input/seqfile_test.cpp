#include "input/seqfile.h"

#include <gtest/gtest.h>
