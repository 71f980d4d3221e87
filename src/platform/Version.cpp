#include "platform/Version.h"

const char* NameObjectVersion() { return "0.1.0"; }
