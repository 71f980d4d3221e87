// A callback that hosts and tests install at any time while other threads call it: set and
// fetched under a lock, called outside it (on a copy).
#pragma once

#include <mutex>
#include <utility>

template <class Fn>
class LockedSink {
public:
    void Set(Fn fn) {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_fn = std::move(fn);
    }
    Fn Get() const {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_fn;
    }

private:
    mutable std::mutex m_mutex;
    Fn m_fn;
};
