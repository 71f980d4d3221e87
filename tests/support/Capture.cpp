#include "support/Capture.h"

#include <algorithm>

LineCapture::LineCapture(Install install) : m_install(install) {
    m_install([store = m_store](const CString& line) {
        std::lock_guard<std::mutex> lock(store->mutex);
        store->lines.push_back(line);
    });
}

std::vector<CString> LineCapture::Lines() const {
    std::lock_guard<std::mutex> lock(m_store->mutex);
    return m_store->lines;
}

int LineCapture::Count(const CString& fragment) const {
    std::lock_guard<std::mutex> lock(m_store->mutex);
    return static_cast<int>(std::count_if(m_store->lines.begin(), m_store->lines.end(),
                                          [&](const CString& l) { return l.Find(fragment) >= 0; }));
}

void LineCapture::Clear() {
    std::lock_guard<std::mutex> lock(m_store->mutex);
    m_store->lines.clear();
}
