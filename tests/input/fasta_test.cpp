#include "input/fasta.h"

#include <gtest/gtest.h>
