// noctl demo: fills an installation with a site an integrator would recognise: the server
// object, buildings (area groups) with areas and their parameters, alarm points (class 350)
// and alarm hosts (73) in the areas, card holders (501) with extension data and a photo in
// card holder groups (59), operators in a built-in and a custom group, a privilege object
// granted on a building and a lock object on one area. --scale N grows it to about N objects,
// written in transactions of a few thousand operations.
#include <chrono>
#include <cstdio>
#include <optional>

#include "Context.h"
#include "nameobject.h"

namespace {

constexpr unsigned int kAlarmObjectClass = 350;
constexpr unsigned int kAlarmHostClass = 73;
constexpr unsigned int kCardHolderGroupClass = 59;
constexpr unsigned int kCardHolderClass = 501;
constexpr int kAlarmPointsPerArea = 10;
constexpr int kAlarmHostsPerArea = 2;
constexpr int kCardHoldersPerArea = 30;
constexpr int kAreasPerBuilding = 8;
constexpr int kAreasPerHolderGroup = 10;
constexpr int kOperationsPerTransaction = 5000;
// The privilege the demo grants: privilege class 7, privilege 3 (and 4).
constexpr std::uint32_t kDemoPrivilegeClass = 7;

// Writes the site, counting objects and committing every few thousand operations; the first
// refusal stops it (the open transaction is rolled back).
class SiteWriter {
public:
    SiteWriter(int target, Progress& progress) : m_target(target), m_progress(progress) {}

    template <class T = CNameObject>
    std::shared_ptr<T> Create(unsigned int classID, const std::string& name) {
        auto object = std::dynamic_pointer_cast<T>(CreateNewObject(classID));
        if (!object) {
            m_error = "class " + std::to_string(classID) +
                      " is not registered (is ServerObjects.so listed?)";
            return nullptr;
        }
        object->SetFullName(CString::FromUtf8(name));
        return object;
    }
    // Inserts the object (after the caller set its fields) and, when given, puts it into container.
    bool Insert(const std::shared_ptr<CNameObject>& object,
                const std::shared_ptr<CContainer>& container) {
        if (!object || !Step()) return false;
        if (std::int32_t rc = CNameObject::InsertObject(object))
            return Refuse("cannot insert " + Name(*object), rc);
        ++m_objects;
        return !container || Add(container, object);
    }
    bool Add(const std::shared_ptr<CContainer>& container,
             const std::shared_ptr<CNameObject>& member) {
        auto access = std::dynamic_pointer_cast<CAccessObject>(member);
        if (!access || !Step()) return false;
        if (std::int32_t rc = container->AddObject(access, 1))
            return Refuse("cannot put " + Name(*member) + " into " + Name(*container), rc);
        ++m_memberships;
        return true;
    }
    bool Update(const std::shared_ptr<CNameObject>& object) {
        if (std::int32_t rc = object->UpdateRecord(); rc < 0)
            return Refuse("cannot update " + Name(*object), rc);
        return true;
    }
    // Commits the last transaction; the exit code.
    int Close() {
        CADODatabase* db = GetDatabase();
        if (!m_error.empty()) {
            if (m_open) db->RollbackTransaction();
            if (m_code != 0) return Refused(m_error, m_code);
            return Fail(m_error);
        }
        if (m_open && !db->CommitTransaction()) return Fail("cannot commit the site");
        m_open = false;
        SaveObjectIDToDatabase();
        return kExitOk;
    }
    int objects() const { return m_objects; }
    int memberships() const { return m_memberships; }
    bool Done() const { return m_objects >= m_target; }

private:
    static std::string Name(const CNameObject& o) { return "\"" + o.GetFullName().ToUtf8() + "\""; }
    bool Refuse(const std::string& what, std::int32_t code) {
        m_error = what;
        m_code = code;
        return false;
    }
    // Opens a transaction when none is open and commits every kOperationsPerTransaction steps.
    bool Step() {
        CADODatabase* db = GetDatabase();
        if (m_open && ++m_steps % kOperationsPerTransaction == 0) {
            if (!db->CommitTransaction())
                return Refuse("cannot commit a batch", E_DATABASE_OPERATION);
            m_open = false;
            m_progress.Set(static_cast<double>(m_objects) / m_target,
                           std::to_string(m_objects) + " objects");
        }
        if (!m_open && !db->BeginTransaction())
            return Refuse("cannot begin a transaction", E_DATABASE_OPERATION);
        m_open = true;
        return true;
    }

    int m_target;
    Progress& m_progress;
    bool m_open = false;
    long m_steps = 0;
    int m_objects = 0, m_memberships = 0;
    std::string m_error;
    std::int32_t m_code = 0;
};

// A few bytes standing for a card holder's photo (a 1x1 grey GIF).
CBufferWriter Photo() {
    static const unsigned char kGif[] = {0x47, 0x49, 0x46, 0x38, 0x39, 0x61, 0x01, 0x00, 0x01,
                                         0x00, 0x80, 0x00, 0x00, 0x80, 0x80, 0x80, 0x00, 0x00,
                                         0x00, 0x2C, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x01,
                                         0x00, 0x00, 0x02, 0x02, 0x44, 0x01, 0x00, 0x3B};
    CBufferWriter writer;
    writer.WriteByte(kGif, static_cast<int>(sizeof kGif));
    return writer;
}

// Operators, a custom group with a privilege object granted on the first building and a lock
// on its first area, and an operator in the built-in service group.
bool WriteOperators(SiteWriter& w, const std::shared_ptr<CContainer>& server,
                    const std::shared_ptr<CContainer>& building,
                    const std::shared_ptr<CNameObject>& lockedArea) {
    auto privilege = w.Create<CPrivilegeBase>(CPrivilegeObject::kClassID, "Guard privileges");
    auto lock = w.Create<CPrivilegeBase>(CPrivilegeLock::kClassID, "Vault lock");
    if (!privilege || !lock) return false;
    privilege->SetGrantedPrivileges({CPrivilegeBase::MakePrivilegeKey(kDemoPrivilegeClass, 3),
                                     CPrivilegeBase::MakePrivilegeKey(kDemoPrivilegeClass, 4)});
    lock->SetGrantedPrivileges({CPrivilegeBase::MakePrivilegeKey(kDemoPrivilegeClass, 3)});
    if (!w.Insert(privilege, nullptr) || !w.Insert(lock, nullptr)) return false;

    auto guards = w.Create<COperatorGroup>(COperatorGroup::kClassID, "Guards");
    if (!guards || !w.Insert(guards, server)) return false;
    const std::uint32_t serverNO = GetCurrentServerNO();
    guards->SetPrivilegeObject(
        {{serverNO, {{building->MakeClassIDAndIDKey(), privilege->GetID()}}}});
    guards->SetPrivilegeLock({{serverNO, {{lockedArea->MakeClassIDAndIDKey(), lock->GetID()}}}});
    if (!w.Update(guards)) return false;

    std::shared_ptr<CContainer> service;
    for (const auto& [id, object] : GDM_GetMapCopy(CServiceGroupMJ::kClassID, serverNO)) {
        service = std::dynamic_pointer_cast<CContainer>(object);
    }
    const CString password = COperator::HashPassword(u"demo");
    for (const char* name : {"guard1", "guard2", "guard3", "engineer"}) {
        auto op = w.Create<COperator>(COperator::kClassID, name);
        if (!op) return false;
        op->SetPwd(password);
        const bool engineer = std::string(name) == "engineer";
        if (!w.Insert(op, engineer ? service : guards)) return false;
    }
    return true;
}

int RunDemo(Context& ctx, int scale) {
    const auto start = std::chrono::steady_clock::now();
    std::optional<Progress> progress(std::in_place, "demo");
    if (int rc = ctx.StartUp()) return rc;
    SiteWriter w(scale, *progress);
    auto server = std::dynamic_pointer_cast<CContainer>(
        GDM_Find(0, GetCurrentServerID(), GetCurrentServerNO()));
    if (!server) {
        server = w.Create<CContainer>(0, "Server");
        if (server) server->SetID(GetCurrentServerID());
        if (!w.Insert(server, nullptr)) return w.Close();
    }
    auto site = w.Create<CContainer>(CAreaGroup::kClassID, "Site");
    if (!w.Insert(site, server)) return w.Close();
    const CBufferWriter photo = Photo();
    std::shared_ptr<CContainer> building, holders, firstBuilding;
    std::shared_ptr<CNameObject> firstArea;
    for (int a = 0; a < 4 || !w.Done(); ++a) {
        if (a % kAreasPerBuilding == 0) {
            building = w.Create<CContainer>(CAreaGroup::kClassID,
                                            StrPrintf("Building %d", a / kAreasPerBuilding + 1));
            if (!w.Insert(building, site)) return w.Close();
            if (!firstBuilding) firstBuilding = building;
        }
        auto area = w.Create<CArea>(CArea::kClassID, StrPrintf("Area %d", a + 1));
        if (!area) return w.Close();
        area->SetMostCapability(50 + a % 50);
        area->SetAreaAntiPassbackMode(a % 3);
        area->SetArmingDelay(30);
        area->SetAlarmOutputTime(120);
        if (!w.Insert(area, building)) return w.Close();
        if (!firstArea) firstArea = area;
        for (int d = 0; d < kAlarmPointsPerArea + kAlarmHostsPerArea; ++d) {
            const bool host = d >= kAlarmPointsPerArea;
            auto device = w.Create<CAccessObject>(
                host ? kAlarmHostClass : kAlarmObjectClass,
                StrPrintf(host ? "Area %d alarm host %d" : "Area %d input %d", a + 1, d + 1));
            if (!device) return w.Close();
            device->GetAreaID().insert(area->GetID());
            if (!w.Insert(device, area)) return w.Close();
        }
        if (a % kAreasPerHolderGroup == 0) {
            holders = w.Create<CContainer>(kCardHolderGroupClass,
                                           StrPrintf("Staff %d", a / kAreasPerHolderGroup + 1));
            if (!w.Insert(holders, server)) return w.Close();
        }
        for (int h = 0; h < kCardHoldersPerArea; ++h) {
            auto holder =
                w.Create<CAccessObject>(kCardHolderClass, StrPrintf("Person %d-%d", a + 1, h + 1));
            if (!holder) return w.Close();
            holder->ExtData_Set(u"EmployeeNumber",
                                static_cast<unsigned int>(a * kCardHoldersPerArea + h + 1));
            holder->ExtData_Set(u"Department",
                                CString::FromUtf8(h % 2 ? "Security" : "Facilities"));
            if (h == 0) holder->SetPhotoImage(0, COleDateTime::GetCurrentTime(), photo);
            if (!w.Insert(holder, holders)) return w.Close();
        }
    }
    if (!WriteOperators(w, server, firstBuilding, firstArea)) return w.Close();
    if (int rc = w.Close()) return rc;
    progress.reset();  // wipes the bar before the summary
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("demo site: %d objects and %d memberships written in %.1f s\n", w.objects(),
                w.memberships(), seconds);
    std::printf(
        "operators guard1..3 (group \"Guards\", password \"demo\"), engineer (service group)\n");
    return Finish(kExitOk);
}

}  // namespace

void AddDemoCommands(CLI::App& app, Context& ctx, Commands& commands) {
    struct DemoArgs {
        std::string dir;
        int scale = 300;
    };
    auto a = std::make_shared<DemoArgs>();
    CLI::App* demo = AddCommand(
        app, "demo",
        "fill an installation with a demo site: buildings, areas, alarm inputs and hosts, "
        "card holders, operators, privileges (about SCALE objects; a progress bar on standard "
        "error when standard output and error are terminals)",
        "noctl init site && noctl demo site --scale 100000");
    demo->add_option("DIR", a->dir, "installation directory (default: --dir / NAMEOBJECT_HOME)");
    demo->add_option("--scale", a->scale, "about how many objects (default 300, up to 1000000)")
        ->check(CLI::Range(1, 1000000));
    commands.push_back({demo, [a, &ctx] {
                            if (!a->dir.empty()) ctx.dir = a->dir;
                            if (int rc = ctx.Resolve()) return rc;
                            return RunDemo(ctx, a->scale);
                        }});
}
