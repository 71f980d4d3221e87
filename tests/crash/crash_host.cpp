// A host for the crash test. "storm DIR SEED" starts the library on DIR/installation.db and
// inserts, renames, links and deletes objects until it is killed, journaling each operation in
// DIR/journal before it starts ("T ...") and after it was acknowledged ("A ..."). "check DIR"
// starts the library again and verifies every acknowledged operation: the object, its name
// and extension data (one token shared by both), its memberships, deletions, IDs never handed
// out twice, and the file's integrity. The one operation in flight may show its old or its
// new state, never a mix. Exit status 0 when all holds.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <map>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "nameobject.h"

namespace {

int g_journal = -1;

// Appends one line of space-separated words to the journal.
template <class... Words>
void Journal(const Words&... words) {
    std::ostringstream line;
    ((line << words << ' '), ...);
    const std::string text = line.str() + "\n";
    if (write(g_journal, text.data(), text.size()) != static_cast<ssize_t>(text.size())) _exit(3);
}

bool StartUp(const std::string& dir) {
    std::set<std::uint64_t> missingContainers, missingMembers;
    return ConnectDatabase(dir + "/installation.db") &&
           InitAllClassInfo(CString::FromUtf8(dir + "/")) == 1 && InitLocalObjectID() == 1 &&
           InitAllObject() == 1 && InitContainer(&missingContainers, &missingMembers) >= 0 &&
           InitAllObjectRelation() >= 0;
}

CString Token(const char* prefix, long token) {
    return CString::FromUtf8(prefix + std::to_string(token));
}

std::shared_ptr<CAccessObject> Find(std::uint32_t id) {
    for (std::uint32_t cls : {2u, 3u}) {
        if (auto o = GDM_Find(cls, id)) return std::static_pointer_cast<CAccessObject>(o);
    }
    return nullptr;
}

int Storm(const std::string& dir, unsigned seed) {
    if (!StartUp(dir)) return 2;
    std::ofstream(dir + "/ready").put('1');
    std::mt19937 rng(seed);
    std::vector<std::uint32_t> ids;
    for (auto& [server, classes] : *GDM_GetServerObjMap()) {
        for (std::uint32_t cls : {2u, 3u}) {
            for (auto& [id, object] : classes[cls]) ids.push_back(static_cast<std::uint32_t>(id));
        }
    }
    for (long token = static_cast<long>(seed) * 1000000;; ++token) {
        const int dice = static_cast<int>(rng() % 100);
        const std::uint32_t pick = ids.empty() ? 0 : ids[rng() % ids.size()];
        auto object = Find(pick);
        if (dice < 35 || !object) {
            const bool container = rng() % 3 == 0;
            auto created = container ? CContainer::CreateObj() : CAccessObject::CreateObj();
            created->SetShortName(Token("n", token));
            created->ExtData_Set(u"token", Token("v", token));
            created->ExtData_Set(u"pad", CString(std::u16string(rng() % 2000, u'p')));
            Journal("T I", token);
            if (CNameObject::InsertObject(created) != S_SUCCESS) continue;
            // The counters reach the database only when the host saves them; a host that
            // deletes objects saves after each allocation, or a restart could hand out the ID
            // of a deleted newest object again.
            if (SaveObjectIDToDatabase() != 1) _exit(4);
            ids.push_back(created->GetID());
            Journal("A I", created->GetObjectClassID(), created->GetID(), token);
        } else if (dice < 65) {
            object->LoadDataFromDatabase(0x3F);
            object->SetShortName(Token("n", token));
            object->ExtData_Set(u"token", Token("v", token));
            Journal("T U", pick, token);
            object->UpdateRecord();  // its result does not tell; the check does
            Journal("A U", pick, token);
        } else if (dice < 80) {
            auto container = Find(ids[rng() % ids.size()]);
            if (!container || container == object || container->GetObjectClassID() != 3) continue;
            auto group = std::static_pointer_cast<CContainer>(container);
            Journal("T M", group->GetID(), pick);
            if (group->AddObject(object, 1) != 0) continue;
            Journal("A M", group->GetID(), pick);
        } else {
            Journal("T D", pick);
            const std::int32_t r = object->GetObjectClassID() == 3
                                       ? CContainer::DeleteObject(object)
                                       : CAccessObject::DeleteObject(object);
            if (r < 0) continue;
            std::erase(ids, pick);
            Journal("A D", pick);
        }
    }
}

// What the journal says must hold.
struct Expected {
    struct Object {
        std::uint32_t cls = 0;
        long token = 0;
        bool alive = true;
    };
    std::map<std::uint32_t, Object> objects;
    std::set<std::pair<std::uint32_t, std::uint32_t>> members;
    std::set<std::uint32_t> inFlight;  // touched by an operation that was not acknowledged
    std::set<long> inFlightInserts;
    std::vector<std::uint32_t> inserted;
};

void Replay(std::istream& in, Expected& e) {
    std::string line, started;
    auto settleUnacknowledged = [&] {
        std::istringstream t(started);
        std::string mark, op;
        std::uint32_t a = 0, b = 0;
        t >> mark >> op;
        if (op == "I") {
            long token = 0;
            t >> token;
            e.inFlightInserts.insert(token);
        } else if (t >> a) {
            e.inFlight.insert(a);
            if (op == "M" && t >> b) e.inFlight.insert(b);
        }
    };
    while (std::getline(in, line)) {
        std::istringstream l(line);
        std::string mark, op;
        l >> mark >> op;
        if (mark == "T") {
            if (!started.empty()) settleUnacknowledged();
            started = line;
            continue;
        }
        started.clear();
        std::uint32_t a = 0, b = 0;
        long token = 0;
        if (op == "I" && l >> a >> b >> token) {
            e.objects[b] = {a, token, true};
            e.inserted.push_back(b);
        } else if (op == "U" && l >> a >> token) {
            e.objects[a].token = token;
        } else if (op == "M" && l >> a >> b) {
            e.members.insert({a, b});
        } else if (op == "D" && l >> a) {
            e.objects[a].alive = false;
            std::erase_if(e.members, [a](const auto& m) { return m.first == a || m.second == a; });
        }
    }
    if (!started.empty()) settleUnacknowledged();
}

// The token of an object's name, or -1 when its name and extension data disagree.
long StoredToken(CNameObject& o) {
    CString value;
    o.ExtData_Get(u"token", value);
    const std::string name = o.GetShortName().ToUtf8(), ext = value.ToUtf8();
    if (name.size() < 2 || name.substr(1) != ext.substr(ext.empty() ? 0 : 1)) return -1;
    return std::stol(name.substr(1));
}

int Check(const std::string& dir) {
    Expected e;
    std::ifstream journal(dir + "/journal");
    Replay(journal, e);
    if (!StartUp(dir)) return 2;
    CNameObjectExtData::InitObjectExtData(0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF);
    int faults = 0;
    auto fail = [&](const char* what, std::uint32_t id) {
        std::fprintf(stderr, "crash check: object %u: %s\n", id, what);
        ++faults;
    };
    std::set<std::uint32_t> ids(e.inserted.begin(), e.inserted.end());
    if (ids.size() != e.inserted.size()) fail("an object ID was handed out twice", 0);
    for (const auto& [id, want] : e.objects) {
        auto o = Find(id);
        const bool pending = e.inFlight.count(id) != 0;
        if (!pending && !want.alive != !o)
            fail(o ? "deleted, but back" : "acknowledged, but lost", id);
        if (!o || !want.alive) continue;
        const long token = StoredToken(*o);
        if (token < 0)
            fail("name and extension data disagree", id);
        else if (token != want.token && !pending)
            fail("old state", id);
    }
    for (auto& [server, classes] : *GDM_GetServerObjMap()) {
        for (std::uint32_t cls : {2u, 3u}) {
            for (auto& [id, o] : classes[cls]) {
                if (e.objects.count(id)) continue;
                // An insert that was not acknowledged, perhaps renamed by an unacknowledged update.
                const long token = StoredToken(*o);
                if (token < 0 || (!e.inFlightInserts.count(token) && !e.inFlight.count(id)))
                    fail("not acknowledged", id);
            }
        }
    }
    for (const auto& [cid, mid] : e.members) {
        auto group = std::dynamic_pointer_cast<CContainer>(Find(cid));
        auto member = Find(mid);
        if (e.inFlight.count(cid) || e.inFlight.count(mid)) continue;
        if (!group || !member || !group->HasObject(member)) fail("membership lost", mid);
    }
    CADORecordset rs(GetDatabase());
    CString integrity;
    if (!rs.Open("PRAGMA integrity_check") || !rs.GetFieldValue(0, integrity) ||
        integrity != CString(u"ok"))
        fail("the file fails its integrity check", 0);
    std::printf("%zu inserts, %zu memberships checked, %d faults\n", e.inserted.size(),
                e.members.size(), faults);
    DestroyAllObject();
    return faults == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) return 2;
    const std::string mode = argv[1], dir = argv[2];
    g_journal = open((dir + "/journal").c_str(), O_WRONLY | O_APPEND | O_CREAT, 0644);
    if (g_journal < 0) return 2;
    if (mode == "storm" && argc > 3) return Storm(dir, static_cast<unsigned>(std::stoul(argv[3])));
    if (mode == "check") return Check(dir);
    return 2;
}
