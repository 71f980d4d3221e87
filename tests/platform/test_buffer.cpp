#include "support/Test.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

CBufferReader ReaderOf(const Bytes& bytes) {
    return CBufferReader(bytes.data(), static_cast<int>(bytes.size()));
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
        EXPECT_EQ(out.bytes(), Bytes{7});
        EXPECT_EQ(r.GetPosition(), 0);
    }
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
