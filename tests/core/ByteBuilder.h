// Builds expected byte sequences by hand, independently of the library's writers: every
// value is laid down little-endian byte by byte.
#pragma once

#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <stdexcept>
#include <string>
#include <vector>

class Bytes {
public:
    Bytes& u8(std::uint8_t v) {
        m_bytes.push_back(v);
        return *this;
    }
    Bytes& u16(std::uint16_t v) { return u8(v & 0xFF).u8(v >> 8); }
    Bytes& u32(std::uint32_t v) { return u16(v & 0xFFFF).u16(v >> 16); }
    Bytes& u16s(std::initializer_list<std::uint16_t> vs) {
        for (std::uint16_t v : vs) u16(v);
        return *this;
    }
    Bytes& u32s(std::initializer_list<std::uint32_t> vs) {
        for (std::uint32_t v : vs) u32(v);
        return *this;
    }
    Bytes& i32(std::int32_t v) { return u32(static_cast<std::uint32_t>(v)); }
    Bytes& u64(std::uint64_t v) { return u32(static_cast<std::uint32_t>(v)).u32(v >> 32); }
    Bytes& f64(double v) {
        std::uint64_t bits;
        std::memcpy(&bits, &v, 8);
        return u64(bits);
    }
    Bytes& f32(float v) {
        std::uint32_t bits;
        std::memcpy(&bits, &v, 4);
        return u32(bits);
    }
    // A wide string: count of units including the terminator, the units, a zero unit.
    Bytes& wstr(const std::u16string& s) {
        u32(static_cast<std::uint32_t>(s.size() + 1));
        for (char16_t c : s) u16(c);
        return u16(0);
    }
    Bytes& append(const Bytes& other) {
        m_bytes.insert(m_bytes.end(), other.m_bytes.begin(), other.m_bytes.end());
        return *this;
    }
    Bytes& patch32(std::size_t offset, std::uint32_t v) {
        if (offset + 4 > m_bytes.size()) throw std::out_of_range("patch32 past the end");
        for (int i = 0; i < 4; ++i) m_bytes[offset + i] = static_cast<std::uint8_t>(v >> (8 * i));
        return *this;
    }
    Bytes& truncate(std::size_t size) {
        m_bytes.resize(size);
        return *this;
    }

    const std::uint8_t* data() const { return m_bytes.data(); }
    int size() const { return static_cast<int>(m_bytes.size()); }
    const std::vector<std::uint8_t>& vec() const { return m_bytes; }

private:
    std::vector<std::uint8_t> m_bytes;
};

inline std::vector<std::uint8_t> BytesOf(const std::uint8_t* p, int n) {
    return std::vector<std::uint8_t>(p, p + n);
}
