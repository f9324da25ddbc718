#include "driver/svg.h"
