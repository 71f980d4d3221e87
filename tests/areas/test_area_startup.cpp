// A whole start-up of an installation with areas, groups and alarm-bearing objects: a forked
// process writes it, this one loads it through the start-up sequence; every area and group
// has its full count once. (The areas' rest data across processes is the round-trip test's.)
//
//   A ── B ── area 1 ── x (350), h (73)
//     ── area 2 ── x, y (350)
#include "areas/AreaFixture.h"

namespace {

// A new object that receives its ID from this server when inserted.
template <class T>
std::shared_ptr<T> Local(std::shared_ptr<T> object, const char16_t* name = u"") {
    object->SetID(0xFFFFFFFF);
    object->SetServerNO(GetCurrentServerNO());
    object->SetFullName(name);
    return object;
}

class AreaStartup : public AreaTest {
protected:
    // The writing process: returns an exit code, 0 on success.
    int Write() {
        if (InitLocalObjectID() != 1) return 2;
        auto a = Local(Make<CAreaGroup>(0), u"A"), b = Local(Make<CAreaGroup>(0), u"B");
        auto area1 = Local(Make<CArea>(0), u"area 1"), area2 = Local(Make<CArea>(0), u"area 2");
        auto x = Local(Alarm(350, 0, 1)), y = Local(Alarm(350, 0, 20)),
             h = Local(Alarm(73, 0, 100));
        for (auto& o : std::vector<std::shared_ptr<CNameObject>>{x, y, h, b, a}) {
            if (CNameObject::InsertObject(o) != 0) return 3;
        }
        for (auto& o : {area1, area2}) {
            if (CArea::InsertObject(o) != 0) return 4;
        }
        const std::pair<std::shared_ptr<CContainer>, std::shared_ptr<CAccessObject>> rows[] = {
            {area1, x}, {area1, h}, {area2, x}, {area2, y}, {b, area1}, {a, b}, {a, area2}};
        for (auto& [container, member] : rows) {
            if (container->AddObject(member, 1) != 0) return 5;
        }
        return 0;
    }
};

TEST_F(AreaStartup, AFreshLoaderCountsEveryAreaAndGroupOnce) {
    ASSERT_EQ(0, RunInChild([this] { return Write(); })) << "the writing process failed";

    ASSERT_EQ(1, InitAllObject());
    ASSERT_EQ(1, InitContainer(nullptr, nullptr));
    client.calls.clear();
    ASSERT_EQ(1, InitAllObjectRelation());
    // Each group reports each of its fifteen counters once: no area pushed into it.
    EXPECT_EQ(30, client.Count("prop 3f,"));

    std::map<std::string, int> totals;
    for (std::uint32_t cls : {62u, 63u}) {
        for (auto& [id, o] : GDM_GetMapCopy(cls, GetCurrentServerNO())) {
            const std::uint32_t first =
                cls == 62 ? kAreaCounterProperty : kAreaGroupCounterProperty;
            totals[o->GetFullName().ToUtf8()] =
                static_cast<int>(o->GetInt32Property(cls, first, 0));
        }
    }
    // x = 1, y = 20, h = 100; x lies in both areas, h counts for the groups only.
    EXPECT_EQ((std::map<std::string, int>{{"A", 121}, {"B", 101}, {"area 1", 1}, {"area 2", 21}}),
              totals);
}

}  // namespace
