// Loading class libraries at run time (dlopen / dlsym / dlclose), with the path helpers the
// class loader needs.
#pragma once

#include "platform/CString.h"

using HMODULE = void*;

// Loads a shared library (RTLD_NOW | RTLD_LOCAL); null on failure (the reason goes to the
// debugger output). The flags argument is accepted for compatibility.
HMODULE LoadLibraryExW(const CString& path, void* file = nullptr, unsigned flags = 0);
void* GetProcAddress(HMODULE module, const char* name);
int FreeLibrary(HMODULE module);

bool PathFileExistsW(const CString& path);
// The absolute, normalised path ("." and ".." resolved lexically, symlinks not followed);
// empty on failure.
CString GetFullPathNameW(const CString& path);
// The full file name of the module that contains this library.
CString GetLibraryModuleFileName();
