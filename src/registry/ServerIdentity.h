// This server's identity (number, mask, ID) read lazily from the ServerOption table. The two
// options carried by the server object (class 0) are declared with CNameObject.
#pragma once

#include <cstdint>

#include "platform/Export.h"

NAMEOBJECT_API std::uint32_t GetCurrentServerNO();    // 0 until a ServerOption row could be read
NAMEOBJECT_API std::uint32_t GetCurrentServerMask();  // 0 until read
NAMEOBJECT_API std::uint32_t
GetCurrentServerID();  // the server number at the first call, then fixed
