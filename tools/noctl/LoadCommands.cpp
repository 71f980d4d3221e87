// noctl's commands over a loaded installation: sample (a small site), load (the start-up
// sequence with its figures) and tree (the containment tree).
#include <chrono>
#include <cstdio>
#include <map>
#include <set>

#include "Context.h"
#include "nameobject.h"

namespace {

template <class T>
std::shared_ptr<T> New(const char16_t* fullName) {
    auto object = std::dynamic_pointer_cast<T>(T::CreateObj());
    if (object) object->SetFullName(fullName);
    return object;
}

// A small installation: the server object, a site (area group) with two areas, a container,
// and some access objects placed in areas and the container.
int RunSample(const Context& ctx) {
    if (int rc = ctx.OpenClasses()) return rc;
    InitLocalObjectID();
    std::vector<std::pair<std::shared_ptr<CContainer>, std::shared_ptr<CAccessObject>>> links;
    auto server = std::dynamic_pointer_cast<CContainer>(CreateNewObject(0));
    if (server) {
        server->SetID(GetCurrentServerID());
        server->SetFullName(u"Server");
        if (std::int32_t rc = CNameObject::InsertObject(server))
            return Refused("cannot store the server object", rc);
    }
    auto site = New<CAreaGroup>(u"Site");
    auto hall = New<CArea>(u"Hall");
    auto office = New<CArea>(u"Office");
    auto staff = New<CContainer>(u"Staff");
    for (const auto& o : std::vector<std::shared_ptr<CNameObject>>{site, hall, office, staff}) {
        if (std::int32_t rc = CNameObject::InsertObject(o))
            return Refused("cannot store a sample object", rc);
    }
    if (server) links.push_back({server, site});
    links.push_back({site, hall});
    links.push_back({site, office});
    links.push_back({hall, staff});
    const char16_t* names[] = {u"Entrance door", u"Stair door", u"Office door", u"Reader 1",
                               u"Reader 2"};
    int i = 0;
    for (const char16_t* name : names) {
        auto o = New<CAccessObject>(name);
        o->GetAreaID().insert((i++ % 2 ? office : hall)->GetID());
        if (std::int32_t rc = CNameObject::InsertObject(o))
            return Refused("cannot store a sample object", rc);
        links.push_back({staff, o});
    }
    for (auto& [container, member] : links) {
        if (std::int32_t rc = container->AddObject(member, 1))
            return Refused("cannot store a membership", rc);
    }
    SaveObjectIDToDatabase();
    std::printf("added %zu objects and %zu memberships\n", 4 + std::size(names) + (server ? 1 : 0),
                links.size());
    return Finish(kExitOk);
}

// Calls visit for every loaded object once (the store files derived objects under their
// ancestors' class IDs too).
void ForEachLoaded(const std::function<void(const std::shared_ptr<CNameObject>&)>& visit) {
    for (auto& [serverNO, classes] : *GDM_GetServerObjMap()) {
        for (auto& [classID, ids] : classes) {
            for (auto& [id, object] : ids) {
                if (object && object->GetObjectClassID() == classID) visit(object);
            }
        }
    }
}

int RunLoad(const Context& ctx) {
    const auto start = std::chrono::steady_clock::now();
    std::set<std::uint64_t> missingContainers, missingMembers;
    {
        Progress progress("load");
        if (int rc = ctx.StartUp(&missingContainers, &missingMembers, &progress)) return rc;
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

    std::map<unsigned int, int> perClass;
    int objects = 0, containers = 0, memberships = 0;
    ForEachLoaded([&](const std::shared_ptr<CNameObject>& object) {
        ++perClass[object->GetObjectClassID()];
        ++objects;
        if (auto c = std::dynamic_pointer_cast<CContainer>(object)) {
            ++containers;
            memberships += c->GetObjectCount();
        }
    });
    auto keys = [](const std::set<std::uint64_t>& set) {
        std::vector<std::string> out;
        for (std::uint64_t k : set)
            out.push_back(
                StrPrintf("%u:%u", static_cast<unsigned>(k >> 32), static_cast<unsigned>(k)));
        return out;
    };
    if (ctx.json) {
        Json classes = Json::array();
        for (auto& [classID, count] : perClass)
            classes.push_back(
                {{"class", classID}, {"name", ClassName(classID)}, {"objects", count}});
        PrintJson({{"classes", classes},
                   {"objects", objects},
                   {"containers", containers},
                   {"memberships", memberships},
                   {"missingContainers", keys(missingContainers)},
                   {"missingMembers", keys(missingMembers)},
                   {"seconds", seconds}});
        return Finish(kExitOk);
    }
    std::printf("%-8s %-26s %s\n", "class", "name", "objects");
    for (auto& [classID, count] : perClass)
        std::printf("%-8u %-26s %d\n", classID, ClassName(classID).c_str(), count);
    std::printf("objects %d, containers %d, memberships %d\n", objects, containers, memberships);
    for (const auto& [what, set] :
         {std::pair{"containers", &missingContainers}, std::pair{"members", &missingMembers}}) {
        std::printf("missing %s: %zu", what, set->size());
        for (const std::string& k : keys(*set)) std::printf(" %s", k.c_str());
        std::printf("\n");
    }
    std::printf("start-up time %.3f s\n", seconds);
    return Finish(kExitOk);
}

struct TreeArgs {
    int depth = -1;        // unlimited
    int classFilter = -1;  // every class
};

// " [total alarms N]" for areas and area groups; -1 for other objects.
int AlarmTotal(const CNameObject& object) {
    if (const auto* area = dynamic_cast<const CArea*>(&object)) return area->GetTotalAlarmCount();
    if (const auto* group = dynamic_cast<const CAreaGroup*>(&object))
        return group->GetTotalAlarmCount();
    return -1;
}

int RunTree(const Context& ctx, const TreeArgs& a) {
    if (int rc = ctx.StartUp()) return rc;
    std::set<const CNameObject*> printed;
    // Builds the JSON node of o (members below it while depth allows) and prints the text line
    // of each object that passes the class filter. Containers are always descended.
    std::function<Json(const std::shared_ptr<CNameObject>&, int)> visit =
        [&](const std::shared_ptr<CNameObject>& o, int level) {
            Json node = ObjectJson(*o);
            const int alarms = AlarmTotal(*o);
            if (alarms >= 0) node["totalAlarms"] = alarms;
            const bool shown = a.classFilter < 0 ||
                               o->GetObjectClassID() == static_cast<unsigned>(a.classFilter) ||
                               o->IsKindOf(RUNTIME_CLASS(CContainer));
            if (shown && !ctx.json) {
                std::printf("%*s%s \"%s\" (class %u, ID 0x%08X, server 0x%08X)%s\n", level * 2, "",
                            ClassName(o->GetObjectClassID()).c_str(),
                            o->GetFullName().ToUtf8().c_str(), o->GetObjectClassID(), o->GetID(),
                            o->GetServerNO(),
                            alarms >= 0 ? StrPrintf(" [total alarms %d]", alarms).c_str() : "");
            }
            if (!printed.insert(o.get()).second || (a.depth >= 0 && level >= a.depth)) return node;
            if (auto c = std::dynamic_pointer_cast<CContainer>(o)) {
                Json members = Json::array();
                for (auto& [key, member] : c->GetMemberObjects()) {
                    if (a.classFilter >= 0 && !member->IsKindOf(RUNTIME_CLASS(CContainer)) &&
                        member->GetObjectClassID() != static_cast<unsigned>(a.classFilter)) {
                        continue;
                    }
                    members.push_back(visit(member, level + 1));
                }
                node["members"] = members;
            }
            return node;
        };
    Json roots = Json::array();
    if (auto server = GDM_Find(0, GetCurrentServerID(), GetCurrentServerNO())) {
        roots.push_back(visit(server, 0));
    } else if (!ctx.json) {
        std::printf("(no server object 0:%u:%u)\n", GetCurrentServerID(), GetCurrentServerNO());
    }
    // Objects that no container holds.
    bool header = false;
    ForEachLoaded([&](const std::shared_ptr<CNameObject>& object) {
        if (printed.count(object.get())) return;
        auto access = std::dynamic_pointer_cast<CAccessObject>(object);
        if (access && access->GetContainerCount() > 0) return;
        if (a.classFilter >= 0 &&
            object->GetObjectClassID() != static_cast<unsigned>(a.classFilter))
            return;
        if (!header && !ctx.json) std::printf("outside any container:\n");
        header = true;
        roots.push_back(visit(object, 1));
    });
    if (ctx.json) PrintJson(roots);
    return Finish(kExitOk);
}

}  // namespace

void AddLoadCommands(CLI::App& app, Context& ctx, Commands& commands) {
    CLI::App* sample = AddCommand(app, "sample", "add a small sample site (10 objects)",
                                  "noctl --dir site sample");
    commands.push_back({sample, [&ctx] { return ctx.Resolve() ? kExitUsage : RunSample(ctx); }});

    CLI::App* load = AddCommand(
        app, "load",
        "run the start-up sequence and report what it loaded, with its time (a progress bar "
        "on standard error when standard output and error are terminals)",
        "noctl --dir site load --json   # {\"classes\":[{\"class\",\"name\",\"objects\"}],"
        "\"objects\",\"containers\",\"memberships\",\"missingContainers\",\"missingMembers\","
        "\"seconds\"}");
    AddJsonFlag(load, ctx);
    commands.push_back({load, [&ctx] { return ctx.Resolve() ? kExitUsage : RunLoad(ctx); }});

    auto a = std::make_shared<TreeArgs>();
    CLI::App* tree = AddCommand(
        app, "tree", "the containment tree from the server object down, with alarm totals",
        "noctl --dir site tree --depth 2 --class 62 --json   # [{\"class\",\"className\","
        "\"id\",\"serverNO\",\"name\",\"totalAlarms\"?,\"members\"?:[...]}]");
    tree->add_option("--depth", a->depth, "levels below the server object (default: all)")
        ->check(CLI::NonNegativeNumber);
    tree->add_option("--class", a->classFilter,
                     "show only objects of this class (containers are always shown)");
    AddJsonFlag(tree, ctx);
    commands.push_back({tree, [a, &ctx] { return ctx.Resolve() ? kExitUsage : RunTree(ctx, *a); }});
}
