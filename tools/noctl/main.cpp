// noctl: command-line tool for an installation database.
//
//   noctl --db PATH init [--server-no N --server-mask M]   create the database and its schema
//   noctl --db PATH info                                    version, connection, tables and rows
//   noctl --db PATH classes                                 the class tree the registry built
//   noctl --db PATH ids                                     server identity and ID counters
//   noctl --db PATH sample                                  add a small sample installation
//   noctl --db PATH load                                    run the start-up sequence, report it
//   noctl --db PATH tree                                    containment tree from the server object
//   noctl --db PATH show CLASS ID                           one object: parameters, facets, counters
//
// The installation directory (for Config/ServerStation.ini) is --installation DIR, by default
// the folder of the database file.

#include <CLI/CLI.hpp>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include <chrono>
#include <functional>
#include <map>
#include <set>

#include "AreaCommands.h"
#include "PrivilegeCommands.h"
#include "nameobject.h"
#include "platform/Database.h"
#include "platform/DebugOutput.h"
#include "platform/StringFormat.h"
#include "platform/Version.h"

namespace {

// The library's last diagnostic line: the database layer writes the engine's error there.
std::string g_lastDiagnostic;

int Fail(const std::string& message) {
    std::fprintf(stderr, "noctl: %s\n", message.c_str());
    if (!g_lastDiagnostic.empty()) std::fprintf(stderr, "  %s", g_lastDiagnostic.c_str());
    DisconnectDatabase();
    return 1;
}

int Connect(const std::string& connection) {
    if (ConnectDatabase(connection)) return 0;
    return Fail("cannot open the installation database \"" + connection + "\"");
}

// A table name as an SQL identifier, whatever characters it holds.
std::string QuoteName(const std::string& name) {
    std::string quoted = "\"";
    for (char c : name) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    return quoted + "\"";
}

// The file a connection string names, or empty for an in-memory database.
std::string FileOf(const std::string& connection) {
    const std::string path =
        connection.rfind("sqlite:", 0) == 0 ? connection.substr(7) : connection;
    return path == ":memory:" ? std::string() : path;
}

int RunInit(const std::string& connection, std::optional<std::uint32_t> serverNo,
            std::optional<std::uint32_t> serverMask) {
    if (serverNo.has_value() != serverMask.has_value()) {
        return Fail("--server-no and --server-mask go together");
    }
    if (int rc = Connect(connection)) return rc;
    CADODatabase* db = GetDatabase();
    if (serverNo) {
        // The server's identity is one row; init replaces whatever was there.
        const std::string insert =
            StrPrintf("INSERT INTO ServerOption(nServerNO, nServerMask) VALUES(%d, %d)",
                      static_cast<int>(*serverNo), static_cast<int>(*serverMask));
        if (!db->BeginTransaction() || !db->Execute("DELETE FROM ServerOption") ||
            !db->Execute(insert) || !db->CommitTransaction()) {
            return Fail("cannot write the server option");
        }
    }
    std::printf("initialised %s\n", connection.c_str());
    DisconnectDatabase();
    return 0;
}

int RunInfo(const std::string& connection) {
    // Reading must not create a database where there was none.
    const std::string file = FileOf(connection);
    std::error_code ec;
    if (!file.empty() && !std::filesystem::is_regular_file(file, ec)) {
        return Fail("no installation database at \"" + file + "\"");
    }
    if (int rc = Connect(connection)) return rc;
    CADODatabase* db = GetDatabase();
    std::printf("nameobject %s\n", NameObjectVersion());
    std::printf("connection: %s\n", db->GetConnectionString().c_str());

    std::vector<std::string> tables;
    {
        CADORecordset rs(db);
        if (!rs.Open("SELECT name FROM sqlite_master WHERE type = 'table' AND name NOT LIKE "
                     "'sqlite_%' ORDER BY name")) {
            return Fail("cannot list the tables");
        }
        for (; !rs.IsEOF(); rs.MoveNext()) {
            CString name;
            rs.GetFieldValue(0, name);
            tables.push_back(name.ToUtf8());
        }
    }
    std::printf("tables:\n");
    for (const std::string& table : tables) {
        CADORecordset rs(db);
        std::int64_t count = 0;
        if (!rs.Open("SELECT count(*) FROM " + QuoteName(table)) || !rs.GetFieldValue(0, count)) {
            return Fail("cannot count the rows of " + table);
        }
        std::printf("  %-24s %lld\n", table.c_str(), static_cast<long long>(count));
    }
    DisconnectDatabase();
    return 0;
}

// ---- commands over the loaded installation -------------------------------------------

std::string ClassName(unsigned int classID) {
    auto sample = CreateNewObject(classID);
    if (!sample) return "?";
    const char* name = sample->GetRuntimeClass()->m_lpszClassName;
    sample->FinalRelease();
    return name ? name : "?";
}

std::string Depth(unsigned int gap) {
    return gap == 0xFFFFFFFFu ? std::string("-") : std::to_string(gap);
}

// Connects and registers the classes of the installation (this library's and the station
// INI file's class libraries).
int OpenInstallation(const std::string& connection, const std::string& installation) {
    if (int rc = Connect(connection)) return rc;
    if (!InitAllClassInfo(CString::FromUtf8(installation))) {
        return Fail("cannot register the classes of the installation at \"" + installation + "\"");
    }
    return 0;
}

int RunClasses(const std::string& connection, const std::string& installation) {
    if (int rc = OpenInstallation(connection, installation)) return rc;
    // Children by parent; classes outside the tree are listed apart.
    std::map<unsigned int, std::vector<unsigned int>> children;
    std::vector<unsigned int> outside;
    for (const auto& [classID, record] : GetRegisteredClasses()) {
        const unsigned int parent = GetParentClassID(classID);
        if (parent != 0xFFFFFFFFu) {
            children[parent].push_back(classID);
        } else if (classID != 1) {
            outside.push_back(classID);
        }
    }
    std::printf("%-8s %-26s %-8s %s\n", "class", "name", "parent", "depth");
    std::function<void(unsigned int, int)> print = [&](unsigned int classID, int indent) {
        const unsigned int parent = GetParentClassID(classID);
        std::printf("%-8u %*s%-*s %-8s %s\n", classID, indent, "", 26 - indent, ClassName(classID).c_str(),
                    parent == 0xFFFFFFFFu ? "-" : std::to_string(parent).c_str(),
                    Depth(GetClassGradeGap(classID, 1)).c_str());
        for (unsigned int child : children[classID]) print(child, indent + 2);
    };
    if (GetClsInfo(1)) print(1, 0);
    for (unsigned int classID : outside) print(classID, 0);
    std::printf("%zu classes registered\n", GetRegisteredClasses().size());
    DisconnectDatabase();
    return 0;
}

int RunIds(const std::string& connection) {
    if (int rc = Connect(connection)) return rc;
    const std::uint32_t serverNO = GetCurrentServerNO();
    const std::uint32_t mask = GetCurrentServerMask();
    std::printf("server number  0x%08X\n", serverNO);
    std::printf("server mask    0x%08X\n", mask);
    std::printf("server ID      0x%08X\n", GetCurrentServerID());
    std::printf("object slice   0x%08X .. 0x%08X\n", serverNO, serverNO | ~mask);
    if (!InitLocalObjectID()) return Fail("cannot read the ID counters");
    const LocalIdCounters c = GetLocalIdCounters();
    std::printf("object ID counter               0x%08X%s\n", c.nextObjectID, c.objectOverflow ? " (overflowed)" : "");
    std::printf("point ID counter                %u%s\n", c.nextPointID, c.pointOverflow ? " (overflowed)" : "");
    std::printf("authorisation-record counter    0x%08X%s\n", c.nextAuthorizationRecordID,
                c.authorizationRecordOverflow ? " (overflowed)" : "");
    std::printf("alarm ID counter                %llu\n", static_cast<unsigned long long>(c.alarmID));
    DisconnectDatabase();
    return 0;
}

template <class T>
std::shared_ptr<T> New(const char16_t* fullName) {
    auto object = std::dynamic_pointer_cast<T>(T::CreateObj());
    if (object) object->SetFullName(fullName);
    return object;
}

// A small installation: the server object, a site (area group) with two areas, an operator
// group, and some access objects placed in areas and groups.
int RunSample(const std::string& connection, const std::string& installation) {
    if (int rc = OpenInstallation(connection, installation)) return rc;
    InitLocalObjectID();
    std::vector<std::pair<std::shared_ptr<CContainer>, std::shared_ptr<CAccessObject>>> links;
    std::shared_ptr<CContainer> server = std::dynamic_pointer_cast<CContainer>(CreateNewObject(0));
    if (server) {
        server->SetID(GetCurrentServerID());
        server->SetFullName(u"Server");
        if (CNameObject::InsertObject(server) != 0) return Fail("cannot store the server object");
    }
    auto site = New<CAreaGroup>(u"Site");
    auto hall = New<CArea>(u"Hall");
    auto office = New<CArea>(u"Office");
    auto staff = New<CContainer>(u"Staff");
    for (const auto& o : std::vector<std::shared_ptr<CNameObject>>{site, hall, office, staff}) {
        if (CNameObject::InsertObject(o) != 0) return Fail("cannot store a sample object");
    }
    if (server) links.push_back({server, site});
    links.push_back({site, hall});
    links.push_back({site, office});
    links.push_back({hall, staff});
    const char16_t* names[] = {u"Entrance door", u"Stair door", u"Office door", u"Reader 1", u"Reader 2"};
    int i = 0;
    for (const char16_t* name : names) {
        auto o = New<CAccessObject>(name);
        o->GetAreaID().insert((i++ % 2 ? office : hall)->GetID());
        if (CNameObject::InsertObject(o) != 0) return Fail("cannot store a sample object");
        links.push_back({staff, o});
    }
    for (auto& [container, member] : links) {
        if (container->AddObject(member, 1) != 0) return Fail("cannot store a membership");
    }
    SaveObjectIDToDatabase();
    std::printf("added %zu objects and %zu memberships\n", 4 + std::size(names) + (server ? 1 : 0), links.size());
    DestroyAllObject();
    DisconnectDatabase();
    return 0;
}

int StartUp(std::set<std::uint64_t>& missingContainers, std::set<std::uint64_t>& missingMembers) {
    InitLocalObjectID();
    InitAllObject();
    InitContainer(&missingContainers, &missingMembers);
    InitAllObjectRelation();
    InitObjectFinishNotify();
    InitStartFinishNotify();
    return 0;
}

int RunLoad(const std::string& connection, const std::string& installation) {
    const auto start = std::chrono::steady_clock::now();
    if (int rc = OpenInstallation(connection, installation)) return rc;
    std::set<std::uint64_t> missingContainers, missingMembers;
    StartUp(missingContainers, missingMembers);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

    std::map<unsigned int, int> perClass;
    int objects = 0, containers = 0, memberships = 0;
    for (auto& [serverNO, classes] : *GDM_GetServerObjMap()) {
        for (auto& [classID, ids] : classes) {
            for (auto& [id, object] : ids) {
                if (!object || object->GetObjectClassID() != classID) continue;
                ++perClass[classID];
                ++objects;
                if (auto c = std::dynamic_pointer_cast<CContainer>(object)) {
                    ++containers;
                    memberships += c->GetObjectCount();
                }
            }
        }
    }
    std::printf("%-8s %-26s %s\n", "class", "name", "objects");
    for (auto& [classID, count] : perClass) std::printf("%-8u %-26s %d\n", classID, ClassName(classID).c_str(), count);
    std::printf("objects %d, containers %d, memberships %d\n", objects, containers, memberships);
    auto printKeys = [](const char* what, const std::set<std::uint64_t>& keys) {
        std::printf("missing %s: %zu", what, keys.size());
        for (std::uint64_t k : keys) std::printf(" %u:%u", static_cast<unsigned>(k >> 32), static_cast<unsigned>(k));
        std::printf("\n");
    };
    printKeys("containers", missingContainers);
    printKeys("members", missingMembers);
    std::printf("start-up time %.3f s\n", seconds);
    DestroyAllObject();
    DisconnectDatabase();
    return 0;
}

int RunTree(const std::string& connection, const std::string& installation) {
    if (int rc = OpenInstallation(connection, installation)) return rc;
    std::set<std::uint64_t> missingContainers, missingMembers;
    StartUp(missingContainers, missingMembers);

    std::set<const CNameObject*> printed;
    std::function<void(const std::shared_ptr<CNameObject>&, int)> print = [&](const std::shared_ptr<CNameObject>& o,
                                                                                int indent) {
        std::printf("%*s%s \"%s\" (class %u, ID 0x%08X, server 0x%08X)%s\n", indent, "", ClassName(o->GetObjectClassID()).c_str(),
                    o->GetFullName().ToUtf8().c_str(), o->GetObjectClassID(), o->GetID(), o->GetServerNO(),
                    AlarmTotal(*o).c_str());
        if (!printed.insert(o.get()).second) return;
        if (auto c = std::dynamic_pointer_cast<CContainer>(o)) {
            for (auto& [key, member] : c->GetMemberObjects()) print(member, indent + 2);
        }
    };
    auto server = GDM_Find(0, GetCurrentServerID(), GetCurrentServerNO());
    if (server) {
        print(server, 0);
    } else {
        std::printf("(no server object 0:%u:%u)\n", GetCurrentServerID(), GetCurrentServerNO());
    }
    // Objects that no container holds.
    bool header = false;
    for (auto& [serverNO, classes] : *GDM_GetServerObjMap()) {
        for (auto& [classID, ids] : classes) {
            for (auto& [id, object] : ids) {
                if (!object || object->GetObjectClassID() != classID || printed.count(object.get())) continue;
                auto access = std::dynamic_pointer_cast<CAccessObject>(object);
                if (access && access->GetContainerCount() > 0) continue;
                if (!header) std::printf("outside any container:\n");
                header = true;
                print(object, 2);
            }
        }
    }
    DestroyAllObject();
    DisconnectDatabase();
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{"noctl: command-line tool for a nameobject installation database"};
    app.require_subcommand(1);

    std::string connection;
    app.add_option("--db", connection,
                   "installation database: a path, sqlite:PATH or sqlite::memory:")
        ->required();

    std::optional<std::uint32_t> serverNo;
    std::optional<std::uint32_t> serverMask;
    CLI::App* init = app.add_subcommand("init", "create the database with the whole schema");
    init->add_option("--server-no", serverNo, "server number to store in ServerOption");
    init->add_option("--server-mask", serverMask, "server mask to store in ServerOption");

    CLI::App* info =
        app.add_subcommand("info", "print the version, the connection and each table's rows");

    std::string installation;
    app.add_option("--installation", installation,
                   "installation directory (holds Config/ServerStation.ini); default: the database's folder");
    CLI::App* classes = app.add_subcommand("classes", "print the class tree the registry builds");
    CLI::App* ids = app.add_subcommand("ids", "print the server identity and the ID counters");
    CLI::App* sample = app.add_subcommand("sample", "add a small sample installation");
    CLI::App* load = app.add_subcommand("load", "run the start-up sequence and report what it loaded");
    CLI::App* tree = app.add_subcommand("tree", "print the containment tree from the server object down");
    ShowRequest show;
    AddAreaCommands(app, show);
    const auto privilegeCommand = AddPrivilegeCommands(app, connection, installation);

    CLI11_PARSE(app, argc, argv);
    if (installation.empty()) {
        const std::string file = FileOf(connection);
        const std::filesystem::path folder = std::filesystem::path(file.empty() ? "." : file).parent_path();
        installation = (folder.empty() ? std::filesystem::path(".") : folder).string();
    }
    installation += "/";
    SetDebugOutputSink([](const CString& line) { g_lastDiagnostic = line.ToUtf8(); });

    if (init->parsed()) return RunInit(connection, serverNo, serverMask);
    if (info->parsed()) return RunInfo(connection);
    if (classes->parsed()) return RunClasses(connection, installation);
    if (ids->parsed()) return RunIds(connection);
    if (sample->parsed()) return RunSample(connection, installation);
    if (load->parsed()) return RunLoad(connection, installation);
    if (tree->parsed()) return RunTree(connection, installation);
    if (show.command->parsed()) {
        return RunShow(show, [&] {
            if (int rc = OpenInstallation(connection, installation)) return rc;
            std::set<std::uint64_t> missingContainers, missingMembers;
            return StartUp(missingContainers, missingMembers);
        });
    }
    if (const auto rc = privilegeCommand()) return *rc;
    return Fail("no command");
}
