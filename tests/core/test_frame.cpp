// The object frame and the base object's sections, checked byte for byte against sequences
// built by hand from the format tables.
#include <climits>

#include "ByteBuilder.h"
#include "support/Test.h"

namespace {

constexpr std::uint32_t kVersion = 0x03000200;

// A reader over its own copy of the bytes.
CBufferReader Reader(const Bytes& bytes) {
    CBufferWriter copy;
    copy.WriteByte(bytes.data(), bytes.size());
    return CBufferReader(copy);
}

// class 1, ID 7, server 3, attribute 0x10, names "ab", "", "x", times 1.5 and 2.25.
std::shared_ptr<CNameObject> Sample() {
    auto object = CNameObject::CreateObj();
    object->SetID(7);
    object->SetServerNO(3);
    object->SetAttribute(0x10u);
    object->SetShortName(u"ab");
    object->SetFullName(u"");
    object->SetDescription(u"x");
    object->SetCreateTime(COleDateTime(1.5));
    object->SetModifyTime(COleDateTime(2.25));
    return object;
}

// The fixed part of a basic section of class 1, ID 7, server 3.
Bytes BasicHead(std::uint32_t length, std::uint32_t attribute = 0) {
    return Bytes().u32s({length, kVersion, 1, 7, 3, attribute, 0});
}
// The basic section of Sample(): 28 fixed bytes, strings of 10, 6 and 8 bytes, two times.
Bytes SampleBasic() {
    return BasicHead(68, 0x10).wstr(u"ab").wstr(u"").wstr(u"x").f64(1.5).f64(2.25);
}
Bytes BaseRest() { return Bytes().u32(8).u32(kVersion); }
Bytes Header(std::uint32_t cls, std::uint32_t id, std::uint32_t server, std::uint32_t mask,
             std::uint32_t length) {
    return Bytes().u32(cls).u32(id).u32(server).u32(mask).u32(length);
}
// Sample() framed with its basic and rest sections.
Bytes SampleFrame() { return Header(1, 7, 3, 0x09, 76).append(SampleBasic()).append(BaseRest()); }

class FrameTest : public ConnectedInstallation {
protected:
    void SetUp() override {
        ConnectedInstallation::SetUp();
        SetIsServerMode(false);
    }
};

}  // namespace

TEST_F(FrameTest, SectionAndFrameBytes) {
    auto object = Sample();
    CBufferWriter dbRest;  // the database rest form is the version word alone
    EXPECT_EQ(object->SaveDatabaseRestData(dbRest), 1);
    EXPECT_EQ(dbRest.bytes(), Bytes().u32(kVersion).vec());

    CBufferWriter empty;
    EXPECT_EQ(object->SaveData(empty, 0), 0x00FFFFFF);
    EXPECT_EQ(empty.bytes(), Header(1, 7, 3, 0, 0).vec());
    CBufferWriter frame;
    EXPECT_EQ(object->SaveData(frame, SECTION_BASIC_DATA | SECTION_REST_DATA), 0x09);
    EXPECT_EQ(frame.bytes(), SampleFrame().vec());

    // Every section, in order; the header's mask and length are back-patched.
    CBufferWriter whole;
    EXPECT_EQ(object->SaveData(whole, SECTION_WHOLE_OBJECT), 0x3F);
    ASSERT_GE(whole.GetLength(), 88);
    EXPECT_EQ(BytesOf(whole.GetData() + 12, 8),
              Bytes().u32(0x3F).u32(whole.GetLength() - 20).vec());
    EXPECT_EQ(BytesOf(whole.GetData() + 20, 68), SampleBasic().vec());

    // A frame appended after earlier content patches its own header only.
    CBufferWriter appended;
    appended.Write(std::uint32_t{0xEEEEEEEE});
    EXPECT_EQ(object->SaveData(appended, SECTION_REST_DATA), 0x08);
    EXPECT_EQ(appended.bytes(),
              Bytes().u32(0xEEEEEEEE).append(Header(1, 7, 3, 0x08, 8)).append(BaseRest()).vec());
}

TEST_F(FrameTest, LoadDataOfHandBuiltFrames) {
    // Mask 0: the key comes from the header, nothing else is read.
    const Bytes bare = Header(1, 42, 5, 0, 0);
    auto object = CNameObject::CreateObj();
    CBufferReader bareReader = Reader(bare);
    EXPECT_EQ(object->LoadData(bareReader, SECTION_WHOLE_OBJECT, 0), 0x00FFFFFF);
    EXPECT_EQ(object->GetObjectUniqueID(), MJOBJECT_KEY(1, 42, 5));
    EXPECT_EQ(object->GetObjectInitState(), 0u);
    EXPECT_EQ(bareReader.GetPosition(), 20);

    // Basic and rest data, followed by bytes that belong to someone else.
    const Bytes frame = SampleFrame().u32(0xABCD);
    auto loaded = CNameObject::CreateObj();
    CBufferReader reader = Reader(frame);
    EXPECT_EQ(loaded->LoadData(reader, SECTION_WHOLE_OBJECT, 0), 0x09);
    EXPECT_EQ(reader.GetPosition(), frame.size() - 4);
    CBufferWriter again;  // every basic field arrived: it writes the same section back
    loaded->SaveBasicData(again);
    EXPECT_EQ(again.bytes(), SampleBasic().vec());

    // Only basic requested: rest data is still read and applied, but not reported.
    auto partial = CNameObject::CreateObj();
    CBufferReader partialReader = Reader(frame);
    EXPECT_EQ(partial->LoadData(partialReader, SECTION_BASIC_DATA, 0), 0x01);
    EXPECT_EQ(partialReader.GetPosition(), frame.size() - 4);
    EXPECT_EQ(partial->GetObjectInitState(), 0x09u);

    // An image section that was not requested is skipped whole; no requested bit present.
    const Bytes images = Header(1, 8, 0, 0x10, 16).u32(16).u32(0xFFFFFFFF).u64(0x1122334455667788);
    CBufferReader imageReader = Reader(images);
    EXPECT_EQ(object->LoadData(imageReader, SECTION_BASIC_DATA, 0), 0x00FFFFFF);
    EXPECT_EQ(imageReader.GetPosition(), images.size());
    EXPECT_EQ(object->GetID(), 8u);
}

TEST_F(FrameTest, BadFramesAndBasicSectionsAreRejected) {
    // A short header fails in place; an unknown class after its header.
    auto object = CNameObject::CreateObj();
    for (const Bytes& bytes :
         {Header(1, 2, 3, 0, 0).truncate(19), Header(0x7FFF0001, 2, 3, 0, 0)}) {
        CBufferReader r = Reader(bytes);
        EXPECT_EQ(object->LoadData(r, SECTION_WHOLE_OBJECT, 0), 0);
        EXPECT_EQ(r.GetPosition(), bytes.size() == 19 ? 0 : 20);
        EXPECT_EQ(object->GetID(), 0xFFFFFFFFu);
    }
    // An older basic section reads; a newer one fails, inside a frame at its own start.
    CBufferReader older = Reader(Bytes(SampleBasic()).patch32(4, 0x03000100));
    EXPECT_EQ(object->LoadBasicData(older), 1);
    EXPECT_EQ(object->GetShortName(), CString(u"ab"));
    const Bytes newer = Bytes(SampleBasic()).patch32(4, 0x03000201);
    const Bytes frame = Header(1, 7, 3, 0x01, 68).append(newer);
    auto target = CNameObject::CreateObj();
    CBufferReader frameReader = Reader(frame);
    EXPECT_EQ(target->LoadData(frameReader, SECTION_WHOLE_OBJECT, 0), 0);
    EXPECT_EQ(frameReader.GetPosition(), 20);
    EXPECT_EQ(target->GetObjectInitState(), 0u);

    const Bytes bad[] = {
        newer,
        Bytes(SampleBasic()).patch32(0, 64),         // length too small
        Bytes(SampleBasic()).patch32(0, 72).u32(0),  // 4 bytes beyond content
        Bytes(SampleBasic()).truncate(66),           // times cut short
        // A short name claiming 10 units with 3 bytes left; a negative string count.
        BasicHead(40).u32(10).u8('a').u8(0).u8('b'),
        BasicHead(44).u32(0x80000000).wstr(u"").wstr(u"").f64(0).f64(0),
    };
    for (const Bytes& bytes : bad) {
        auto kept = CNameObject::CreateObj();
        kept->SetShortName(u"keep");
        CBufferReader r = Reader(bytes);
        EXPECT_EQ(kept->LoadBasicData(r), 0);
        EXPECT_EQ(r.GetPosition(), 0);
        EXPECT_EQ(kept->GetShortName(), CString(u"keep"));
        EXPECT_EQ(kept->GetID(), 0xFFFFFFFFu);
    }
}

// The base level does not judge its version, only its length. The levels above it: the access
// object's rest-data tests pin their bytes and versions.
TEST_F(FrameTest, BaseRestLevelJudgesOnlyItsLength) {
    auto object = CNameObject::CreateObj();
    for (const Bytes& bytes : {Bytes().u32(8).u32(0x7FFFFFFF), Bytes().u32(12).u32(kVersion).u32(0),
                               Bytes().u32(8).u16(2)}) {
        CBufferReader r = Reader(bytes);
        EXPECT_EQ(object->LoadRestData(r, 0), bytes.size() == 8 ? 1 : 0);
        EXPECT_EQ(r.GetPosition(), bytes.size() == 8 ? 8 : 0);
    }
}

TEST_F(FrameTest, LoadDatabaseRestDataVersionRule) {
    auto object = CNameObject::CreateObj();
    struct Case {
        Bytes bytes;
        std::int32_t rowVersion;
        int result;
        int position;
    };
    const Case cases[] = {
        // Below 0x03000100 the raw form is read in place: the reader does not move.
        {Bytes().u32(0x03000000).u32(0xDEAD), 0x030000FF, 1, 0},
        {Bytes().u32(0x03000201), 0x030000FF, 0, 0},
        {BaseRest(), INT_MIN, 1, 0},  // signed: 0x80000000 is an old version
        // From 0x03000100 on: the rest block, then an image section, which must be there.
        {BaseRest().u32(12).u32(kVersion).u32(0), 0x03000100, 1, 20},
        {BaseRest(), 0x03000200, 0, 0},
    };
    for (const Case& c : cases) {
        CBufferReader r = Reader(c.bytes);
        EXPECT_EQ(object->LoadDatabaseRestData(r, c.rowVersion), c.result) << c.rowVersion;
        EXPECT_EQ(r.GetPosition(), c.position) << c.rowVersion;
    }
}

TEST_F(FrameTest, CreateOfBuffer) {
    int result = 123;
    CBufferReader tiny = Reader(Bytes().u8(1).u8(0).u8(0));
    EXPECT_EQ(CNameObject::CreateOfBuffer(tiny, result, 0), nullptr);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(tiny.GetPosition(), 0);

    CBufferReader reader = Reader(SampleFrame());
    auto object = CNameObject::CreateOfBuffer(reader, result, 0);
    ASSERT_NE(object, nullptr);
    EXPECT_EQ(result, 0x09);
    EXPECT_EQ(object->GetShortName(), CString(u"ab"));

    // A frame whose section fails yields no object.
    CBufferReader broken = Reader(Header(1, 7, 3, 0x08, 8).u32(9).u32(kVersion));
    EXPECT_EQ(CNameObject::CreateOfBuffer(broken, result, 0), nullptr);
    EXPECT_EQ(result, 0);
}
