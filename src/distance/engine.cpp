#include "distance/engine.h"
