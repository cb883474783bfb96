#include "message_reader.h"
