// Extension data: typed access, the section (byte for byte, old versions, skipping, bad
// input) and the ObjectExtData / ObjectExtDataDelCache rows.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "core/NameObject.h"
#include "platform/Config.h"
#include "platform/Database.h"
#include "registry/ObjectStore.h"
#include "support/Query.h"
#include "support/TestInstallation.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes BytesOf(const CBufferWriter& w) { return Bytes(w.GetData(), w.GetData() + w.GetLength()); }

// One field of every value encoding, two masks (one without a value); written by hand from
// the section layout.
// clang-format off
const Bytes kFullSection = {
    0xC8, 0x00, 0x00, 0x00,  // length 200
    0x00, 0x02, 0x00, 0x03,  // version 0x03000200
    0x09, 0x00, 0x00, 0x00,  // 9 fields
    // "b": BOOL true, sign-extended
    0x02, 0x00, 0x00, 0x00, 0x62, 0x00, 0x00, 0x00, 0x0B, 0x00, 0x00, 0x00, 0xFF, 0xFF, 0xFF, 0xFF,
    // "c": CY has no encoding: the type word only
    0x02, 0x00, 0x00, 0x00, 0x63, 0x00, 0x00, 0x00, 0x06, 0x00, 0x00, 0x00,
    // "d": R8 1.5
    0x02, 0x00, 0x00, 0x00, 0x64, 0x00, 0x00, 0x00, 0x05, 0x00, 0x00, 0x00,
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xF8, 0x3F,
    // "f": R4 1.5
    0x02, 0x00, 0x00, 0x00, 0x66, 0x00, 0x00, 0x00, 0x04, 0x00, 0x00, 0x00, 0x00, 0x00, 0xC0, 0x3F,
    // "i": I8 -5
    0x02, 0x00, 0x00, 0x00, 0x69, 0x00, 0x00, 0x00, 0x14, 0x00, 0x00, 0x00,
    0xFB, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
    // "n": I1 -1, zero-extended
    0x02, 0x00, 0x00, 0x00, 0x6E, 0x00, 0x00, 0x00, 0x10, 0x00, 0x00, 0x00, 0xFF, 0x00, 0x00, 0x00,
    // "s": BSTR "xy"
    0x02, 0x00, 0x00, 0x00, 0x73, 0x00, 0x00, 0x00, 0x08, 0x00, 0x00, 0x00,
    0x03, 0x00, 0x00, 0x00, 0x78, 0x00, 0x79, 0x00, 0x00, 0x00,
    // "t": DATE 2.5
    0x02, 0x00, 0x00, 0x00, 0x74, 0x00, 0x00, 0x00, 0x07, 0x00, 0x00, 0x00,
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x04, 0x40,
    // "w": I2 -2, sign-extended
    0x02, 0x00, 0x00, 0x00, 0x77, 0x00, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00, 0xFE, 0xFF, 0xFF, 0xFF,
    // masks: "b" = 1, "zz" = 0x80000001
    0x02, 0x00, 0x00, 0x00,
    0x02, 0x00, 0x00, 0x00, 0x62, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00,
    0x03, 0x00, 0x00, 0x00, 0x7A, 0x00, 0x7A, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x80,
};
// clang-format on

void FillFullFacet(CNameObjectExtData& f) {
    _variant_t cy;
    cy.vt = VT_CY;
    cy.cyVal = 15000;
    f.ExtData_Set(u"b", true);
    f.ExtData_Set(u"c", cy);
    f.ExtData_Set(u"d", 1.5);
    f.ExtData_Set(u"f", 1.5f);
    f.ExtData_Set(u"i", std::int64_t{-5});
    f.ExtData_Set(u"n", _variant_t(static_cast<signed char>(-1)));
    f.ExtData_Set(u"s", CString(u"xy"));
    f.ExtData_Set(u"t", _variant_t(COleDateTime(2.5)));
    f.ExtData_Set(u"w", _variant_t(static_cast<short>(-2)));
    f.ExtData_SetMask(u"b", 1);
    f.ExtData_SetMask(u"zz", 0x80000001u);
}

// A facet holding one field and one mask, to see that failed loads leave it alone.
CNameObjectExtData KeepFacet() {
    CNameObjectExtData f;
    f.ExtData_Set(u"keep", 1);
    f.ExtData_SetMask(u"keep", 2);
    return f;
}

void ExpectSameFacet(const CNameObjectExtData& a, const CNameObjectExtData& b) {
    EXPECT_TRUE(a.GetAllExtData() == b.GetAllExtData());
    EXPECT_TRUE(a.GetAllExtDataMask() == b.GetAllExtDataMask());
}

}  // namespace

TEST(ExtDataTyped, TrimRulesAndTypes) {
    CNameObjectExtData f;
    EXPECT_EQ(f.ExtData_Set(u" a ", 5), 1);
    EXPECT_EQ(f.GetFieldType(u" a "), VT_INT);
    EXPECT_EQ(f.GetFieldType(u"a"), 0);
    EXPECT_EQ(f.ExtData_Set(u" a ", 5.0), 1);
    EXPECT_EQ(f.GetFieldType(u"a"), VT_R8);
    EXPECT_EQ(f.GetFieldType(u" a "), VT_INT);  // untouched
    EXPECT_EQ(f.ExtData_Set(u" st ", CString(u"v")), 1);  // trimmed, like the double form
    EXPECT_EQ(f.GetFieldType(u"st"), VT_BSTR);

    // Blank names are refused by the typed forms, accepted by the variant form.
    const auto before = f.GetAllExtData().size();
    EXPECT_EQ(f.ExtData_Set(u" \t", 1), 0);
    EXPECT_EQ(f.ExtData_Set(u"", CString(u"x")), 0);
    EXPECT_EQ(f.GetAllExtData().size(), before);
    EXPECT_EQ(f.ExtData_Set(u"", _variant_t(1)), 1);
    EXPECT_EQ(f.GetFieldType(u""), VT_INT);
}

TEST(ExtDataTyped, GetConvertsAndResets) {
    CNameObjectExtData f;
    const COleDateTime when(2021, 3, 4, 5, 6, 7);
    ASSERT_EQ(f.ExtData_Set(u"when", when), 1);
    EXPECT_EQ(f.GetFieldType(u"when"), VT_R8);
    COleDateTime back;
    EXPECT_EQ(f.ExtData_Get(u"when", back), 1);
    EXPECT_EQ(back, when);

    f.ExtData_Set(u"i64", std::int64_t{-5});
    std::int64_t i64 = 0;
    EXPECT_EQ(f.ExtData_Get(u"i64", i64), 1);
    EXPECT_EQ(i64, -5);
    unsigned int u = 99;
    EXPECT_EQ(f.ExtData_Get(u"i64", u), 0);  // overflow: reset value
    EXPECT_EQ(u, 0u);
    CString text;
    EXPECT_EQ(f.ExtData_Get(u"i64", text), 1);
    EXPECT_EQ(text, CString(u"-5"));

    f.ExtData_Set(u"word", CString(u"abc"));
    int i = 7;
    EXPECT_EQ(f.ExtData_Get(u"word", i), 0);
    EXPECT_EQ(i, 0);

    // Absent fields: 0 and reset outputs; the variant form clears and still answers 1.
    EXPECT_EQ(f.ExtData_Get(u"none", text), 0);
    EXPECT_TRUE(text.IsEmpty());
    _variant_t v(5);
    EXPECT_EQ(f.ExtData_Get(u"none", v), 1);
    EXPECT_EQ(v.vt, VT_EMPTY);
    EXPECT_EQ(f.ExtData_Get(u" word", text), 0);  // getters do not trim
}

TEST(ExtDataTyped, MasksAndRemove) {
    CNameObjectExtData f;
    std::uint32_t mask = 5;
    EXPECT_EQ(f.ExtData_GetMask(u"a", mask), 0);
    EXPECT_EQ(mask, 0u);
    EXPECT_EQ(f.ExtData_SetMask(u"a", 3), 1);
    EXPECT_EQ(f.ExtData_GetMask(u"a", mask), 1);
    EXPECT_EQ(mask, 3u);
    EXPECT_EQ(f.RemoveField(u"a"), 0);  // a mask only: no value erased
    EXPECT_EQ(f.ExtData_GetMask(u"a", mask), 0);

    f.ExtData_Set(u"b", 1);
    f.ExtData_SetMask(u"b", 1);
    EXPECT_EQ(f.RemoveField(u"b"), 1);
    EXPECT_EQ(f.GetFieldType(u"b"), 0);
    EXPECT_TRUE(f.GetAllExtDataMask().empty());
}

TEST(ExtDataTyped, MergeCopiesWholeMaps) {
    CNameObjectExtData mine, other;
    mine.ExtData_Set(u"a", 1);
    other.ExtData_Set(u"a", 2);
    other.ExtData_SetMask(u"a", 1);

    std::uint32_t changed = 0;
    EXPECT_EQ(mine._OnExtDataChange(other, changed, SECTION_BASIC_DATA), 0);
    EXPECT_EQ(changed, 0u);
    EXPECT_FALSE(mine.GetAllExtData() == other.GetAllExtData());  // not merged

    EXPECT_EQ(mine._OnExtDataChange(other, changed, SECTION_EXT_DATA), 0);
    EXPECT_EQ(changed, static_cast<std::uint32_t>(SECTION_EXT_DATA));
    ExpectSameFacet(mine, other);

    changed = 0x10;
    EXPECT_EQ(mine._OnExtDataChange(other, changed, SECTION_WHOLE_OBJECT), 0);
    EXPECT_EQ(changed, 0x10u);  // nothing differs any more
}

TEST(ExtDataSection, WritesTheLayoutAndReadsItBack) {
    CNameObjectExtData f;
    FillFullFacet(f);
    CBufferWriter w;
    ASSERT_EQ(f.SaveExtData(w), 1);
    EXPECT_EQ(BytesOf(w), kFullSection);

    CNameObjectExtData g = KeepFacet();
    CBufferReader r(kFullSection.data(), static_cast<int>(kFullSection.size()));
    ASSERT_EQ(g.LoadExtData(r, 1), 1);
    EXPECT_EQ(r.GetPosition(), 200);

    // Loading rebuilds: I1 as UI1, DATE as R8, a type without encoding as empty.
    CNameObjectExtData::ValueMap expected;
    _variant_t ui1(static_cast<unsigned char>(0xFF));
    expected[u"b"] = _variant_t(true);
    expected[u"c"] = _variant_t();
    expected[u"d"] = _variant_t(1.5);
    expected[u"f"] = _variant_t(1.5f);
    expected[u"i"] = _variant_t(-5LL);
    expected[u"n"] = ui1;
    expected[u"s"] = _variant_t(CString(u"xy"));
    expected[u"t"] = _variant_t(2.5);
    expected[u"w"] = _variant_t(static_cast<short>(-2));
    EXPECT_TRUE(g.GetAllExtData() == expected);
    EXPECT_TRUE(g.GetAllExtDataMask() == f.GetAllExtDataMask());
}

TEST(ExtDataSection, OlderVersionHasNoMasks) {
    // clang-format off
    const Bytes old = {
        0x1C, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x03, 0x01, 0x00, 0x00, 0x00,
        0x02, 0x00, 0x00, 0x00, 0x61, 0x00, 0x00, 0x00,  // "a"
        0x16, 0x00, 0x00, 0x00, 0x05, 0x00, 0x00, 0x00,  // INT 5
    };
    // clang-format on
    CNameObjectExtData f = KeepFacet();
    CBufferReader r(old.data(), static_cast<int>(old.size()));
    ASSERT_EQ(f.LoadExtData(r, 1), 1);
    EXPECT_EQ(r.GetPosition(), 28);
    EXPECT_EQ(f.GetAllExtData().size(), 1u);  // the values are replaced
    int a = 0;
    EXPECT_EQ(f.ExtData_Get(u"a", a), 1);
    EXPECT_EQ(a, 5);
    EXPECT_TRUE(f.GetAllExtDataMask() == KeepFacet().GetAllExtDataMask());  // masks kept
}

TEST(ExtDataSection, ApplyZeroSkipsExactly) {
    Bytes data = kFullSection;
    data.insert(data.end(), {0xDE, 0xAD, 0xBE, 0xEF});
    CNameObjectExtData f = KeepFacet();
    CBufferReader r(data.data(), static_cast<int>(data.size()));
    EXPECT_EQ(f.LoadExtData(r, 0), 1);
    EXPECT_EQ(r.GetPosition(), 200);
    ExpectSameFacet(f, KeepFacet());

    // Skipping still needs the whole section, and a length that counts at least itself.
    CBufferReader shortReader(data.data(), 199);
    EXPECT_EQ(f.LoadExtData(shortReader, 0), 0);
    EXPECT_EQ(shortReader.GetPosition(), 0);
    const Bytes tiny = {0x02, 0x00, 0x00, 0x00, 0x00, 0x00};
    CBufferReader tinyReader(tiny.data(), static_cast<int>(tiny.size()));
    EXPECT_EQ(f.LoadExtData(tinyReader, 0), 0);
    EXPECT_EQ(tinyReader.GetPosition(), 0);
}

TEST(ExtDataSection, BadInputFailsAndRestoresPosition) {
    const auto expectRejected = [](const Bytes& data, int size) {
        CNameObjectExtData f = KeepFacet();
        CBufferReader r(data.data(), size);
        EXPECT_EQ(f.LoadExtData(r, 1), 0) << "size " << size;
        EXPECT_EQ(r.GetPosition(), 0) << "size " << size;
        ExpectSameFacet(f, KeepFacet());
    };
    expectRejected(kFullSection, 10);   // inside the header
    expectRejected(kFullSection, 199);  // the last mask cut short

    Bytes longer = kFullSection;  // length word 4 larger than the content
    longer[0] = 0xCC;
    longer.insert(longer.end(), {0, 0, 0, 0});
    expectRejected(longer, static_cast<int>(longer.size()));

    Bytes count = kFullSection;  // a huge field count
    count[8] = count[9] = count[10] = 0xFF;
    count[11] = 0x7F;
    expectRejected(count, static_cast<int>(count.size()));
    Bytes masks = kFullSection;  // a negative mask count at offset 170
    masks[170] = masks[171] = masks[172] = masks[173] = 0xFF;
    expectRejected(masks, static_cast<int>(masks.size()));
}

TEST(ExtDataSection, TooNewVersionIsRecorded) {
    const auto loadVersion = [](std::uint8_t minor, std::uint8_t major) {
        Bytes data = kFullSection;
        data[5] = minor;
        data[6] = major;
        CNameObjectExtData f = KeepFacet();
        CBufferReader r(data.data(), static_cast<int>(data.size()));
        EXPECT_EQ(f.LoadExtData(r, 1), 0);
        EXPECT_EQ(r.GetPosition(), 0);
        ExpectSameFacet(f, KeepFacet());
    };
    ASSERT_EQ(CNameObject::m_nMinVersion, 0);
    loadVersion(0x03, 0x00);  // 0x03000300
    EXPECT_EQ(CNameObject::m_nMinVersion, 0x03000300);
    loadVersion(0x02, 0x01);  // 0x03010200
    EXPECT_EQ(CNameObject::m_nMinVersion, 0x03010200);
    loadVersion(0x03, 0x00);  // older than the one recorded: kept
    EXPECT_EQ(CNameObject::m_nMinVersion, 0x03010200);
}

TEST(ExtDataDatabase, NoDatabase) {
    CNameObjectExtData f;
    f.ExtData_Set(u"a", 1);
    EXPECT_EQ(f.UpdateExtDataRecord(1, 2, 3), 0);
    EXPECT_EQ(CNameObjectExtData::InitObjectExtData(1, 2, 3), 0);
    EXPECT_EQ(f.DeleteExtData(1, 2, 3), E_DATABASE_UNAVAILABLE);
}

TEST(ExtDataDatabase, RowsRoundTrip) {
    SetIsServerMode(false);
    TestInstallation inst;
    inst.Connect();

    CNameObjectExtData saved;
    saved.ExtData_Set(u"r4", 1.5f);
    saved.ExtData_Set(u"it's", CString(u"O'Brien's"));
    saved.ExtData_Set(u"i64", std::int64_t{-5});
    saved.ExtData_Set(u"date", _variant_t(COleDateTime(2020, 2, 29, 23, 59, 58)));
    saved.ExtData_Set(u"none", _variant_t::Null());  // no column: not stored
    ASSERT_EQ(saved.UpdateExtDataRecord(9, 7, 0), 1);
    ASSERT_EQ(saved.UpdateExtDataRecord(9, 7, 0), 1);  // rewrites, no duplicates
    EXPECT_EQ(QueryInt("select count(*) from ObjectExtData where nClassID=9 and nID=7"), 4);

    std::shared_ptr<CNameObject> object = CNameObject::CreateObj();
    object->SetClassID(9);
    object->SetID(7);
    object->SetServerNO(0);
    object->ExtData_Set(u"other", 3);  // kept: rows only add or replace fields
    GDM_Add(9, 7, 0, object);
    ASSERT_EQ(CNameObjectExtData::InitObjectExtData(9, 7, 0), 1);

    CNameObjectExtData::ValueMap expected = saved.GetAllExtData();
    expected.erase(u"none");
    expected[u"date"] = _variant_t(COleDateTime(2020, 2, 29, 23, 59, 58).m_dt);  // as R8
    expected[u"other"] = _variant_t(3);
    EXPECT_TRUE(object->GetAllExtData() == expected);  // R4 1.5 and the quoted texts too
}

TEST(ExtDataDatabase, InitDeletesRowsOfVanishedObjects) {
    SetIsServerMode(false);
    TestInstallation inst;
    inst.Connect();
    CNameObjectExtData rows;
    rows.ExtData_Set(u"a", 1);
    rows.ExtData_Set(u"b", CString(u"x"));
    ASSERT_EQ(rows.UpdateExtDataRecord(9, 1, 0), 1);
    ASSERT_EQ(rows.UpdateExtDataRecord(9, 2, 0), 1);

    std::shared_ptr<CNameObject> present = CNameObject::CreateObj();
    present->SetClassID(9);
    present->SetID(1);
    present->SetServerNO(0);
    GDM_Add(9, 1, 0, present);

    ASSERT_EQ(CNameObjectExtData::InitObjectExtData(0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF), 1);
    EXPECT_EQ(present->GetAllExtData().size(), 2u);
    EXPECT_EQ(QueryInt("select count(*) from ObjectExtData where nID=1"), 2);
    EXPECT_EQ(QueryInt("select count(*) from ObjectExtData where nID=2"), 0);
}

TEST(ExtDataDatabase, DeleteKeepsMaskedValues) {
    SetIsServerMode(false);
    TestInstallation inst;
    inst.Connect();
    CNameObjectExtData f;
    f.ExtData_Set(u"kept", 7);
    f.ExtData_SetMask(u"kept", 0x1);
    f.ExtData_Set(u"unmasked", 8);
    f.ExtData_SetMask(u"unmasked", 0x2);
    f.ExtData_Set(u"empty", CString());  // masked, but its text is empty
    f.ExtData_SetMask(u"empty", 0x1);
    f.ExtData_SetMask(u"novalue", 0x1);
    ASSERT_EQ(f.UpdateExtDataRecord(9, 5, 0), 1);
    ASSERT_TRUE(GetDatabase()->Execute(
        "INSERT INTO ObjectExtDataDelCache VALUES(9, 5, 0, 'stale', 8, 'old')"));

    EXPECT_EQ(f.DeleteExtData(9, 5, 0), S_SUCCESS);
    EXPECT_EQ(QueryInt("select count(*) from ObjectExtData where nID=5"), 0);
    CADORecordset rs(GetDatabase());
    ASSERT_TRUE(rs.Open("select strFieldName, nType, valueStr from ObjectExtDataDelCache"));
    ASSERT_FALSE(rs.IsEOF());
    CString name, value;
    int type = 0;
    rs.GetFieldValue(0, name);
    rs.GetFieldValue(1, type);
    rs.GetFieldValue(2, value);
    EXPECT_EQ(name, CString(u"kept"));
    EXPECT_EQ(type, 22);
    EXPECT_EQ(value, CString(u"7"));
    rs.MoveNext();
    EXPECT_TRUE(rs.IsEOF());
}
