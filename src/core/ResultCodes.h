// The library's result codes (kept under this path for hosts that include it).
#pragma once

#include "platform/ResultCodes.h"
