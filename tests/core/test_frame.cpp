// The object frame and the base object's sections, checked byte for byte against sequences
// built by hand from the format tables.
#include <gtest/gtest.h>

#include <climits>

#include "ByteBuilder.h"
#include "support/TestInstallation.h"
#include "core/NameObject.h"
#include "core/RestData.h"
#include "platform/Config.h"
#include "registry/ClassRegistry.h"

namespace {

constexpr std::uint32_t kVersion = 0x03000200;

class FrameTest : public ::testing::Test {
protected:
    void SetUp() override { SetIsServerMode(false); }

    void Register() {
        ASSERT_EQ(InitAllClassInfo(CString::FromUtf8(m_installation.dir() + "/")), 1);
    }

    // class 1, ID 7, server 3, attribute 0x10, names "ab", "", "x", times 1.5 and 2.25.
    static std::shared_ptr<CNameObject> Sample() {
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

    // The basic section of Sample(): 28 fixed bytes, strings of 10, 6 and 8 bytes, two times.
    static Bytes SampleBasic() {
        return Bytes()
            .u32(68).u32(kVersion).u32(1).u32(7).u32(3).u32(0x10).u32(0)
            .wstr(u"ab").wstr(u"").wstr(u"x")
            .f64(1.5).f64(2.25);
    }
    static Bytes BaseRest() { return Bytes().u32(8).u32(kVersion); }
    static Bytes Header(std::uint32_t cls, std::uint32_t id, std::uint32_t server,
                        std::uint32_t mask, std::uint32_t length) {
        return Bytes().u32(cls).u32(id).u32(server).u32(mask).u32(length);
    }

    TestInstallation m_installation;
};

// LoadBasicData on `bytes` must fail, leave the reader at the section start and the object
// as it was.
void ExpectBasicRejected(const Bytes& bytes) {
    auto object = CNameObject::CreateObj();
    object->SetShortName(u"keep");
    object->SetID(99);
    CBufferReader reader(bytes.data(), bytes.size());
    EXPECT_EQ(object->LoadBasicData(reader), 0);
    EXPECT_EQ(reader.GetPosition(), 0);
    EXPECT_EQ(object->GetShortName(), CString(u"keep"));
    EXPECT_EQ(object->GetID(), 99u);
}

}  // namespace

TEST_F(FrameTest, BasicSectionAndBaseRestBlockBytes) {
    auto object = Sample();
    CBufferWriter basic;
    EXPECT_EQ(object->SaveBasicData(basic), 1);
    EXPECT_EQ(basic.bytes(), SampleBasic().vec());

    // The database rest form is the version word alone.
    CBufferWriter dbRest;
    EXPECT_EQ(object->SaveDatabaseRestData(dbRest), 1);
    const std::vector<std::uint8_t> expectedDbRest = {0x00, 0x02, 0x00, 0x03};
    EXPECT_EQ(dbRest.bytes(), expectedDbRest);
}

TEST_F(FrameTest, BasicSectionStoresTheVirtualPrivateData) {
    struct Private : CNameObject {
        std::uint32_t GetPrivateData() override { return 0xCAFEF00D; }
    };
    auto object = std::make_shared<Private>();
    CBufferWriter writer;
    object->SaveBasicData(writer);
    ASSERT_GE(writer.GetLength(), 28);
    const Bytes word = Bytes().u32(0xCAFEF00D);
    EXPECT_EQ(BytesOf(writer.GetData() + 24, 4), word.vec());
}

TEST_F(FrameTest, SaveDataFrames) {
    auto object = Sample();
    CBufferWriter empty;
    EXPECT_EQ(object->SaveData(empty, 0), 0x00FFFFFF);
    const std::vector<std::uint8_t> expectedEmpty = {1, 0, 0, 0, 7, 0, 0, 0, 3, 0, 0, 0,
                                                     0, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(empty.bytes(), expectedEmpty);

    CBufferWriter frame;
    EXPECT_EQ(object->SaveData(frame, SECTION_BASIC_DATA | SECTION_REST_DATA), 0x09);
    const Bytes expected = Header(1, 7, 3, 0x09, 76).append(SampleBasic()).append(BaseRest());
    EXPECT_EQ(frame.bytes(), expected.vec());

    // Every section, in order; the header's mask and length are back-patched.
    CBufferWriter whole;
    EXPECT_EQ(object->SaveData(whole, SECTION_WHOLE_OBJECT), 0x3F);
    ASSERT_GE(whole.GetLength(), 20);
    EXPECT_EQ(BytesOf(whole.GetData() + 12, 8),
              Bytes().u32(0x3F).u32(whole.GetLength() - 20).vec());
    EXPECT_EQ(BytesOf(whole.GetData() + 20, 68), SampleBasic().vec());

    // A frame appended after earlier content patches its own header only.
    CBufferWriter appended;
    appended.Write(std::uint32_t{0xEEEEEEEE});
    EXPECT_EQ(object->SaveData(appended, SECTION_REST_DATA), 0x08);
    const Bytes expectedAppended =
        Bytes().u32(0xEEEEEEEE).append(Header(1, 7, 3, 0x08, 8)).append(BaseRest());
    EXPECT_EQ(appended.bytes(), expectedAppended.vec());
}

TEST_F(FrameTest, LoadDataOfHandBuiltFrames) {
    Register();
    // Mask 0: the key comes from the header, nothing else is read.
    const Bytes bare = Header(1, 42, 5, 0, 0);
    auto object = CNameObject::CreateObj();
    CBufferReader bareReader(bare.data(), bare.size());
    EXPECT_EQ(object->LoadData(bareReader, SECTION_WHOLE_OBJECT, 0), 0x00FFFFFF);
    EXPECT_EQ(object->GetObjectUniqueID(), MJOBJECT_KEY(1, 42, 5));
    EXPECT_EQ(object->GetObjectInitState(), 0u);
    EXPECT_EQ(bareReader.GetPosition(), 20);

    // Basic and rest data, followed by bytes that belong to someone else.
    const Bytes frame = Header(1, 7, 3, 0x09, 76).append(SampleBasic()).append(BaseRest()).u32(0xABCD);
    auto loaded = CNameObject::CreateObj();
    CBufferReader reader(frame.data(), frame.size());
    EXPECT_EQ(loaded->LoadData(reader, SECTION_WHOLE_OBJECT, 0), 0x09);
    EXPECT_EQ(reader.GetPosition(), frame.size() - 4);
    CBufferWriter again;  // every basic field arrived: it writes the same section back
    loaded->SaveBasicData(again);
    EXPECT_EQ(again.bytes(), SampleBasic().vec());

    // Only basic requested: rest data is still read and applied, but not reported.
    auto partial = CNameObject::CreateObj();
    CBufferReader partialReader(frame.data(), frame.size());
    EXPECT_EQ(partial->LoadData(partialReader, SECTION_BASIC_DATA, 0), 0x01);
    EXPECT_EQ(partialReader.GetPosition(), frame.size() - 4);
    EXPECT_EQ(partial->GetObjectInitState(), 0x09u);

    // An image section that was not requested is skipped whole; no requested bit present.
    const Bytes images = Header(1, 8, 0, 0x10, 16).u32(16).u32(0xFFFFFFFF).u64(0x1122334455667788);
    auto skipper = CNameObject::CreateObj();
    CBufferReader imageReader(images.data(), images.size());
    EXPECT_EQ(skipper->LoadData(imageReader, SECTION_BASIC_DATA, 0), 0x00FFFFFF);
    EXPECT_EQ(imageReader.GetPosition(), images.size());
    EXPECT_EQ(skipper->GetID(), 8u);
}

TEST_F(FrameTest, LoadDataRefusesShortHeadersAndUnknownClasses) {
    Register();
    auto object = CNameObject::CreateObj();
    const Bytes shortHeader = Header(1, 2, 3, 0, 0).truncate(19);
    CBufferReader shortReader(shortHeader.data(), shortHeader.size());
    EXPECT_EQ(object->LoadData(shortReader, SECTION_WHOLE_OBJECT, 0), 0);
    EXPECT_EQ(shortReader.GetPosition(), 0);

    const Bytes unknown = Header(0x7FFF0001, 2, 3, 0, 0);
    CBufferReader unknownReader(unknown.data(), unknown.size());
    EXPECT_EQ(object->LoadData(unknownReader, SECTION_WHOLE_OBJECT, 0), 0);
    EXPECT_EQ(unknownReader.GetPosition(), 20);
    EXPECT_EQ(object->GetID(), 0xFFFFFFFFu);
}

TEST_F(FrameTest, BasicSectionVersions) {
    Register();
    Bytes older = SampleBasic();
    older.patch32(4, 0x03000100);
    auto object = CNameObject::CreateObj();
    CBufferReader olderReader(older.data(), older.size());
    EXPECT_EQ(object->LoadBasicData(olderReader), 1);
    EXPECT_EQ(object->GetShortName(), CString(u"ab"));

    Bytes newer = SampleBasic();
    newer.patch32(4, 0x03000201);
    ExpectBasicRejected(newer);

    // Inside a frame the failing section leaves the reader at its own start.
    const Bytes frame = Header(1, 7, 3, 0x01, 68).append(newer);
    auto target = CNameObject::CreateObj();
    CBufferReader frameReader(frame.data(), frame.size());
    EXPECT_EQ(target->LoadData(frameReader, SECTION_WHOLE_OBJECT, 0), 0);
    EXPECT_EQ(frameReader.GetPosition(), 20);
    EXPECT_EQ(target->GetObjectInitState(), 0u);
}

TEST_F(FrameTest, CorruptedBasicSectionsAreRejected) {
    ExpectBasicRejected(Bytes(SampleBasic()).patch32(0, 64));          // length too small
    ExpectBasicRejected(Bytes(SampleBasic()).patch32(0, 72).u32(0));   // 4 bytes beyond content
    ExpectBasicRejected(Bytes(SampleBasic()).truncate(66));            // times cut short
    // A short name claiming 10 units with 3 bytes left.
    ExpectBasicRejected(Bytes().u32(40).u32(kVersion).u32(1).u32(7).u32(3).u32(0).u32(0)
                            .u32(10).u8('a').u8(0).u8('b'));
    // A negative string count.
    ExpectBasicRejected(Bytes().u32(44).u32(kVersion).u32(1).u32(7).u32(3).u32(0).u32(0)
                            .u32(0x80000000).wstr(u"").wstr(u"").f64(0).f64(0));
}

TEST_F(FrameTest, StringWithCountZeroKeepsTheField) {
    const Bytes section = Bytes()
        .u32(60).u32(kVersion).u32(1).u32(7).u32(3).u32(0).u32(0)
        .u32(0).u32(0).wstr(u"d").f64(0).f64(0);
    auto object = CNameObject::CreateObj();
    object->SetShortName(u"short");
    object->SetFullName(u"full");
    CBufferReader reader(section.data(), section.size());
    EXPECT_EQ(object->LoadBasicData(reader), 1);
    EXPECT_EQ(object->GetShortName(), CString(u"short"));
    EXPECT_EQ(object->GetFullName(), CString(u"full"));
    EXPECT_EQ(object->GetDescription(), CString(u"d"));
}

TEST_F(FrameTest, BaseRestBlock) {
    auto object = CNameObject::CreateObj();
    // The base level does not judge its version, only its length.
    const Bytes future = Bytes().u32(8).u32(0x7FFFFFFF);
    CBufferReader futureReader(future.data(), future.size());
    EXPECT_EQ(object->LoadRestData(futureReader, 0), 1);

    const Bytes longer = Bytes().u32(12).u32(kVersion).u32(0);
    CBufferReader longerReader(longer.data(), longer.size());
    EXPECT_EQ(object->LoadRestData(longerReader, 0), 0);
    EXPECT_EQ(longerReader.GetPosition(), 0);

    const Bytes truncated = Bytes().u32(8).u16(2);
    CBufferReader truncatedReader(truncated.data(), truncated.size());
    EXPECT_EQ(object->LoadRestData(truncatedReader, 0), 0);
    EXPECT_EQ(truncatedReader.GetPosition(), 0);
}

TEST_F(FrameTest, RestLevelNesting) {
    auto object = CNameObject::CreateObj();
    auto saveBase = [&](CBufferWriter& w) { return object->SaveRestData(w); };
    CBufferWriter writer;
    EXPECT_EQ(SaveRestLevel(writer, saveBase, 0x03000100,
                            [](CBufferWriter& w) { return w.Write(std::uint32_t{0xAABBCCDD}); }),
              1);
    const Bytes expected = Bytes().u32(20).append(BaseRest()).u32(0x03000100).u32(0xAABBCCDD);
    EXPECT_EQ(writer.bytes(), expected.vec());

    auto loadBase = [&](CBufferReader& r) { return object->LoadRestData(r, 0); };
    std::int32_t seenVersion = 0;
    std::uint32_t field = 0;
    auto loadFields = [&](CBufferReader& r, std::int32_t version) {
        seenVersion = version;
        return r.Read(field);
    };
    CBufferReader reader(expected.data(), expected.size());
    EXPECT_EQ(LoadRestLevel(reader, loadBase, 0x03000100, loadFields), 1);
    EXPECT_EQ(seenVersion, 0x03000100);
    EXPECT_EQ(field, 0xAABBCCDDu);
    EXPECT_EQ(reader.GetPosition(), 20);

    // A version newer than the class's own fails; an older one (signed: -1 is older) reads.
    CBufferReader newer(expected.data(), expected.size());
    EXPECT_EQ(LoadRestLevel(newer, loadBase, 0x030000FF, loadFields), 0);
    EXPECT_EQ(newer.GetPosition(), 0);
    const Bytes negative = Bytes().u32(20).append(BaseRest()).u32(0xFFFFFFFF).u32(1);
    CBufferReader negativeReader(negative.data(), negative.size());
    EXPECT_EQ(LoadRestLevel(negativeReader, loadBase, 0x03000100, loadFields), 1);
    EXPECT_EQ(seenVersion, -1);

    // The length must match what the level consumed.
    const Bytes shortLength = Bytes(expected).patch32(0, 16);
    CBufferReader shortReader(shortLength.data(), shortLength.size());
    EXPECT_EQ(LoadRestLevel(shortReader, loadBase, 0x03000100, loadFields), 0);
    EXPECT_EQ(shortReader.GetPosition(), 0);
}

TEST_F(FrameTest, RawAdaptersSizeProtocol) {
    Register();
    auto object = Sample();
    int size = 0;
    EXPECT_EQ(object->SaveData(nullptr, &size, 0), 0);
    EXPECT_EQ(size, 20);
    std::uint8_t buffer[200];
    size = sizeof(buffer);
    EXPECT_EQ(object->SaveData(buffer, &size, SECTION_BASIC_DATA | SECTION_REST_DATA), 0x09);
    EXPECT_EQ(size, 96);
    EXPECT_EQ(BytesOf(buffer, size),
              Header(1, 7, 3, 0x09, 76).append(SampleBasic()).append(BaseRest()).vec());
    EXPECT_EQ(object->SaveData(buffer, nullptr, 0), 0);

    // Loading reports the bytes consumed; trailing bytes are not touched.
    const Bytes frame = Header(1, 7, 3, 0x09, 76).append(SampleBasic()).append(BaseRest()).u32(0);
    auto loaded = CNameObject::CreateObj();
    size = frame.size();
    EXPECT_EQ(loaded->LoadData(frame.data(), &size, SECTION_WHOLE_OBJECT, 0), 0x09);
    EXPECT_EQ(size, 96);

    size = 50;  // cut inside the basic section: failure leaves size alone
    EXPECT_EQ(loaded->LoadData(frame.data(), &size, SECTION_WHOLE_OBJECT, 0), 0);
    EXPECT_EQ(size, 50);
    EXPECT_EQ(loaded->LoadData(nullptr, &size, SECTION_WHOLE_OBJECT, 0), 0);
    EXPECT_EQ(loaded->LoadData(frame.data(), nullptr, SECTION_WHOLE_OBJECT, 0), 0);
}

TEST_F(FrameTest, LoadDatabaseRestDataVersionRule) {
    auto object = CNameObject::CreateObj();
    // Below 0x03000100 the raw form is read in place: the reader does not move.
    const Bytes raw = Bytes().u32(0x03000000).u32(0xDEAD);
    CBufferReader rawReader(raw.data(), raw.size());
    EXPECT_EQ(object->LoadDatabaseRestData(rawReader, 0x030000FF), 1);
    EXPECT_EQ(rawReader.GetPosition(), 0);

    const Bytes rawTooNew = Bytes().u32(0x03000201);
    CBufferReader tooNewReader(rawTooNew.data(), rawTooNew.size());
    EXPECT_EQ(object->LoadDatabaseRestData(tooNewReader, 0x030000FF), 0);

    // The comparison is signed: 0x80000000 is an old version.
    const Bytes rest = BaseRest();
    CBufferReader signedReader(rest.data(), rest.size());
    EXPECT_EQ(object->LoadDatabaseRestData(signedReader, INT_MIN), 1);
    EXPECT_EQ(signedReader.GetPosition(), 0);

    // From 0x03000100 on: the rest block, then an image section.
    const Bytes current = BaseRest().u32(12).u32(kVersion).u32(0);
    CBufferReader currentReader(current.data(), current.size());
    EXPECT_EQ(object->LoadDatabaseRestData(currentReader, 0x03000100), 1);
    EXPECT_EQ(currentReader.GetPosition(), 20);

    // Without its image section the row fails and the reader goes back.
    CBufferReader noImages(rest.data(), rest.size());
    EXPECT_EQ(object->LoadDatabaseRestData(noImages, 0x03000200), 0);
    EXPECT_EQ(noImages.GetPosition(), 0);
}

TEST_F(FrameTest, LoadRestDataV2Base) {
    auto object = CNameObject::CreateObj();
    const Bytes raw = Bytes().u32(0x03000200).u32(0x12345678);
    int size = raw.size();
    EXPECT_EQ(object->LoadRestData_V2(raw.data(), &size, 0x02000000), 1);
    EXPECT_EQ(size, 4);
    size = 3;
    EXPECT_EQ(object->LoadRestData_V2(raw.data(), &size, 0x02000000), 0);
    EXPECT_EQ(size, 3);
    EXPECT_EQ(object->LoadRestData_V2(nullptr, &size, 0), 0);
}

TEST_F(FrameTest, CreateOfBuffer) {
    Register();
    int result = 123;
    const Bytes tiny = Bytes().u8(1).u8(0).u8(0);
    CBufferReader tinyReader(tiny.data(), tiny.size());
    EXPECT_EQ(CNameObject::CreateOfBuffer(tinyReader, result, 0), nullptr);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(tinyReader.GetPosition(), 0);

    const Bytes frame = Header(1, 7, 3, 0x09, 76).append(SampleBasic()).append(BaseRest());
    CBufferReader reader(frame.data(), frame.size());
    auto object = CNameObject::CreateOfBuffer(reader, result, 0);
    ASSERT_NE(object, nullptr);
    EXPECT_EQ(result, 0x09);
    EXPECT_EQ(object->GetShortName(), CString(u"ab"));

    // A frame whose section fails yields no object.
    const Bytes broken = Header(1, 7, 3, 0x08, 8).u32(9).u32(kVersion);
    CBufferReader brokenReader(broken.data(), broken.size());
    EXPECT_EQ(CNameObject::CreateOfBuffer(brokenReader, result, 0), nullptr);
    EXPECT_EQ(result, 0);
}
