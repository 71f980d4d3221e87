#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "platform/BufferIO.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Of(const CBufferWriter_base& w) { return Bytes(w.GetData(), w.GetData() + w.GetLength()); }

CBufferReader ReaderOf(const Bytes& bytes) {
    return CBufferReader(bytes.data(), static_cast<int>(bytes.size()));
}

TEST(Buffer, ValuesAndStringsAreLittleEndianBytes) {
    CBufferWriter w;
    EXPECT_TRUE(w.Write(std::uint8_t{0x12}) && w.Write(std::uint16_t{0x3456}) &&
                w.Write(std::int32_t{-2}) && w.Write(1.0f) &&
                w.Write(std::int64_t{0x0102030405060708}) && w.Write(COleDateTime(2.5)) &&
                w.WriteString(u"A\u4E2D") && w.WriteString(CString()));
    const Bytes expected = {0x12, 0x56, 0x34, 0xFE, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x80, 0x3F,
                            0x08, 0x07, 0x06, 0x05, 0x04, 0x03, 0x02, 0x01, 0x00, 0x00, 0x00,
                            0x00, 0x00, 0x00, 0x04, 0x40, 0x03, 0,    0,    0,    0x41, 0,
                            0x2D, 0x4E, 0,    0,    0x01, 0,    0,    0,    0,    0};
    EXPECT_EQ(Of(w), expected);

    CBufferReader r = ReaderOf(expected);
    r.SetPosition(3);
    std::int32_t i = 0;
    COleDateTime d;
    d.SetStatus(COleDateTime::invalid);
    CString s = u"old";
    EXPECT_TRUE(r.Read(i) && r.Skip(12) && r.Read(d) && r.ReadString(s));
    EXPECT_EQ(i, -2);
    EXPECT_EQ(d.m_dt, 2.5);
    EXPECT_TRUE(d.IsValid());
    EXPECT_EQ(s, u"A\u4E2D");
}

TEST(Buffer, StringAndBlockReadersCheckTheirCounts) {
    // Count 0: success, the string is left as it was.
    const Bytes zero = {0, 0, 0, 0};
    CBufferReader z = ReaderOf(zero);
    CString s = u"keep";
    EXPECT_TRUE(z.ReadString(s));
    EXPECT_EQ(s, u"keep");
    // An embedded zero ends the text, but the whole count is consumed.
    const Bytes embedded = {4, 0, 0, 0, 'A', 0, 0, 0, 'B', 0, 0, 0};
    CBufferReader e = ReaderOf(embedded);
    EXPECT_TRUE(e.ReadString(s));
    EXPECT_EQ(s, u"A");
    EXPECT_EQ(e.Remaining(), 0);
    // Negative, truncated and huge counts fail without moving or changing the output.
    for (const Bytes& bytes :
         {Bytes{0xFF, 0xFF, 0xFF, 0xFF, 'A', 0}, Bytes{5, 0, 0, 0, 'A', 0, 'B', 0},
          Bytes{0xFF, 0xFF, 0xFF, 0x7F, 'A', 0}}) {
        CBufferReader r = ReaderOf(bytes);
        s = u"keep";
        EXPECT_FALSE(r.ReadString(s));
        EXPECT_EQ(s, u"keep");
        CBufferWriter out;
        out.Write(std::uint8_t{7});
        EXPECT_FALSE(r.ReadBlock(out));
        EXPECT_EQ(Of(out), Bytes{7});
        EXPECT_EQ(r.GetPosition(), 0);
    }
}

TEST(Buffer, NestedBlocksAndSections) {
    CBufferWriter inner;
    inner.Write(std::uint16_t{0xBBAA});
    CBufferWriter w;
    EXPECT_TRUE(w.WriteBlock(inner));
    EXPECT_TRUE(w.WriteBlock(CBufferWriter()));
    EXPECT_EQ(Of(w), (Bytes{2, 0, 0, 0, 0xAA, 0xBB, 0, 0, 0, 0}));
    // A writer may be nested into itself: the block is its content before the call.
    EXPECT_TRUE(w.WriteBlock(w));
    EXPECT_EQ(Bytes(w.GetData() + 14, w.GetData() + 24), Bytes(w.GetData(), w.GetData() + 10));
    CBufferReader r(w);
    CBufferWriter out;
    out.Write(std::uint8_t{9});
    EXPECT_TRUE(r.ReadBlock(out));
    EXPECT_EQ(Of(out), (Bytes{0xAA, 0xBB}));

    // Sections count their own length word; an inner section is patched independently.
    CBufferWriter sec;
    sec.Write(std::uint8_t{0xEE});
    SectionWriter outer(sec);
    sec.Write(std::uint8_t{0x11});
    SectionWriter nested(sec);
    sec.Write(std::uint16_t{0x3322});
    EXPECT_TRUE(nested.Finish());
    EXPECT_TRUE(outer.Finish());
    EXPECT_EQ(Of(sec), (Bytes{0xEE, 11, 0, 0, 0, 0x11, 6, 0, 0, 0, 0x22, 0x33}));
}

TEST(Buffer, WriterArgumentChecksAndBackPatch) {
    CBufferWriter w;
    const std::uint8_t data[] = {1, 2, 3, 4};
    EXPECT_EQ(w.WriteByte(data, -1), 0);
    EXPECT_EQ(w.WriteByte(nullptr, 2), 0);
    EXPECT_EQ(w.WriteByteAndSize(data, 4, -1), 0);
    EXPECT_EQ(w.GetLength(), 0);
    EXPECT_NE(w.WriteByteAndSize(data, 77, 4), 0);
    const std::uint32_t patch = 0xA1B2C3D4;
    EXPECT_NE(w.ChangeBuffer(4, &patch, 4), 0);
    EXPECT_EQ(Of(w), (Bytes{77, 0, 0, 0, 0xD4, 0xC3, 0xB2, 0xA1}));
    EXPECT_EQ(w.ChangeBuffer(5, &patch, 4), 0);  // one byte past the end
    // Appending a writer's own bytes while it grows.
    CBufferWriter self(0);
    self.Write(std::uint32_t{0x04030201});
    EXPECT_NE(self.WriteByte(self.GetData(), 4), 0);
    EXPECT_EQ(Of(self), (Bytes{1, 2, 3, 4, 1, 2, 3, 4}));
}

TEST(Buffer, ReaderBoundsAndArithmetic) {
    const Bytes bytes = {1, 2, 3};
    CBufferReader r = ReaderOf(bytes);
    std::int32_t i = 0;
    EXPECT_FALSE(r.Read(i));
    EXPECT_TRUE(r.CurrentPtr_Test_Next(3, 1));
    EXPECT_FALSE(r.CurrentPtr_Test_Next(2, 2));
    EXPECT_FALSE(r.CurrentPtr_Test_Next(-1, -1));
    EXPECT_FALSE(r.CurrentPtr_Test_Next(0x10000, 0x10000));  // 2^32 wraps to 0 in 32 bits
    std::uint8_t raw[3] = {};
    EXPECT_FALSE(r.ReadRaw(raw, 4));
    EXPECT_FALSE(r.Skip(-1));
    EXPECT_EQ(r.GetPosition(), 0);
    r.CurrentPtr_GoNext(0x7FFFFFFF, 2);
    EXPECT_EQ(r.GetPosition(), 3);
}

}  // namespace
