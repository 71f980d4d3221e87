// Loading class libraries at run time (dlopen / dlsym / dlclose), with the path helpers the
// class loader needs.
#pragma once

#include "platform/CString.h"
#include "platform/Export.h"

using HMODULE = void*;

// Loads a shared library (RTLD_NOW | RTLD_LOCAL); null on failure (the reason goes to the
// debugger output). The flags argument is accepted for compatibility.
NAMEOBJECT_API HMODULE LoadLibraryExW(const CString& path, void* file = nullptr,
                                      unsigned flags = 0);
NAMEOBJECT_API void* GetProcAddress(HMODULE module, const char* name);
NAMEOBJECT_API int FreeLibrary(HMODULE module);

NAMEOBJECT_API bool PathFileExistsW(const CString& path);  // true when the path exists
// The absolute, normalised path ("." and ".." resolved lexically, symlinks not followed);
// empty on failure.
NAMEOBJECT_API CString GetFullPathNameW(const CString& path);
// The full file name of the module that contains this library.
NAMEOBJECT_API CString GetLibraryModuleFileName();
