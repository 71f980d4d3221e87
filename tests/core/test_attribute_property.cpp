// The attribute and property facets.
#include "ByteBuilder.h"
#include "core/NameObjectAttribute.h"
#include "core/NameObjectProperty.h"
#include "support/Test.h"

namespace {

constexpr std::uint32_t kVersion = 0x03000200;

// A reserved-word pattern that must travel with a non-string variant.
_variant_t I4WithReservedWords(std::int32_t v) {
    _variant_t value(v, VT_I4);
    value.wReserved1 = 0x1111;
    value.wReserved2 = 0x2222;
    value.wReserved3 = 0x3333;
    return value;
}

// An object whose properties (7, 1) and (7, 2) follow incoming copies.
class PropertyOwner : public CNameObject {
public:
    void GetChangeableExtProperty(std::map<std::uint32_t, std::set<std::uint32_t>>& p) override {
        p[7] = {1, 2};
    }
};

std::vector<std::uint8_t> SavedProperty(const CNameObjectProperty& facet, std::uint32_t cls,
                                        std::uint32_t key, int expectedResult = 1) {
    CBufferWriter writer;
    EXPECT_EQ(facet.SaveProperty(cls, key, writer), expectedResult);
    return writer.bytes();
}

// Loading `bytes` into a fresh facet must fail with the reader back at the start.
template <class Facet>
void ExpectSectionRejected(const Bytes& bytes, int (Facet::*load)(CBufferReader&)) {
    Facet facet;
    CBufferReader reader(bytes.data(), bytes.size());
    EXPECT_EQ((facet.*load)(reader), 0);
    EXPECT_EQ(reader.GetPosition(), 0);
}

}  // namespace

// ---- attributes --------------------------------------------------------------------------

TEST(Attribute, SectionBytes) {
    CNameObjectAttribute empty;
    CBufferWriter emptyWriter;
    EXPECT_EQ(empty.SaveExtAttribute(emptyWriter), 1);
    EXPECT_EQ(emptyWriter.bytes(), Bytes().u32(12).u32(kVersion).u32(0).vec());

    CNameObjectAttribute facet;
    facet.AddAttribute(4, 0xFFFFFFFF);
    facet.AddAttribute(1, 5);
    facet.AddAttribute(1, 3);
    const Bytes expected = Bytes().u32s({40, kVersion, 2, 1, 2, 3, 5, 4, 1, 0xFFFFFFFF});
    CBufferWriter writer;
    EXPECT_EQ(facet.SaveExtAttribute(writer), 1);
    EXPECT_EQ(writer.bytes(), expected.vec());

    // Loading replaces the map; values need not arrive in order.
    const Bytes unordered = Bytes().u32s({32, kVersion, 1, 9, 3, 8, 2, 8});
    CNameObjectAttribute loaded;
    loaded.AddAttribute(100, 100);
    CBufferReader reader(unordered.data(), unordered.size());
    EXPECT_EQ(loaded.LoadExtAttribute(reader), 1);
    EXPECT_EQ(reader.GetPosition(), 32);
    EXPECT_EQ(loaded.GetObjectAttribute().size(), 1u);
    EXPECT_EQ(loaded.GetObjectAttribute(9), (CNameObjectAttribute::ValueSet{2, 8}));
}

TEST(Attribute, CorruptedSectionsFailWithThePositionRestored) {
    for (const Bytes& bytes : {Bytes().u32s({15, kVersion, 0x7FFFFFFF}).u8(1).u8(2).u8(3),
                               Bytes().u32s({24, kVersion, 1, 1, 0xFFFFFFFF, 0}),
                               Bytes().u32s({16, kVersion, 0}),  // length too large
                               Bytes().u32s({12, kVersion}),     // count missing
                               Bytes().u32s({3, kVersion, 0})})  // length word below 4
        ExpectSectionRejected(bytes, &CNameObjectAttribute::LoadExtAttribute);

    // A section that fails on its length keeps what it read.
    const Bytes wrongLength = Bytes().u32s({99, kVersion, 1, 2, 1, 6});
    CNameObjectAttribute facet;
    CBufferReader reader(wrongLength.data(), wrongLength.size());
    EXPECT_EQ(facet.LoadExtAttribute(reader), 0);
    EXPECT_EQ(facet.TestAttribute(2, 6), 1);
}

TEST(Attribute, SetRemoveAndDifference) {
    CNameObjectAttribute mine;
    mine.AddAttribute(9, 7);
    mine.RemoveAttribute(9, 7);  // the last value takes its class with it
    EXPECT_TRUE(mine.GetObjectAttribute().empty());
    mine.SetAttribute(5, 5, 1);
    mine.SetAttribute(5, 6, 1);
    mine.SetAttribute(5, 6, 0);
    mine.AddAttribute(1, 1);
    mine.AddAttribute(2, 2);
    CNameObjectAttribute theirs;
    theirs.AddAttribute(1, 1);
    theirs.AddAttribute(3, 3);
    theirs.AddAttribute(5, 6);
    theirs.AddAttribute(8, 8);
    EXPECT_FALSE(mine.TestAttributeIsSame(theirs));
    CNameObjectAttribute::AttributeMap common, onlyMine, onlyTheirs;
    mine.TestAttributeDifference(theirs, common, onlyMine, onlyTheirs);
    EXPECT_EQ(common, (CNameObjectAttribute::AttributeMap{{1, {1}}}));
    // Entries compare as (class, whole set): (5,{5}) sorts before (5,{6}).
    EXPECT_EQ(onlyMine, (CNameObjectAttribute::AttributeMap{{2, {2}}, {5, {5}}}));
    // The walk stops when this map runs out: (5,{6}) and (8,{8}) are not reported.
    EXPECT_EQ(onlyTheirs, (CNameObjectAttribute::AttributeMap{{3, {3}}}));
}

TEST(Attribute, MergeOfChangeableAttributes) {
    SetIsServerMode(false);
    auto live = CNameObject::CreateObj();
    live->AddAttribute(1, 0x0700C005);
    live->AddAttribute(3, 3);
    auto incoming = CNameObject::CreateObj();
    incoming->AddAttribute(1, 0x07001001);
    incoming->AddAttribute(2, 5);

    std::uint32_t changed = 0;
    EXPECT_EQ(live->_OnExtAttributeChange(*incoming, changed, SECTION_ALL & ~SECTION_EXT_ATTRIBUTE),
              0);
    EXPECT_EQ(changed, 0u);
    EXPECT_EQ(live->TestAttribute(1, 0x0700C005), 1);

    EXPECT_EQ(live->OnExtAttributeChange(incoming, changed, SECTION_EXT_ATTRIBUTE), 0);
    EXPECT_EQ(changed, static_cast<std::uint32_t>(SECTION_EXT_ATTRIBUTE));
    EXPECT_EQ(live->TestAttribute(1, 0x07001001), 1);  // changeable, added
    EXPECT_EQ(live->TestAttribute(1, 0x0700C005), 0);  // changeable, removed
    EXPECT_EQ(live->TestAttribute(3, 3), 1);           // not changeable, kept
    EXPECT_EQ(live->TestAttribute(2, 5), 0);           // not changeable, not taken

    // Differences outside the list change nothing and report nothing.
    changed = 0;
    EXPECT_EQ(live->OnExtAttributeChange(incoming, changed, SECTION_EXT_ATTRIBUTE), 0);
    EXPECT_EQ(changed, 0u);
}

// ---- properties --------------------------------------------------------------------------

TEST(Property, SectionBytesAndVariantRoundTrips) {
    CNameObjectProperty facet;
    facet.SetProperty(2, 3, _variant_t(CString(u"hi")));
    facet.SetProperty(2, 1, I4WithReservedWords(7));
    // One class with two keys: an I4 with its reserved words, then a string.
    const Bytes expected = Bytes()
                               .u32s({56, kVersion, 1, 2, 2, 1})
                               .u16s({VT_I4, 0x1111, 0x2222, 0x3333})
                               .u32s({7, 0, 3})
                               .u16(VT_BSTR)
                               .wstr(u"hi");
    CBufferWriter writer;
    EXPECT_EQ(facet.SaveExtProperty(writer), 1);
    EXPECT_EQ(writer.bytes(), expected.vec());

    CNameObjectProperty loaded;
    loaded.SetProperty(50, 50, _variant_t(1.0));
    CBufferReader reader(expected.data(), expected.size());
    EXPECT_EQ(loaded.LoadExtProperty(reader), 1);
    EXPECT_TRUE(loaded.TestPropertyIsSame(facet));  // the BSTR as a string, (50, 50) gone
    std::uint8_t original[16], roundTripped[16];
    facet.GetProperty(2, 1).GetRaw(original);
    loaded.GetProperty(2, 1).GetRaw(roundTripped);
    EXPECT_EQ(BytesOf(roundTripped, 16), BytesOf(original, 16));
}

TEST(Property, CorruptedSectionsFailWithThePositionRestored) {
    // A huge count, a variant cut inside its value area, a string with a negative count.
    for (const Bytes& bytes : {Bytes().u32s({15, kVersion, 0x7FFFFFFF}).u8(1).u8(2).u8(3),
                               Bytes().u32s({36, kVersion, 1, 1, 1, 1}).u16(VT_I4).u32(0),
                               Bytes().u32s({34, kVersion, 1, 1, 1, 1}).u16(VT_BSTR).u32(~0u),
                               Bytes().u32s({13, kVersion, 0})})  // length mismatch
        ExpectSectionRejected(bytes, &CNameObjectProperty::LoadExtProperty);
}

TEST(Property, TypedEncodingAndConversions) {
    CNameObjectProperty facet;
    facet.SetProperty(0, 1, _variant_t(static_cast<signed char>(-1)));
    facet.SetProperty(0, 2, _variant_t(static_cast<short>(-2)));
    facet.SetProperty(0, 4, _variant_t(true));
    facet.SetProperty(0, 6, _variant_t(0x1122334455667788ll));
    facet.SetProperty(0, 7, _variant_t(2.5f));
    facet.SetProperty(0, 9, _variant_t(CString(u"ok")));
    facet.SetProperty(0, 10, _variant_t::Null());

    EXPECT_EQ(SavedProperty(facet, 0, 1), Bytes().u32(VT_I1).u32(0xFF).vec());
    EXPECT_EQ(SavedProperty(facet, 0, 2), Bytes().u32(VT_I2).u32(0xFFFFFFFE).vec());
    EXPECT_EQ(SavedProperty(facet, 0, 4), Bytes().u32(VT_BOOL).u32(0xFFFFFFFF).vec());
    EXPECT_EQ(SavedProperty(facet, 0, 6), Bytes().u32(VT_I8).u64(0x1122334455667788).vec());
    EXPECT_EQ(SavedProperty(facet, 0, 7), Bytes().u32(VT_R4).f32(2.5f).vec());
    EXPECT_EQ(SavedProperty(facet, 0, 9), Bytes().u32(VT_BSTR).wstr(u"ok").vec());
    EXPECT_EQ(SavedProperty(facet, 0, 10, 0), std::vector<std::uint8_t>{});  // VT_NULL: nothing
    EXPECT_EQ(SavedProperty(facet, 0, 99), Bytes().u32(VT_EMPTY).vec());     // missing

    facet.SetProperty(1, 1, _variant_t(CString(u"12")));
    facet.SetProperty(1, 2, _variant_t(CString(u"ab")));
    facet.SetProperty(1, 3, _variant_t(7, VT_I4));
    facet.SetProperty(1, 3, _variant_t(8, VT_I4));  // replaces
    EXPECT_EQ(facet.GetInt32Property(1, 1, 99), 12u);
    EXPECT_EQ(facet.GetInt32Property(1, 2, 99), 99u);
    EXPECT_EQ(facet.GetInt32Property(1, 3, 99), 8u);
}

TEST(Property, MergeOfChangeableProperties) {
    SetIsServerMode(false);
    auto live = std::make_shared<PropertyOwner>();
    live->SetProperty(7, 1, _variant_t(4, VT_I4));
    live->SetProperty(7, 2, _variant_t(9, VT_I4));
    live->SetProperty(8, 1, _variant_t(CString(u"mine")));
    auto incoming = std::make_shared<PropertyOwner>();
    incoming->SetProperty(7, 1, _variant_t(5, VT_I4));
    incoming->SetProperty(8, 1, _variant_t(CString(u"theirs")));

    std::uint32_t changed = 0;
    EXPECT_EQ(live->OnExtPropertyChange(incoming, changed, SECTION_ALL & ~SECTION_EXT_PROPERTY), 0);
    EXPECT_EQ(changed, 0u);
    EXPECT_EQ(live->GetInt32Property(7, 1, 0), 4u);

    EXPECT_EQ(live->OnExtPropertyChange(incoming, changed, SECTION_EXT_PROPERTY), 0);
    EXPECT_EQ(changed, static_cast<std::uint32_t>(SECTION_EXT_PROPERTY));
    EXPECT_EQ(live->GetInt32Property(7, 1, 0), 5u);                    // taken
    EXPECT_EQ(live->GetProperty(7, 2).vt, VT_EMPTY);                   // gone from the other copy
    EXPECT_EQ(live->GetProperty(8, 1).GetString(), CString(u"mine"));  // not changeable
}
