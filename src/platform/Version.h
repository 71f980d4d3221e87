// The library's version.
#pragma once

#include "platform/Export.h"

// "MAJOR.MINOR.PATCH" of this build of the library.
NAMEOBJECT_API const char* NameObjectVersion();
