// The debugger output and the message box. There is no debugger window or desktop here:
// a host or a test installs a sink; by default debugger lines are dropped (or written to
// standard error with NAMEOBJECT_DEBUG=1) and message boxes go to standard error.
#pragma once

#include <functional>

#include "platform/CString.h"
#include "platform/Export.h"

// Hands a line to the debugger-output sink (by default standard error); never fails.
NAMEOBJECT_API void OutputDebugStringW(const CString& text);
NAMEOBJECT_API void SetDebugOutputSink(std::function<void(const CString&)> sink);  // empty: default

// Shows a message through the message-box sink (by default standard error); never fails.
NAMEOBJECT_API void MessageBoxW(const CString& text);
NAMEOBJECT_API void SetMessageBoxSink(std::function<void(const CString&)> sink);  // empty: default
