#include "desk.h"
