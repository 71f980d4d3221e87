// The rest data of areas and area groups, checked against bytes laid down by hand: the
// current version whole, older versions with the fields they had, the refused versions and
// the older raw form.
#include "core/ByteBuilder.h"
#include "support/Test.h"

namespace {

// The levels below the area's own: container (0x03000100) over access object (0x03000200,
// no area IDs) over the base (8 bytes).
Bytes ContainerLevel() {
    return Bytes().u32(28).u32(20).u32(8).u32(0x03000200).u32(0x03000200).u32(0).u32(0x03000100);
}

Bytes Level(std::uint32_t version, const Bytes& fields) {
    Bytes b;
    b.u32(0).append(ContainerLevel()).u32(version).append(fields);
    return b.patch32(0, b.size());
}

Bytes Action(std::uint32_t first, std::uint16_t second) {
    return Bytes().u32(24).u32(0x03000100).u32(first).u16(second).u16(10).u32(1).u32(0);
}

// The area's own fields as a writer of `version` lays them down.
Bytes Fields(std::uint32_t v) {
    Bytes b;
    b.u32(0x11).u32(0x12).u8(1).u8(2).u8(0xA1).u8(0xA2).u32(0x13).u32(0x14).u32(0x15);
    b.u32(2).u8(3).u8(7);                         // certificates
    b.u32(2);                                     // personnel count
    if (v >= 0x03000200) b.u32(2).u32(9).u32(4);  // area persons, in entry order
    if (v >= 0x03000300) b.u32(2).u32(5).u32(6).u32(0x21).u32(0x22).u32(0x23).u32(0x24);
    if (v >= 0x03000400) {
        b.u32(1);  // arming state
        for (std::uint32_t x = 0x31; x <= 0x38; ++x) b.u32(x);
    }
    if (v >= 0x03000700) {
        // 0x0100 sorts before 0x0001: the lowest byte of the first value decides.
        b.u32(1).u32(7).u32(2).append(Action(0x0100, 3)).append(Action(0x0001, 4));
    } else if (v >= 0x03000500) {
        b.u32(1).u32(7).u32(2).u32(0x0001).u32(0x10004).u32(0x0100).u32(3);  // pairs
    }
    if (v >= 0x03000500) b.u32(0x41);
    if (v >= 0x03000600) b.u32(0x42).u32(0x43);
    if (v >= 0x03000800) b.u32(0x44);
    if (v >= 0x03000900) b.u32(1);
    if (v >= 0x03000A00) b.u32(0x45);
    if (v >= 0x03020100) b.u32(1).u32(1).u32(0x51).u32(0x52).u32(2).u32(3).u32(1);
    if (v >= 0x03020200) b.u32(0x46);
    return b;
}

int Load(CNameObject& object, const Bytes& bytes) {
    CBufferReader reader(bytes.data(), bytes.size());
    const int ok = object.LoadRestData(reader, 0);
    EXPECT_EQ(ok ? bytes.size() : 0, reader.GetPosition());
    return ok;
}

TEST(AreaRestData, CurrentVersionReadsEveryFieldAndIsWrittenBackByteForByte) {
    const Bytes bytes = Level(0x03020200, Fields(0x03020200));
    CArea area;
    ASSERT_EQ(1, Load(area, bytes));
    EXPECT_EQ(0xA2, area.GetParameters().m_byReserved2);
    EXPECT_EQ((std::vector<std::uint32_t>{9, 4}), area.GetAreaPersons());
    EXPECT_EQ(0x38, area.GetArmingBrushCardTimes());
    EXPECT_EQ(0x0100u, area.GetLinkage().at(7).begin()->m_nFirst);
    EXPECT_EQ(0x52u, area.GetDefenseButtonMode().m_vecPointIndex.at(0).m_nSecond);
    EXPECT_EQ(0x46u, area.GetDefenseKeepTime());
    CBufferWriter out;  // the writer lays down the same bytes, so every field was read
    ASSERT_EQ(1, area.SaveRestData(out));
    EXPECT_EQ(bytes.vec(), BytesOf(out.GetData(), out.GetLength()));
}

TEST(AreaRestData, OlderVersionsReadTheirFieldsAndLeaveTheRestAtTheDefaults) {
    CArea older;
    ASSERT_EQ(1, Load(older, Level(0x03000500, Fields(0x03000500))));
    // Pairs become actions with the record defaults; the second word keeps its low 16 bits.
    EXPECT_EQ((CArea::ActionSet{{0x0001, 4, 10, 1, 0}, {0x0100, 3, 10, 1, 0}}),
              older.GetLinkage().at(7));
    EXPECT_EQ(0x41u, older.GetPhoneAlarmMode());
    EXPECT_EQ(10, older.GetCloseDoorAutoArmingTime());

    CArea a00;
    ASSERT_EQ(1, Load(a00, Level(0x03000A00, Fields(0x03000A00))));
    EXPECT_EQ(0x45, a00.GetSetDefenseTimeout());
    EXPECT_TRUE(a00.GetDefenseMode().empty());
    EXPECT_EQ(0u, a00.GetDefenseKeepTime());

    CArea first;  // the first version has no persons and no SMS fields
    ASSERT_EQ(1, Load(first, Level(0x03000100, Fields(0x03000100))));
    EXPECT_EQ(2u, first.GetPersonnelCount());
    EXPECT_EQ(60u, first.GetSmsReplyTimeout());

    // Another button-mode format carries no points: format 7 stands for format 1, count, point.
    Bytes fields = Fields(0x03020100);
    fields.truncate(fields.size() - 4 * 7).u32(7).u32(2).u32(3).u32(1);
    CArea other;
    ASSERT_EQ(1, Load(other, Level(0x03020100, fields)));
    EXPECT_TRUE(other.GetDefenseButtonMode().m_vecPointIndex.empty());
    EXPECT_EQ((std::vector<std::uint32_t>{3, 1}), other.GetDefenseMode());
}

TEST(AreaRestData, RefusedVersionsAndDamagedBlocksLoadNothing) {
    const Bytes whole = Level(0x03020200, Fields(0x03020200));
    const Bytes refused[] = {
        Level(0x03000A01, Fields(0x03020200)), Level(0x03020000, Fields(0x03020200)),
        Level(0x03020201, Fields(0x03020200)), Bytes(whole).truncate(whole.size() - 1),
        Bytes(whole).patch32(28, 0x03000101),  // the container level below: too new
        Level(0x03020200, Bytes(Fields(0x03020200)).patch32(24, 0xFFFFFFF0)),  // certificates
        // The first linkage action: a newer version, a length word that lies.
        Level(0x03020200, Bytes(Fields(0x03020200)).patch32(126, 0x03000101)),
        Level(0x03020200, Bytes(Fields(0x03020200)).patch32(122, 28)),
        ContainerLevel(),  // a row written when the area had no level of its own
    };
    for (const Bytes& bytes : refused) {
        CArea area;
        EXPECT_EQ(0, Load(area, bytes));
        EXPECT_EQ(0u, area.GetMostCapability());
    }
    CAreaGroup group;
    EXPECT_EQ(0, Load(group, ContainerLevel()));
}

// The older raw form: base version, the access object's word and byte, the container's word.
Bytes RawPrefix() { return Bytes().u32(0x02000000).u32(0).u8(0).u32(0); }

TEST(AreaRestData, OlderRawForms) {
    // The area's tail by format word: 1 has two skipped lists, 3 a personnel count, 2 clears it.
    const std::pair<Bytes, std::uint32_t> cases[] = {
        {Bytes().u32(1).u32(1).u64(0x99).u32(2).u64(1).u64(2).u32(5).u32(6).u32(0), 7},
        {Bytes().u32(3).u32(5).u32(6).u32(0).u32(12), 12},
        {Bytes().u32(2).u32(5).u32(6).u32(0), 0}};
    for (const auto& [tail, personnel] : cases) {
        const Bytes raw = RawPrefix().append(tail);
        CArea area;
        area.SetPersonnelCount(7);
        int size = raw.size() - 1;
        EXPECT_EQ(0, area.LoadRestData_V2(raw.data(), &size, 0x02000000));
        size = raw.size();
        ASSERT_EQ(1, area.LoadRestData_V2(raw.data(), &size, 0x02000000));
        EXPECT_EQ(raw.size(), size);
        EXPECT_EQ(6u, area.GetLeastCapability());
        EXPECT_EQ(personnel, area.GetPersonnelCount());
    }
    // The group's: a skipped word, then its picture as image 0 (none for a count <= 0).
    const Bytes raw = RawPrefix().u32(0).i32(3).u8(7).u8(8).u8(9);
    CAreaGroup group;
    int size = raw.size();
    ASSERT_EQ(1, group.LoadRestData_V2(raw.data(), &size, 0x02000000));
    EXPECT_EQ(raw.size(), size);
    EXPECT_EQ((std::vector<std::uint8_t>{7, 8, 9}),
              group.GetAllImageInfo().at(0).m_imgData.bytes());
    const Bytes none = RawPrefix().u32(0).i32(-1);
    CAreaGroup empty;
    size = none.size();
    ASSERT_EQ(1, empty.LoadRestData_V2(none.data(), &size, 0x02000000));
    EXPECT_TRUE(empty.GetAllImageInfo().empty());
}

}  // namespace
