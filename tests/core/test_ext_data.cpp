// Extension data: typed access, the section (byte for byte, old versions, skipping, bad
// input) and the ObjectExtData / ObjectExtDataDelCache rows.
#include "ByteBuilder.h"
#include "support/Test.h"

namespace {

using Raw = std::vector<std::uint8_t>;  // bytes as read

// One field of every value encoding, two masks (one without a value), laid down by hand: each
// field is its name, its type word and its value.
// clang-format off
const Raw kFullSection = Bytes()
    .u32s({200, 0x03000200, 9})
    .wstr(u"b").u32s({VT_BOOL, 0xFFFFFFFF})  // sign-extended
    .wstr(u"c").u32(VT_CY)                   // no encoding: the type word only
    .wstr(u"d").u32(VT_R8).f64(1.5)
    .wstr(u"f").u32(VT_R4).f32(1.5f)
    .wstr(u"i").u32(VT_I8).u64(static_cast<std::uint64_t>(-5))
    .wstr(u"n").u32s({VT_I1, 0xFF})          // zero-extended
    .wstr(u"s").u32(VT_BSTR).wstr(u"xy")
    .wstr(u"t").u32(VT_DATE).f64(2.5)
    .wstr(u"w").u32s({VT_I2, 0xFFFFFFFE})    // sign-extended
    .u32(2).wstr(u"b").u32(1).wstr(u"zz").u32(0x80000001)  // masks
    .vec();
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

TEST(ExtDataTyped, NamesValuesMasksAndMerge) {
    CNameObjectExtData f;
    EXPECT_EQ(f.ExtData_Set(u" a ", 5), 1);    // the variant form keeps the name as it is
    EXPECT_EQ(f.ExtData_Set(u" a ", 5.0), 1);  // the typed forms trim it
    EXPECT_EQ(f.GetFieldType(u" a "), VT_INT);
    EXPECT_EQ(f.GetFieldType(u"a"), VT_R8);
    EXPECT_EQ(f.ExtData_Set(u" \t", 1), 0);  // blank names are refused by the typed forms
    f.ExtData_Set(u"i64", std::int64_t{-5});
    unsigned int u = 99;
    EXPECT_EQ(f.ExtData_Get(u"i64", u), 0);  // overflow: reset value
    EXPECT_EQ(u, 0u);
    CString text;
    EXPECT_EQ(f.ExtData_Get(u" i64", text), 0);  // getters do not trim

    std::uint32_t mask = 5;
    EXPECT_EQ(f.ExtData_SetMask(u"m", 3), 1);
    EXPECT_EQ(f.RemoveField(u"m"), 0);  // a mask only: no value erased, the mask goes
    EXPECT_EQ(f.ExtData_GetMask(u"m", mask), 0);
    EXPECT_EQ(mask, 0u);

    CNameObjectExtData other;
    other.ExtData_Set(u"a", 2);
    other.ExtData_SetMask(u"a", 1);
    std::uint32_t changed = 0;
    EXPECT_EQ(f._OnExtDataChange(other, changed, SECTION_BASIC_DATA), 0);
    EXPECT_EQ(changed, 0u);
    EXPECT_EQ(f._OnExtDataChange(other, changed, SECTION_EXT_DATA), 0);
    EXPECT_EQ(changed, static_cast<std::uint32_t>(SECTION_EXT_DATA));
    ExpectSameFacet(f, other);  // whole maps copied
}

// The maps are created on first write; a copy (construction or assignment) owns its own maps.
TEST(ExtDataTyped, FacetsWithoutFieldsAndCopiesOfFacets) {
    CNameObjectExtData f;
    EXPECT_TRUE(f.GetAllExtData().empty());
    EXPECT_EQ(f.RemoveField(u"x"), 0);
    f.ExtData_Set(u"x", 1);
    const CNameObjectExtData copied(f);
    f.ExtData_Set(u"x", 2);
    CNameObjectExtData assigned;
    assigned = f;
    EXPECT_EQ(f.RemoveField(u"x"), 1);
    EXPECT_TRUE(f.GetAllExtData().empty());
    int value = 0;
    EXPECT_EQ(copied.ExtData_Get(u"x", value), 1);
    EXPECT_EQ(value, 1);
    EXPECT_EQ(assigned.ExtData_Get(u"x", value), 1);
    EXPECT_EQ(value, 2);
}

TEST(ExtDataSection, WritesTheLayoutAndReadsItBack) {
    CNameObjectExtData f;
    FillFullFacet(f);
    CBufferWriter w;
    ASSERT_EQ(f.SaveExtData(w), 1);
    EXPECT_EQ(w.bytes(), kFullSection);

    CNameObjectExtData g = KeepFacet();
    CBufferReader r(kFullSection.data(), static_cast<int>(kFullSection.size()));
    ASSERT_EQ(g.LoadExtData(r, 1), 1);
    EXPECT_EQ(r.GetPosition(), 200);

    // Loading rebuilds: I1 as UI1, DATE as R8, a type without encoding as empty.
    CNameObjectExtData::ValueMap expected = f.GetAllExtData();
    expected[u"c"] = _variant_t();
    expected[u"n"] = _variant_t(static_cast<unsigned char>(0xFF));
    expected[u"t"] = _variant_t(2.5);
    EXPECT_TRUE(g.GetAllExtData() == expected);
    EXPECT_TRUE(g.GetAllExtDataMask() == f.GetAllExtDataMask());

    // Version 0x03000100 has no masks: the values are replaced, the masks kept.
    const Bytes old = Bytes().u32s({28, 0x03000100, 1}).wstr(u"a").u32s({VT_INT, 5});
    CNameObjectExtData h = KeepFacet();
    CBufferReader ro(old.data(), old.size());
    ASSERT_EQ(h.LoadExtData(ro, 1), 1);
    EXPECT_EQ(ro.GetPosition(), 28);
    EXPECT_TRUE(h.GetAllExtData() == CNameObjectExtData::ValueMap({{u"a", _variant_t(5)}}));
    EXPECT_TRUE(h.GetAllExtDataMask() == KeepFacet().GetAllExtDataMask());
}

TEST(ExtDataSection, ApplyZeroSkipsAndBadInputIsRefused) {
    Raw padded = kFullSection;
    padded.insert(padded.end(), {0xDE, 0xAD, 0xBE, 0xEF});
    CNameObjectExtData f = KeepFacet();
    CBufferReader r(padded.data(), static_cast<int>(padded.size()));
    EXPECT_EQ(f.LoadExtData(r, 0), 1);
    EXPECT_EQ(r.GetPosition(), 200);
    ExpectSameFacet(f, KeepFacet());

    // Raw written at an offset, the size read (0: all), the apply flag, 4 bytes appended.
    struct Case {
        int offset;
        Raw patch;
        int size;
        int apply;
        bool grow = false;
    };
    const Case cases[] = {
        {0, {}, 10, 1},                         // inside the header
        {0, {}, 199, 1},                        // the last mask cut short
        {0, {}, 199, 0},                        // skipping still needs the whole section
        {0, {0x02, 0, 0, 0}, 0, 0},             // a length below its own word
        {0, {0xCC}, 0, 1, true},                // length word 4 beyond the content
        {8, {0xFF, 0xFF, 0xFF, 0x7F}, 0, 1},    // a huge field count
        {170, {0xFF, 0xFF, 0xFF, 0xFF}, 0, 1},  // a negative mask count
        {5, {0x03, 0x00}, 0, 1},                // version 0x03000300: too new, recorded
        {5, {0x02, 0x01}, 0, 1},                // version 0x03010200
        {5, {0x03, 0x00}, 0, 1},                // an older one than recorded: kept
    };
    ASSERT_EQ(CNameObject::m_nMinVersion, 0);
    for (const Case& c : cases) {
        Raw data = kFullSection;
        std::copy(c.patch.begin(), c.patch.end(), data.begin() + c.offset);
        if (c.grow) data.insert(data.end(), {0, 0, 0, 0});
        CNameObjectExtData g = KeepFacet();
        CBufferReader br(data.data(), c.size ? c.size : static_cast<int>(data.size()));
        EXPECT_EQ(g.LoadExtData(br, c.apply), 0) << "offset " << c.offset << " size " << c.size;
        EXPECT_EQ(br.GetPosition(), 0);
        ExpectSameFacet(g, KeepFacet());
    }
    EXPECT_EQ(CNameObject::m_nMinVersion, 0x03010200);  // the newest version refused
}

class ExtDataDatabase : public ConnectedInstallation {};

TEST_F(ExtDataDatabase, RowsRoundTripAndRowsOfVanishedObjectsGo) {
    SetIsServerMode(false);
    CNameObjectExtData saved;
    saved.ExtData_Set(u"r4", 1.5f);
    saved.ExtData_Set(u"i64", std::int64_t{-5});
    saved.ExtData_Set(u"date", _variant_t(COleDateTime(2020, 2, 29, 23, 59, 58)));
    saved.ExtData_Set(u"none", _variant_t::Null());  // no column: not stored
    ASSERT_EQ(saved.UpdateExtDataRecord(9, 7, 0), 1);
    ASSERT_EQ(saved.UpdateExtDataRecord(9, 7, 0), 1);  // rewrites, no duplicates
    ASSERT_EQ(saved.UpdateExtDataRecord(9, 8, 0), 1);  // an object that is not filed
    EXPECT_EQ(QueryInt("select count(*) from ObjectExtData where nClassID=9 and nID=7"), 3);

    std::shared_ptr<CNameObject> object = CNameObject::CreateObj();
    object->SetClassID(9);
    object->SetID(7);
    object->SetServerNO(0);
    GDM_Add(9, 7, 0, object);
    object->ExtData_Set(u"other", 3);  // kept: rows only add or replace fields
    ASSERT_EQ(CNameObjectExtData::InitObjectExtData(9, 7, 0), 1);
    CNameObjectExtData::ValueMap expected = saved.GetAllExtData();
    expected.erase(u"none");
    expected[u"date"] = _variant_t(COleDateTime(2020, 2, 29, 23, 59, 58).m_dt);  // as R8
    expected[u"other"] = _variant_t(3);
    EXPECT_TRUE(object->GetAllExtData() == expected);  // R4 1.5 too; quotes: round-trip test

    // Loading every row deletes those of objects no longer in the store.
    ASSERT_EQ(CNameObjectExtData::InitObjectExtData(0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF), 1);
    EXPECT_TRUE(object->GetAllExtData() == expected);
    EXPECT_EQ(QueryInt("select count(*) from ObjectExtData where nID=7"), 3);
    EXPECT_EQ(QueryInt("select count(*) from ObjectExtData where nID=8"), 0);
}

TEST_F(ExtDataDatabase, DeleteKeepsMaskedValues) {
    SetIsServerMode(false);
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
    EXPECT_EQ(QueryText("select strFieldName || '/' || nType || '/' || valueStr "
                        "from ObjectExtDataDelCache"),
              CString(u"kept/22/7"));
    EXPECT_EQ(QueryInt("select count(*) from ObjectExtDataDelCache"), 1);
}
