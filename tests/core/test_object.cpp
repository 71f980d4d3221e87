// The base object: construction, lazy loading, images in memory, cloning and merging.
#include <gtest/gtest.h>

#include "core/NameObject.h"
#include "membership/RelationIndex.h"
#include "platform/Config.h"
#include "platform/Database.h"
#include "registry/ClassRegistry.h"
#include "support/TestInstallation.h"

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

// Names objects of class 500 in its parameters.
class RelatedObject : public CNameObject {
public:
    void GetRelativeObjectClassID(std::set<std::uint32_t>& classIDs) override {
        classIDs.insert(500);
    }
    void GetRelativeObject(std::uint32_t classID, std::set<std::uint32_t>& ids) override {
        if (classID == 500) ids = related;
    }
    std::set<std::uint32_t> related{11, 12};
};

COleDateTime Day(double d) { return COleDateTime(d); }

}  // namespace

TEST(NameObject, ConstructionTakesTheServerNumberInServerMode) {
    SetIsServerMode(false);
    auto client = CNameObject::CreateObj();
    EXPECT_EQ(MJOBJECT_KEY(1, 0xFFFFFFFF, 0), client->GetObjectUniqueID());
    EXPECT_EQ(client->GetAttribute(), 0xFFFFFFFFu);
    EXPECT_EQ(client->GetObjectInitState(), 0u);

    TestInstallation installation;
    installation.Connect();
    ASSERT_NE(GetDatabase()->Execute("INSERT INTO ServerOption VALUES (3145728, -1048576)"), 0);
    SetIsServerMode(true);
    auto object = CNameObject::CreateObj();
    EXPECT_EQ(object->GetServerNO(), 0x00300000u);
    EXPECT_EQ(object->GetObjectInitState(), static_cast<std::uint32_t>(SECTION_WHOLE_OBJECT));
}

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

    // The base object's own image loader needs a database; it has no rest data to fetch.
    auto plain = CNameObject::CreateObj();
    ASSERT_EQ(GetDatabase(), nullptr);
    EXPECT_EQ(plain->LoadDataFromDatabase(SECTION_OBJECT_IMAGE | SECTION_REST_DATA), 0);
    EXPECT_EQ(plain->GetObjectInitState(), static_cast<std::uint32_t>(SECTION_REST_DATA));
}

TEST(NameObject, FreePhotoMemory) {
    SetIsServerMode(false);
    CBufferWriter photo;
    photo.Write(std::uint32_t{0x01020304});

    // Images never loaded: nothing changes.
    auto notLoaded = CNameObject::CreateObj();
    notLoaded->SetPhotoImage(1, Day(2.0), photo);
    notLoaded->FreePhotoMemory(SECTION_OBJECT_IMAGE);
    EXPECT_EQ(notLoaded->GetAllImageInfo().size(), 1u);
    EXPECT_EQ(notLoaded->GetObjectInitState(), 0u);

    auto loaded = CNameObject::CreateObj();
    loaded->SetObjectInitState(SECTION_OBJECT_IMAGE | SECTION_BASIC_DATA);
    loaded->SetPhotoImage(1, Day(2.0), photo);
    loaded->FreePhotoMemory(SECTION_BASIC_DATA);  // not asked for images
    EXPECT_EQ(loaded->GetAllImageInfo().size(), 1u);
    loaded->FreePhotoMemory(SECTION_WHOLE_OBJECT);
    EXPECT_TRUE(loaded->GetAllImageInfo().empty());
    EXPECT_EQ(loaded->GetObjectInitState(), static_cast<std::uint32_t>(SECTION_BASIC_DATA));
}

TEST(NameObject, CloneCopiesTheRequestedSections) {
    SetIsServerMode(false);
    TestInstallation installation;
    ASSERT_EQ(InitAllClassInfo(CString::FromUtf8(installation.dir() + "/")), 1);

    auto object = CNameObject::CreateObj();
    object->SetID(5);
    object->SetShortName(u"door");
    object->AddAttribute(2, 3);
    object->SetProperty(1, 1, _variant_t(7, VT_I4));
    auto copy = object->Clone(SECTION_BASIC_DATA | SECTION_EXT_ATTRIBUTE);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->GetID(), 5u);
    EXPECT_EQ(copy->GetShortName(), CString(u"door"));
    EXPECT_EQ(copy->TestAttribute(2, 3), 1);
    EXPECT_TRUE(copy->GetObjectProperty().empty());
    EXPECT_EQ(copy->GetObjectInitState(), 0x05u);

    object->SetClassID(0x7FFF0001);
    EXPECT_EQ(object->Clone(SECTION_WHOLE_OBJECT), nullptr);
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
    incoming->SetModifyTime(Day(9.0));

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

    // Once equal, nothing more changes.
    changed = 0;
    EXPECT_EQ(live->OnObjectChange(incoming, changed, SECTION_WHOLE_OBJECT), 0);
    EXPECT_EQ(changed, 0u);

    EXPECT_EQ(live->OnObjectChange(nullptr, changed, SECTION_WHOLE_OBJECT), E_OBJECT_NULL);

    // Every changed section is reported.
    incoming->AddAttribute(1, 0x07001001);
    incoming->ExtData_Set(u"Field", 5);
    changed = 0;
    EXPECT_EQ(live->OnObjectChange(incoming, changed, SECTION_ALL), 0);
    EXPECT_EQ(changed, static_cast<std::uint32_t>(SECTION_EXT_ATTRIBUTE | SECTION_EXT_DATA));
}

TEST(NameObject, RelationsFollowTheParameters) {
    SetIsServerMode(false);
    EXPECT_EQ(CNameObject::CreateObj()->IsRelativeObject(500, 11), 0);

    auto related = std::make_shared<RelatedObject>();
    related->SetID(77);
    EXPECT_EQ(related->IsRelativeObject(500, 11), 1);
    auto* index = CObjectParamRelatedObjectManager::GetInstance();
    const MJOBJECT_KEY key = related->GetObjectUniqueID();
    EXPECT_EQ(related->OnAfterObjectInsert(), 0);
    EXPECT_EQ(index->GetObjectParamRelatedObject(500, key), (std::set<std::uint32_t>{11, 12}));

    related->related = {13};
    related->UpdateObjectRelated(RELATED_OP_CHANGE, related, 0xFFFFFFFF, SECTION_ALL);
    EXPECT_EQ(index->GetObjectParamRelatedObject(500, key), (std::set<std::uint32_t>{13}));
    related->UpdateObjectRelated(RELATED_OP_DELETE, related, 0xFFFFFFFF, SECTION_ALL);
    EXPECT_TRUE(index->GetObjectParamRelatedObject(500, key).empty());
}
