#include "driver/progress.h"
