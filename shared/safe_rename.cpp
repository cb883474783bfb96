#include "safe_rename.h"
