#include "driver/table.h"
