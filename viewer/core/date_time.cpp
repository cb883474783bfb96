#include "date_time.h"
