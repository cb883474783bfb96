#include "text_file.h"
