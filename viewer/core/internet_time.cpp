#include "internet_time.h"
