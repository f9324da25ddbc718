#include "input/encoding.h"
