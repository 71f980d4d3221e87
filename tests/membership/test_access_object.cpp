// Access objects: areas, relations with the areas of the store, rest data and the release
// of the ownership cycles at shutdown.
#include "support/Test.h"

namespace {

using IDs = std::set<std::uint32_t>;

class AccessObject : public ReleasesTrackedObjects {};

// An area filed in the store, where the relation code looks areas up.
std::shared_ptr<CArea> FiledArea(std::uint32_t id) {
    auto area = Make<CArea>(id, GetCurrentServerNO());
    GDM_Add(62, id, area->GetServerNO(), area);
    return area;
}

// Counts the rewrites of its row.
class SpyMember : public CAccessObject {
public:
    std::int32_t UpdateRecord() override {
        ++updates;
        return 0;
    }
    int updates = 0;
};

CBufferWriter Words(const std::vector<std::uint32_t>& words) {
    CBufferWriter w;
    for (std::uint32_t word : words) w.Write(word);
    return w;
}

bool InArea(const CArea& area, const CAccessObject& object) {
    return area.GetObjectInArea().count(object.GetObjectUniqueID()) != 0;
}

TEST_F(AccessObject, AreasAndTheFirstArea) {
    auto m = Make<CAccessObject>(1);
    auto a = Make<CArea>(7);
    auto b = Make<CArea>(8);
    m->AddArea(a);
    m->AddArea(b);
    EXPECT_EQ(m->GetAreaID(), (IDs{7, 8}));
    m->RemoveArea(a);
    EXPECT_FALSE(InArea(*a, *m));
    EXPECT_TRUE(InArea(*b, *m));
    EXPECT_EQ(m->GetArea(), (CAccessObject::AreaSet{b}));
    m->RemoveArea(b);
    m->SetAreaID({});

    // Without named areas the first area falls back to area containers, on the server only.
    auto plain = Make<CContainer>(4);
    auto area = Make<CArea>(6);
    ASSERT_EQ(plain->AddObject(m, 0), 0);
    ASSERT_EQ(area->AddObject(m, 0), 0);

    SetIsServerMode(false);
    EXPECT_EQ(m->GetFirstAreaID(), 0u);
    EXPECT_EQ(m->GetFirstArea(), nullptr);
    SetIsServerMode(true);
    EXPECT_EQ(m->GetFirstAreaID(), 6u);
    EXPECT_EQ(m->GetFirstArea(), area);

    auto named = Make<CArea>(9);
    m->SetAreaID({8, 3});
    m->SetArea({named});
    EXPECT_EQ(m->GetFirstAreaID(), 3u);  // named areas come first
    EXPECT_EQ(m->GetFirstArea(), named);
}

TEST_F(AccessObject, RelationsFollowBuildChangeAndDelete) {
    auto a1 = FiledArea(101);
    auto a2 = FiledArea(102);
    auto a3 = FiledArea(103);
    auto m = Track(std::make_shared<SpyMember>());
    m->SetID(5);
    m->SetAreaID({101, 102, 999});

    // Build joins the named areas, forgets the missing one and rewrites the row once.
    m->UpdateObjectRelated(RELATED_OP_BUILD, m, 0xFFFFFFFF, m->GetObjectInitState());
    EXPECT_EQ(m->GetArea(), (CAccessObject::AreaSet{a1, a2}));
    EXPECT_TRUE(InArea(*a2, *m));
    EXPECT_EQ(m->GetAreaID(), (IDs{101, 102}));
    m->InitObjectRelation();  // the same build again: nothing to rewrite
    EXPECT_EQ(m->updates, 1);

    // A change moves between areas only when the rest data changed.
    auto earlier = Make<CAccessObject>(5);
    earlier->SetAreaID({101, 102});
    m->SetAreaID({102, 103});
    m->UpdateObjectRelated(RELATED_OP_CHANGE, earlier, 0xFFFFFFFF, SECTION_BASIC_DATA);
    EXPECT_TRUE(InArea(*a1, *m));
    EXPECT_FALSE(InArea(*a3, *m));
    m->UpdateObjectRelated(RELATED_OP_CHANGE, earlier, 0xFFFFFFFF, SECTION_REST_DATA);
    EXPECT_FALSE(InArea(*a1, *m));
    EXPECT_EQ(m->GetArea(), (CAccessObject::AreaSet{a2, a3}));
    EXPECT_EQ(m->updates, 1);

    // Delete leaves every area but keeps the IDs.
    m->UpdateObjectRelated(RELATED_OP_DELETE, m, 0xFFFFFFFF, m->GetObjectInitState());
    EXPECT_FALSE(InArea(*a2, *m) || InArea(*a3, *m));
    EXPECT_TRUE(m->GetArea().empty());
    EXPECT_EQ(m->GetAreaID(), (IDs{102, 103}));
}

TEST_F(AccessObject, RestDataIsCountAndAscendingIDsAndLoadsEachVersion) {
    auto m = Make<CAccessObject>(1);
    m->SetAreaID({9, 4, 0xFFFFFFFFu});
    CBufferWriter w;
    ASSERT_EQ(m->SaveRestData(w), 1);
    EXPECT_EQ(w.bytes(), Words({32, 8, 0x03000200, 0x03000200, 3, 4, 9, 0xFFFFFFFFu}).bytes());

    m->SetAreaID({3});
    const std::pair<std::vector<std::uint32_t>, IDs> versions[] = {
        {{20, 8, 0x03000200, 0x03000100, 7}, {3, 7}},        // one ID, added
        {{28, 8, 0x03000200, 0x03000200, 2, 9, 1}, {1, 9}},  // a counted list, replacing
        {{16, 8, 0x03000200, 0x03000000}, {1, 9}},           // no areas at all
        {{16, 8, 0x03000200, 0xFFFFFFFF}, {1, 9}}};          // signed: -1 is older too
    for (const auto& [words, expected] : versions) {
        CBufferReader r(Words(words));
        ASSERT_EQ(m->LoadRestData(r, 0), 1);
        EXPECT_EQ(m->GetAreaID(), expected);
    }
}

TEST_F(AccessObject, BadRestDataFailsAndChangesNothing) {
    auto m = Make<CAccessObject>(1);
    m->SetAreaID({3});
    const std::vector<std::vector<std::uint32_t>> bad = {
        {24, 8, 0x03000200, 0x03000201, 1, 9},           // newer than this class
        {24, 8, 0x03000200, 0x03000200, 0x40000000, 9},  // count beyond the bytes
        {24, 8, 0x03000200, 0x03000100, 1, 9},           // length disagrees with the version
        {20, 8, 0x03000200, 0x03000200},                 // count missing
        {28, 8, 0x03000200, 0x03000200, 1, 9},           // length beyond the bytes
    };
    for (const auto& words : bad) {
        CBufferReader r(Words(words));
        EXPECT_EQ(m->LoadRestData(r, 0), 0);
        EXPECT_EQ(r.GetPosition(), 0);
        EXPECT_EQ(m->GetAreaID(), (IDs{3}));
    }

    // The older raw form carries no areas; too short or too new a block fails.
    std::vector<std::uint8_t> raw(16, 0xAB);
    const std::int32_t cases[][4] = {// version, size, result, size afterwards
                                     {0x02000000, 16, 1, 9},
                                     {0x02000000, 8, 0, 8},
                                     {0x03000201, 16, 0, 16}};
    for (const auto& c : cases) {
        std::memcpy(raw.data(), &c[0], 4);
        int size = c[1];
        EXPECT_EQ(m->LoadRestData_V2(raw.data(), &size, c[0]), c[2]) << c[0];
        EXPECT_EQ(size, c[3]);
    }
    EXPECT_EQ(m->GetAreaID(), (IDs{3}));
}

TEST_F(AccessObject, FinalReleaseBreaksEveryOwnershipCycle) {
    std::vector<std::weak_ptr<CNameObject>> weak;
    {
        auto outer = Make<CContainer>(1);
        auto inner = Make<CContainer>(2);
        auto area = Make<CArea>(3);
        auto m = Make<CAccessObject>(4);
        ASSERT_EQ(outer->AddObject(inner, 0), 0);
        ASSERT_EQ(outer->AddObject(m, 0), 0);
        ASSERT_EQ(inner->AddObject(m, 0), 0);
        ASSERT_EQ(area->AddObject(outer, 0), 0);
        m->AddArea(area);
        weak = {outer, inner, area, m};
    }
    ASSERT_FALSE(weak[0].expired());  // the cycles keep every object alive
    for (const auto& w : weak) {
        if (auto object = w.lock()) object->FinalRelease();
    }
    for (const auto& w : weak) EXPECT_TRUE(w.expired());
}

}  // namespace
