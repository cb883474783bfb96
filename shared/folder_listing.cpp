#include "folder_listing.h"
