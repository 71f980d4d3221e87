// The growable byte writer and the bounds-checked byte reader.
#include "platform/Buffer.h"

#include <algorithm>
#include <bit>
#include <climits>
#include <cstring>
#include <new>

#include "platform/NoThrow.h"

static_assert(std::endian::native == std::endian::little,
              "the serialised forms are little-endian and written as raw host bytes");

namespace {

// Appends n bytes from p to v. p may point into v itself: the bytes are located by offset
// after the vector has grown. False when the result would not fit an int or memory runs out.
bool Append(std::vector<std::uint8_t>& v, const void* p, int n) {
    if (n == 0) return true;
    const std::size_t old = v.size();
    if (static_cast<std::int64_t>(old) + n > INT_MAX) return false;
    const auto* src = static_cast<const std::uint8_t*>(p);
    const std::uint8_t* begin = v.data();
    const bool inside = begin != nullptr && src >= begin && src < begin + old;
    const std::size_t offset = inside ? static_cast<std::size_t>(src - begin) : 0;
    if (!inside) {
        return GuardAllocation(false, [&] {
            v.insert(v.end(), src, src + n);  // no zero-fill before the copy
            return true;
        });
    }
    if (!GuardAllocation(false, [&] {
            v.resize(old + static_cast<std::size_t>(n));
            return true;
        })) {
        return false;
    }
    std::memmove(v.data() + old, inside ? v.data() + offset : src, static_cast<std::size_t>(n));
    return true;
}

}  // namespace

// ---- writer ----------------------------------------------------------------

CBufferWriter_base::CBufferWriter_base(int capacity) {
    // The reservation is only a hint; the writer grows on demand.
    GuardAllocation(false, [&] {
        m_data.reserve(static_cast<std::size_t>(std::max(capacity, 0)));
        return true;
    });
}

CBufferWriter_base::CBufferWriter_base(const CBufferWriter_base& other, int capacity)
    : CBufferWriter_base(std::max(capacity, other.GetLength())) {
    m_data = other.m_data;
}

void CBufferWriter_base::Reserve(int n) {
    if (n <= 0 || m_data.capacity() - m_data.size() >= static_cast<std::size_t>(n)) return;
    // Only a hint: the writes grow the buffer as they need.
    GuardAllocation(false, [&] {
        m_data.reserve(
            std::max(m_data.size() + static_cast<std::size_t>(n), 2 * m_data.capacity()));
        return true;
    });
}

int CBufferWriter_base::WriteByteGrowing(const void* p, int n) {
    if (n < 0 || (p == nullptr && n > 0)) return 0;
    return Append(m_data, p, n) ? 1 : 0;
}

int CBufferWriter_base::WriteByteAndSize(const void* p, int count, int n) {
    if (n < 0 || (p == nullptr && n > 0)) return 0;
    // Bytes from elsewhere with room reserved for both parts: two inline appends.
    const auto* from = static_cast<const std::uint8_t*>(p);
    const std::size_t size = m_data.size();
    if (n > 0 && 4 + static_cast<std::size_t>(n) <= m_data.capacity() - size &&
        size + 4 + static_cast<std::size_t>(n) <= INT_MAX &&
        (from >= m_data.data() + size || from + n <= m_data.data())) {
        WriteByte(&count, 4);
        return WriteByte(p, n);
    }
    if (static_cast<std::int64_t>(m_data.size()) + 4 + n > INT_MAX) return 0;
    // Stage the bytes first when they come from this writer: writing the count may move them.
    const auto* src = static_cast<const std::uint8_t*>(p);
    std::vector<std::uint8_t> staged;
    if (n > 0 && !m_data.empty() && src >= m_data.data() && src < m_data.data() + m_data.size()) {
        if (!GuardAllocation(false, [&] {
                staged.assign(src, src + n);
                return true;
            })) {
            return 0;
        }
        src = staged.data();
    }
    const std::size_t old = m_data.size();
    if (!Append(m_data, &count, 4) || !Append(m_data, src, n)) {
        m_data.resize(old);
        return 0;
    }
    return 1;
}

int CBufferWriter_base::ChangeBuffer(int offset, const void* p, int n) {
    if (offset < 0 || n < 0 || (p == nullptr && n > 0)) return 0;
    if (static_cast<std::int64_t>(offset) + n > static_cast<std::int64_t>(m_data.size())) return 0;
    if (n > 0) std::memmove(m_data.data() + offset, p, static_cast<std::size_t>(n));
    return 1;
}

// ---- reader ----------------------------------------------------------------

CBufferReader_base::CBufferReader_base(const void* p, int n, int /*reserved1*/, int /*reserved2*/)
    : m_begin(static_cast<const std::uint8_t*>(p)), m_size(p != nullptr ? std::max(n, 0) : 0) {}

CBufferReader_base::CBufferReader_base(const CBufferWriter_base& writer)
    : m_own(writer.bytes()), m_begin(m_own.data()), m_size(static_cast<int>(m_own.size())) {}

CBufferReader_base::CBufferReader_base(CBufferWriter_base&& writer)
    : m_own(std::move(writer.bytes())),
      m_begin(m_own.data()),
      m_size(static_cast<int>(m_own.size())) {
    writer.bytes().clear();
}

// A reader owns its bytes exactly when m_own holds them; a copy of an owning reader must
// point into its own copy, a copy of a view shares the viewed bytes.
CBufferReader_base::CBufferReader_base(const CBufferReader_base& other)
    : m_own(other.m_own),
      m_begin(other.m_own.empty() ? other.m_begin : m_own.data()),
      m_size(other.m_size),
      m_pos(other.m_pos) {}

CBufferReader_base& CBufferReader_base::operator=(const CBufferReader_base& other) {
    if (this != &other) {
        CBufferReader_base copy(other);
        swap(copy);
    }
    return *this;
}

// Swapping vectors keeps their element addresses, so each m_begin moves along with the
// bytes it points into.
void CBufferReader_base::swap(CBufferReader_base& other) noexcept {
    m_own.swap(other.m_own);
    std::swap(m_begin, other.m_begin);
    std::swap(m_size, other.m_size);
    std::swap(m_pos, other.m_pos);
}

void CBufferReader_base::SetPosition(int pos) { m_pos = std::clamp(pos, 0, m_size); }

int CBufferReader_base::CBufferReader_base_TestMemory(int n) const {
    return n >= 0 && n <= Remaining() ? 1 : 0;
}
