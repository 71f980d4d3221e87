// A member that costs one pointer until it is first written, for containers most objects
// never fill (extension data, images).
#pragma once

#include <memory>
#include <utility>

// Get() reads the value (a shared empty T while none was created), Edit() creates it on first
// use, Present() is null while there is none. Copies are deep; a moved-from member is empty.
template <class T>
class LazyMember {
public:
    LazyMember() = default;
    LazyMember(const LazyMember& other) : m_value(Clone(other)) {}
    LazyMember(LazyMember&&) noexcept = default;
    LazyMember& operator=(const LazyMember& other) {
        if (this != &other) m_value = Clone(other);
        return *this;
    }
    LazyMember& operator=(LazyMember&&) noexcept = default;

    const T& Get() const { return m_value ? *m_value : Empty(); }
    T& Edit() {
        if (!m_value) m_value = std::make_unique<T>();
        return *m_value;
    }
    T* Present() { return m_value.get(); }
    // Takes value; an empty value creates nothing.
    void Set(T&& value) {
        if (m_value) {
            *m_value = std::move(value);
        } else if (!value.empty()) {
            m_value = std::make_unique<T>(std::move(value));
        }
    }
    void Reset() { m_value.reset(); }

private:
    static const T& Empty() {
        static const T empty;
        return empty;
    }
    static std::unique_ptr<T> Clone(const LazyMember& other) {
        return other.m_value ? std::make_unique<T>(*other.m_value) : nullptr;
    }

    std::unique_ptr<T> m_value;
};
