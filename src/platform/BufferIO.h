// Typed front ends over the byte buffers, with the primitive encodings every format uses:
//   fixed-width values  their raw bytes (1, 2, 4 or 8), little-endian;
//   wide string         4-byte count of UTF-16 code units including the terminating zero,
//                       then the code units and the zero;
//   nested byte block   4-byte byte count, then the bytes;
// plus the helpers that every section reader and writer shares: ReadGuard (restores the read
// position unless committed), SectionWriter (a 4-byte length word, back-patched with the
// section's length, the word itself included), SectionReader (opens such a section, skips it
// or checks that it was consumed exactly) and ReadCount (an entry count checked against the
// bytes remaining).
#pragma once

#include <cstdint>
#include <cstring>
#include <limits>
#include <type_traits>

#include "platform/Buffer.h"
#include "platform/CString.h"
#include "platform/Export.h"
#include "platform/OleDateTime.h"

class NAMEOBJECT_API CBufferWriter : public CBufferWriter_base {
public:
    using CBufferWriter_base::CBufferWriter_base;
    CBufferWriter() : CBufferWriter_base(128) {}

    template <class T>
    requires std::is_arithmetic_v<T>
    int Write(T v) { return WriteOwnBytes(&v, static_cast<int>(sizeof(T))); }
    int Write(const COleDateTime& d) { return Write(d.m_dt); }
    // A wide string of L code units: count L+1, the units, a zero unit.
    int WriteString(const CString& s);
    // A nested block: byte count, then the bytes.
    int WriteBlock(const CBufferWriter_base& block);
    int WriteBlock(const void* p, int n) { return WriteByteAndSize(p, n, n); }
};

class NAMEOBJECT_API CBufferReader : public CBufferReader_base {
public:
    using CBufferReader_base::CBufferReader_base;
    CBufferReader() = default;

    // A fixed-width value: 1 and the value, or 0 with the position unchanged.
    template <class T>
    requires std::is_arithmetic_v<T>
    int Read(T& v) {
        if (!CurrentPtr_Test_Next(static_cast<int>(sizeof(T)), 1)) return 0;
        std::memcpy(&v, CurrentPtr(), sizeof(T));
        CurrentPtr_GoNext(1, static_cast<int>(sizeof(T)));
        return 1;
    }
    int Read(COleDateTime& d);  // the 8-byte double; the date becomes valid
    // A wide string. A negative count fails; a count of 0 succeeds and leaves s as it was;
    // otherwise s takes the units up to the first zero and the reader advances count*2.
    // Position unchanged on failure.
    int ReadString(CString& s);
    // A nested block into out (replacing its content; nothing copied for a count <= 0).
    // A negative count or a count beyond the end fails with the position unchanged.
    int ReadBlock(CBufferWriter_base& out);
    // A raw block of known size.
    int ReadRaw(void* p, int n);
    // Skips n bytes when that many remain.
    int Skip(int n);
};

// Restores a reader's position when it goes out of scope, unless Commit() was called.
class ReadGuard {
public:
    explicit ReadGuard(CBufferReader_base& r) : m_reader(r), m_start(r.GetPosition()) {}
    ~ReadGuard() {
        if (!m_committed) m_reader.SetPosition(m_start);
    }
    ReadGuard(const ReadGuard&) = delete;
    ReadGuard& operator=(const ReadGuard&) = delete;

    int Start() const { return m_start; }
    int Consumed() const { return m_reader.GetPosition() - m_start; }
    // Keeps the position and returns 1: "return guard.Commit();" ends a successful read.
    int Commit() {
        m_committed = true;
        return 1;
    }
    // Commits only when exactly `length` bytes were consumed; returns 1 or 0.
    int CommitIfConsumed(std::int64_t length) { return Consumed() == length ? Commit() : 0; }

private:
    CBufferReader_base& m_reader;
    int m_start;
    bool m_committed = false;
};

// Writes a 4-byte zero at construction and back-patches it in Finish() with the number of
// bytes written since the section started (the length word included).
class NAMEOBJECT_API SectionWriter {
public:
    explicit SectionWriter(CBufferWriter_base& w);
    int Finish();  // 1 on success
    int Start() const { return m_start; }

private:
    CBufferWriter_base& m_writer;
    int m_start;
    int m_ok;
};

// Reads an entry count and checks that `count` entries of at least minEntry (> 0) bytes each
// can still follow, so that a hostile count fails before any loop or allocation runs on it.
// 1, or 0 for a failed read, a negative count or one that cannot fit.
inline int ReadCount(CBufferReader& reader, std::uint32_t& count, int minEntry) {
    if (!reader.Read(count)) return 0;
    // count * minEntry <= remaining, without a division (these run for every counted field).
    const auto entry = static_cast<std::uint64_t>(minEntry > 0 ? minEntry : 1);
    return count * entry <= static_cast<std::uint64_t>(reader.Remaining()) ? 1 : 0;
}
inline int ReadCount(CBufferReader& reader, std::int32_t& count, int minEntry) {
    std::uint32_t read = 0;
    const int ok = ReadCount(reader, read, minEntry);
    count = static_cast<std::int32_t>(read);
    return ok && count >= 0 ? 1 : 0;
}

// Reads a section framed by SectionWriter: [4-byte length, counting itself][version]...
// The position is restored when the reader goes out of scope, unless the section was
// skipped or finished successfully.
class NAMEOBJECT_API SectionReader {
public:
    static constexpr std::int32_t kAnyVersion = std::numeric_limits<std::int32_t>::max();

    explicit SectionReader(CBufferReader& reader) : m_reader(reader), m_guard(reader) {}

    // The length word: 1, or 0 when it cannot be read or is below 4.
    int ReadLength() { return m_reader.Read(m_length) && m_length >= 4 ? 1 : 0; }
    // The version word: 1, or 0 when it cannot be read or is above maxVersion (Version()
    // then tells the version that was refused).
    int ReadVersion(std::int32_t maxVersion = kAnyVersion) {
        return m_reader.Read(m_version) && m_version <= maxVersion ? 1 : 0;
    }
    // ReadLength, then ReadVersion.
    int Open(std::int32_t maxVersion = kAnyVersion) {
        return ReadLength() && ReadVersion(maxVersion);
    }
    // After ReadLength: skips the rest of a section that is not applied. 1, or 0 when fewer
    // bytes remain than the length word claims.
    int Skip();
    // 1 when exactly Length() bytes were consumed since the section began (the position is
    // then kept), else 0.
    int Finish() { return m_guard.CommitIfConsumed(m_length); }

    std::int32_t Length() const { return m_length; }
    std::int32_t Version() const { return m_version; }
    CBufferReader& Reader() { return m_reader; }

private:
    CBufferReader& m_reader;
    ReadGuard m_guard;
    std::int32_t m_length = 0;
    std::int32_t m_version = 0;
};