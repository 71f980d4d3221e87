// Debugger output and message boxes, routed to installable sinks.
#include "platform/DebugOutput.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <utility>

#include "platform/LockedSink.h"

namespace {

using Sink = std::function<void(const CString&)>;

// A sink slot: copied out under its lock and called outside it, so a sink may itself write
// debugger output or replace the sink.
using SinkSlot = LockedSink<Sink>;

// The slots are never destroyed: output may still be written while the process exits.
SinkSlot& DebugSlot() {
    static SinkSlot* slot = new SinkSlot;
    return *slot;
}

SinkSlot& MessageBoxSlot() {
    static SinkSlot* slot = new SinkSlot;
    return *slot;
}

bool DebugToStderr() {
    static const bool enabled = [] {
        const char* v = std::getenv("NAMEOBJECT_DEBUG");
        return v != nullptr && std::strcmp(v, "1") == 0;
    }();
    return enabled;
}

// Writes the text as one UTF-8 line to standard error.
void WriteLineToStderr(const char* prefix, const CString& text) {
    std::string line = prefix + text.ToUtf8();
    if (line.empty() || line.back() != '\n') line += '\n';
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
}

}  // namespace

void OutputDebugStringW(const CString& text) {
    if (const Sink sink = DebugSlot().Get()) sink(text);
    if (DebugToStderr()) WriteLineToStderr("", text);
}

void SetDebugOutputSink(std::function<void(const CString&)> sink) {
    DebugSlot().Set(std::move(sink));
}

void MessageBoxW(const CString& text) {
    if (const Sink sink = MessageBoxSlot().Get()) {
        sink(text);
        return;
    }
    WriteLineToStderr("[message] ", text);
}

void SetMessageBoxSink(std::function<void(const CString&)> sink) {
    MessageBoxSlot().Set(std::move(sink));
}
