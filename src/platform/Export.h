// NAMEOBJECT_API marks what hosts and class libraries may use: the exported functions and the
// classes with their members. The library is built with hidden visibility, so everything else
// (internal helpers, file-local tables) stays out of its dynamic symbol table.
#pragma once

#define NAMEOBJECT_API __attribute__((visibility("default")))
