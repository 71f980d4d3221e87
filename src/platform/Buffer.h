// The byte buffers that every serialised form is built with: a growable writer and a
// bounds-checked reader. All values are little-endian, unaligned, untagged.
#pragma once

#include <algorithm>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/Export.h"

class NAMEOBJECT_API CBufferWriter_base {
public:
    explicit CBufferWriter_base(int capacity = 128);
    CBufferWriter_base(const CBufferWriter_base& other, int capacity);
    CBufferWriter_base(const CBufferWriter_base& other) = default;
    CBufferWriter_base(CBufferWriter_base&& other) noexcept = default;
    CBufferWriter_base& operator=(const CBufferWriter_base& other) = default;
    CBufferWriter_base& operator=(CBufferWriter_base&& other) noexcept = default;
    virtual ~CBufferWriter_base() = default;

    // Appends n bytes from p. Non-zero on success; 0 for a negative n or a null p with n > 0.
    // Bytes from elsewhere that fit the reserved room are appended inline, without zero-fill.
    int WriteByte(const void* p, int n) {
        const auto* src = static_cast<const std::uint8_t*>(p);
        const std::size_t size = m_data.size();
        if (n > 0 && src != nullptr &&
            static_cast<std::size_t>(n) <=
                std::min<std::size_t>(m_data.capacity() - size, INT_MAX - size) &&
            (src >= m_data.data() + size || src + n <= m_data.data())) {
            m_data.insert(m_data.end(), src, src + n);
            return 1;
        }
        return WriteByteGrowing(p, n);
    }
    // WriteByte for bytes that cannot lie in this writer (a value of the caller's): 1 or 0.
    int WriteOwnBytes(const void* p, int n) {
        const auto* src = static_cast<const std::uint8_t*>(p);
        const std::size_t size = m_data.size();
        if (n > 0 && static_cast<std::size_t>(n) <= m_data.capacity() - size &&
            size <= static_cast<std::size_t>(INT_MAX - n)) {
            m_data.insert(m_data.end(), src, src + n);
            return 1;
        }
        return WriteByteGrowing(p, n);
    }
    // Makes room for n more bytes at once, at least doubling the room when it grows (a hint:
    // nothing happens when memory runs out).
    void Reserve(int n);
    // Appends count as a 4-byte integer, then n bytes from p.
    int WriteByteAndSize(const void* p, int count, int n);
    // Overwrites n already written bytes at offset; 0 when they are not all inside.
    int ChangeBuffer(int offset, const void* p, int n);

    int GetLength() const { return static_cast<int>(m_data.size()); }
    const std::uint8_t* GetData() const { return m_data.data(); }
    void Empty() { m_data.clear(); }
    void ClearAllData() {
        m_data.clear();
        m_data.shrink_to_fit();
    }

    void swap(CBufferWriter_base& other) noexcept { m_data.swap(other.m_data); }
    std::vector<std::uint8_t>& bytes() { return m_data; }
    const std::vector<std::uint8_t>& bytes() const { return m_data; }

    friend bool operator==(const CBufferWriter_base& a, const CBufferWriter_base& b) {
        return a.m_data == b.m_data;
    }

private:
    int WriteByteGrowing(const void* p, int n);

    std::vector<std::uint8_t> m_data;
};

class NAMEOBJECT_API CBufferReader_base {
public:
    CBufferReader_base() = default;
    // A reader over n bytes at p, which must outlive the reader. The two further integers
    // are accepted for compatibility and ignored. A negative n reads as 0.
    CBufferReader_base(const void* p, int n, int reserved1 = 0, int reserved2 = 0);
    // A reader over its own copy of a writer's content.
    explicit CBufferReader_base(const CBufferWriter_base& writer);
    // A reader that takes over a writer's content without copying.
    explicit CBufferReader_base(CBufferWriter_base&& writer);
    CBufferReader_base(const CBufferReader_base& other);
    CBufferReader_base& operator=(const CBufferReader_base& other);
    virtual ~CBufferReader_base() = default;

    void swap(CBufferReader_base& other) noexcept;

    const std::uint8_t* CurrentPtr() const { return m_begin + m_pos; }
    const std::uint8_t* GetData() const { return m_begin; }
    int GetLength() const { return m_size; }
    int GetPosition() const { return m_pos; }
    void SetPosition(int pos);  // clamped to 0 .. length
    int Remaining() const { return m_size - m_pos; }

    // Non-zero exactly when a*b more bytes are available (a negative factor is refused).
    int CurrentPtr_Test_Next(int a, int b) const {
        if (a < 0 || b < 0) return 0;
        return static_cast<std::int64_t>(a) * b <= Remaining() ? 1 : 0;
    }
    // Advances by a*b bytes, never past the end nor before the start.
    void CurrentPtr_GoNext(int a, int b) {
        const std::int64_t pos = m_pos + static_cast<std::int64_t>(a) * b;
        m_pos = static_cast<int>(std::clamp<std::int64_t>(pos, 0, m_size));
    }
    // Called before a raw copy of n bytes: non-zero when n bytes remain.
    int CBufferReader_base_TestMemory(int n) const;

private:
    std::vector<std::uint8_t> m_own;  // used when the reader owns its bytes
    const std::uint8_t* m_begin = nullptr;
    int m_size = 0;
    int m_pos = 0;
};
