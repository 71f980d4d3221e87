// The base object: lazy loading and merging.
#include "support/Test.h"

namespace {

// Counts the lazy loaders and lets a test decide whether they succeed.
class LazyObject : public CNameObject {
public:
    int LoadFromDatabase_LoadImage() override {
        ++imageCalls;
        return imageOk;
    }
    int LoadFromDatabase_LoadResData() override {
        ++restCalls;
        return restOk;
    }
    int LoadFromDatabase_LoadExtData() override {
        ++extCalls;
        return extOk;
    }

    int imageCalls = 0, restCalls = 0, extCalls = 0;
    int imageOk = 1, restOk = 1, extOk = 1;
};

}  // namespace

TEST(NameObject, LazyLoadingFetchesOnlyMissingSections) {
    SetIsServerMode(false);
    LazyObject object;
    // Basic, attribute and property sections are never fetched lazily.
    EXPECT_EQ(object.LoadDataFromDatabase(SECTION_BASIC_DATA | SECTION_EXT_ATTRIBUTE |
                                          SECTION_EXT_PROPERTY),
              1);
    EXPECT_EQ(object.imageCalls + object.restCalls + object.extCalls, 0);
    EXPECT_EQ(object.GetObjectInitState(), 0u);

    // A failing step keeps its bit clear and makes the call report 0; the others still load.
    object.imageOk = 0;
    EXPECT_EQ(object.LoadDataFromDatabase(SECTION_WHOLE_OBJECT), 0);
    EXPECT_EQ(object.GetObjectInitState(),
              static_cast<std::uint32_t>(SECTION_REST_DATA | SECTION_EXT_DATA));

    // A later call retries only what is still missing.
    object.imageOk = 1;
    EXPECT_EQ(object.LoadDataFromDatabase(SECTION_WHOLE_OBJECT), 1);
    EXPECT_EQ(object.imageCalls, 2);
    EXPECT_EQ(object.restCalls, 1);
    EXPECT_EQ(object.extCalls, 1);
    EXPECT_EQ(object.GetObjectInitState(), 0x1Au);
}

TEST(NameObject, OnObjectChangeMergesBasicFields) {
    SetIsServerMode(false);
    auto live = CNameObject::CreateObj();
    live->SetID(4);
    live->SetShortName(u"old");
    live->SetServerNO(1);
    auto incoming = CNameObject::CreateObj();
    incoming->SetID(4);
    incoming->SetShortName(u"new");
    incoming->SetDescription(u"text");
    incoming->SetAttribute(0x20u);
    incoming->SetServerNO(2);
    incoming->SetModifyTime(COleDateTime(9.0));

    // Without the basic bit nothing is compared.
    std::uint32_t changed = 0;
    EXPECT_EQ(live->OnObjectChange(incoming, changed, SECTION_REST_DATA), 0);
    EXPECT_EQ(changed, 0u);
    EXPECT_EQ(live->GetShortName(), CString(u"old"));

    EXPECT_EQ(live->OnObjectChange(incoming, changed, SECTION_BASIC_DATA), 0);
    EXPECT_EQ(changed, static_cast<std::uint32_t>(SECTION_BASIC_DATA));
    EXPECT_EQ(live->GetShortName(), CString(u"new"));
    EXPECT_EQ(live->GetDescription(), CString(u"text"));
    EXPECT_EQ(live->GetAttribute(), 0x20u);
    // Server number and times are neither compared nor copied.
    EXPECT_EQ(live->GetServerNO(), 1u);
    EXPECT_EQ(live->GetModifyTime(), COleDateTime(0.0));

    EXPECT_EQ(live->OnObjectChange(nullptr, changed, SECTION_WHOLE_OBJECT), E_OBJECT_NULL);

    // Every changed section is reported.
    incoming->AddAttribute(1, 0x07001001);
    incoming->ExtData_Set(u"Field", 5);
    changed = 0;
    EXPECT_EQ(live->OnObjectChange(incoming, changed, SECTION_ALL), 0);
    EXPECT_EQ(changed, static_cast<std::uint32_t>(SECTION_EXT_ATTRIBUTE | SECTION_EXT_DATA));
}
