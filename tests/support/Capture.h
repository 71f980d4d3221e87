// RAII captures of the debugger output and of message boxes for tests. Each installs a sink
// that collects the lines and restores the default sink when it goes out of scope.
#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/CString.h"
#include "platform/DebugOutput.h"

class LineCapture {
public:
    using Install = void (*)(std::function<void(const CString&)>);
    explicit LineCapture(Install install);
    ~LineCapture() { m_install({}); }
    LineCapture(const LineCapture&) = delete;
    LineCapture& operator=(const LineCapture&) = delete;

    std::vector<CString> Lines() const;
    // Whether any line contains `fragment`, and how many lines do.
    bool Contains(const CString& fragment) const { return Count(fragment) > 0; }
    int Count(const CString& fragment) const;
    void Clear();

private:
    // The lines live apart from the capture, so that a sink still running on another thread
    // when the capture ends writes into storage that is still there.
    struct Store {
        std::mutex mutex;
        std::vector<CString> lines;
    };
    Install m_install;
    std::shared_ptr<Store> m_store = std::make_shared<Store>();
};

struct DebugCapture : LineCapture {
    DebugCapture() : LineCapture(&SetDebugOutputSink) {}
};

struct MessageBoxCapture : LineCapture {
    MessageBoxCapture() : LineCapture(&SetMessageBoxSink) {}
};
