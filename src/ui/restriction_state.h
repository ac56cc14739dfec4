#pragma once

// The restriction table's header names a member `slots`, which Qt defines as a keyword macro.
// Widgets include it through this header, which hides the macro while the header is read.
#pragma push_macro("slots")
#undef slots
#include "restrictions/restriction_table.h"
#pragma pop_macro("slots")
