#include "tree/njtree.h"
