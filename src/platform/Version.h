// The library's version.
#pragma once

// "MAJOR.MINOR.PATCH" of this build of the library.
const char* NameObjectVersion();
