// The typed buffer front ends: wide strings, nested blocks, raw blocks and sections.
#include "platform/BufferIO.h"

#include <climits>

#include "platform/NoThrow.h"

// ---- writer ----------------------------------------------------------------

int CBufferWriter::WriteString(const CString& s) {
    const int length = s.GetLength();
    if (length > (INT_MAX - 2) / 2) return 0;
    // GetString() is zero-terminated, so the terminator is written straight from it.
    return WriteByteAndSize(s.GetString(), length + 1, 2 * length + 2);
}

int CBufferWriter::WriteBlock(const CBufferWriter_base& block) {
    return WriteByteAndSize(block.GetData(), block.GetLength(), block.GetLength());
}

// ---- reader ----------------------------------------------------------------

int CBufferReader::Read(COleDateTime& d) {
    double value = 0.0;
    if (!Read(value)) return 0;
    d.m_dt = value;
    d.SetStatus(COleDateTime::valid);
    return 1;
}

int CBufferReader::ReadString(CString& s) {
    ReadGuard guard(*this);
    std::int32_t count = 0;
    if (!Read(count) || count < 0) return 0;
    if (count == 0) return guard.Commit();
    if (!CurrentPtr_Test_Next(count, 2)) return 0;
    // The units are unaligned in the buffer: the zero is found bytewise, and the units go
    // straight into s, reusing its storage.
    const std::uint8_t* units = CurrentPtr();
    const auto available = static_cast<std::size_t>(count);
    std::size_t length = 0;
    while (length < available && (units[2 * length] | units[2 * length + 1]) != 0) ++length;
    return GuardAllocation(0, [&] {
        std::u16string& text = s.str();
        text.resize(length);
        if (length > 0) std::memcpy(text.data(), units, length * 2);
        CurrentPtr_GoNext(count, 2);
        return guard.Commit();
    });
}

int CBufferReader::ReadBlock(CBufferWriter_base& out) {
    ReadGuard guard(*this);
    std::int32_t count = 0;
    if (!Read(count) || count < 0 || !CurrentPtr_Test_Next(count, 1)) return 0;
    return GuardAllocation(0, [&] {
        out.bytes().assign(CurrentPtr(), CurrentPtr() + count);
        CurrentPtr_GoNext(count, 1);
        return guard.Commit();
    });
}

int CBufferReader::ReadRaw(void* p, int n) {
    if (n < 0 || (p == nullptr && n > 0)) return 0;
    if (!CBufferReader_base_TestMemory(n) || !CurrentPtr_Test_Next(n, 1)) return 0;
    if (n > 0) std::memcpy(p, CurrentPtr(), static_cast<std::size_t>(n));
    CurrentPtr_GoNext(n, 1);
    return 1;
}

int CBufferReader::Skip(int n) {
    if (!CurrentPtr_Test_Next(n, 1)) return 0;
    CurrentPtr_GoNext(n, 1);
    return 1;
}

// ---- sections --------------------------------------------------------------

SectionWriter::SectionWriter(CBufferWriter_base& w) : m_writer(w), m_start(w.GetLength()) {
    const std::int32_t placeholder = 0;
    m_ok = w.WriteByte(&placeholder, 4);
}

int SectionWriter::Finish() {
    if (!m_ok) return 0;
    const std::int32_t length = m_writer.GetLength() - m_start;
    return m_writer.ChangeBuffer(m_start, &length, 4) ? 1 : 0;
}

int SectionReader::Skip() {
    return m_reader.Skip(m_length - m_guard.Consumed()) ? m_guard.Commit() : 0;
}
