// noctl's installation commands: init (create an installation directory or a bare database),
// info, ids and classes.
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>

#include "Context.h"
#include "nameobject.h"

namespace fs = std::filesystem;

namespace {

// The class library next to the tool (or in the build tree's classlibs folder), else in the
// install prefix's library folder; empty when none exists.
fs::path FindClassLibrary() {
    std::error_code ec;
    const fs::path tool = fs::read_symlink("/proc/self/exe", ec).parent_path();
    const fs::path candidates[] = {tool / "ServerObjects.so",
                                   tool / "../classlibs/ServerObjects.so",
                                   fs::path(NOCTL_CLASSLIB_DIR) / "ServerObjects.so"};
    for (const fs::path& candidate : candidates) {
        if (fs::is_regular_file(candidate, ec)) return fs::canonical(candidate, ec);
    }
    return {};
}

// Writes text to path; false (message printed) when it cannot.
bool WriteFile(const fs::path& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    out.close();
    if (out) return true;
    std::fprintf(stderr, "noctl: cannot write \"%s\"\n", path.c_str());
    return false;
}

// The language file with the library's built-in texts, for the integrator to translate.
std::string LanguageFile() {
    static const char16_t* const kStringKeys[] = {u"IDS_SysPrivilege",
                                                  u"IDS_ServicePrivilege",
                                                  u"IDS_OnDutyPrivilege",
                                                  u"IDS_OperatorGroup_Sys",
                                                  u"IDS_OperatorGroup_Service",
                                                  u"IDS_OperatorGroup_OnDuty",
                                                  u"IDF_LogCreateObjectSuccess",
                                                  u"IDF_LogCreateObjectSuccessNotHaveParent",
                                                  u"IDF_LogCreateObjectFail",
                                                  u"IDF_LogCreateObjectFailNotHaveParent",
                                                  u"IDF_LogDeleteObject",
                                                  u"IDF_LogDeleteMemberObject",
                                                  u"IDF_LogDeleteMemberObjectContainerNull",
                                                  u"IDF_LogAddMemberObject",
                                                  u"IDF_LogAddMemberObjectContainerNull",
                                                  u"IDF_LogSetObject_ChangeName",
                                                  u"IDF_LogSetObject"};
    std::string text =
        "; Texts of the nameobject library; edit a value to translate it.\n[string]\n";
    for (const char16_t* key : kStringKeys) {
        text += CString(key).ToUtf8() + "=" + CAnalyzeLangINI::GetValue(key).ToUtf8() + "\n";
    }
    text += "[error]\n";
    for (std::int32_t code :
         {S_SUCCESS, E_OBJECT_NULL, E_BUILTIN_NOT_DELETABLE, E_WRONG_OBJECT_CLASS, E_ID_NOT_LOCAL,
          E_ALLOC_OBJECT_ID, E_DATABASE_UNAVAILABLE, E_DATABASE_OPERATION, E_CONTAINER_CYCLE,
          E_OPERATOR_NAME_EXISTS, E_OPERATOR_NAME_FIXED, E_CONTAINER_MEMBER_NULL,
          E_AREA_MEMBER_NULL, E_OUT_OF_MEMORY}) {
        text += StrPrintf("ERR_%08X=", static_cast<std::uint32_t>(code)) +
                CAnalyzeLangINI::GetError(code).ToUtf8() + "\n";
    }
    text += "[class]\n";
    for (unsigned int classID :
         {0u,   1u,   2u,    3u,    62u,   63u,   850u,  851u,  852u,  853u,
          854u, 855u, 1200u, 1201u, 1300u, 1301u, 1302u, 1303u, 1800u, 6000u}) {
        text += StrPrintf("CLASS_%u=", classID) + GetClassNameW(classID).ToUtf8() + "\n";
    }
    return text;
}

// Creates DIR/Config/ServerStation.ini naming the class library and DIR/Language/English.ini.
int WriteInstallation(const Context& ctx) {
    std::error_code ec;
    const fs::path dir = fs::absolute(ctx.dir, ec);
    fs::create_directories(dir / "Config", ec);
    fs::create_directories(dir / "Language", ec);
    if (ec) return Fail("cannot create \"" + dir.string() + "\": " + ec.message());
    const fs::path library = FindClassLibrary();
    if (library.empty())
        return Fail("cannot find ServerObjects.so next to noctl or in " NOCTL_CLASSLIB_DIR);
    // Class libraries are named relative to the installation directory.
    const std::string relative = fs::relative(library, fs::canonical(dir, ec), ec).string();
    const std::string station =
        "; Class libraries loaded at start-up, relative to the installation directory.\n"
        "[LoadTolveObject]\nCount=1\nDLL_1=" +
        relative + "\nLevel_1=1\n" +
        (IsServerDatabase(ctx.db)
             ? "; The shared database of this installation (noctl --dir connects to it).\n"
               "[Database]\nConnection=" +
                   ctx.db + "\n"
             : std::string());
    if (!WriteFile(dir / "Config/ServerStation.ini", station) ||
        !WriteFile(dir / "Language/English.ini", LanguageFile())) {
        return Finish(kExitRefused);
    }
    return kExitOk;
}

int RunInit(Context& ctx, bool directory, std::optional<std::uint32_t> serverNo,
            std::optional<std::uint32_t> serverMask) {
    if (serverNo.has_value() != serverMask.has_value())
        return Usage("--server-no and --server-mask go together");
    if (directory) {
        if (int rc = WriteInstallation(ctx)) return rc;
    }
    if (int rc = ctx.Connect(true)) return rc;
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
    std::printf("initialised %s\n", directory ? ctx.dir.c_str() : ctx.db.c_str());
    return Finish(kExitOk);
}

// A table name as an SQL identifier, whatever characters it holds.
std::string QuoteName(const std::string& name) {
    std::string quoted = "\"";
    for (char c : name) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    return quoted + "\"";
}

int RunInfo(const Context& ctx) {
    if (int rc = ctx.Connect()) return rc;
    CADODatabase* db = GetDatabase();
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
    Json rows = Json::object();
    for (const std::string& table : tables) {
        CADORecordset rs(db);
        std::int64_t count = 0;
        if (!rs.Open("SELECT count(*) FROM " + QuoteName(table)) || !rs.GetFieldValue(0, count)) {
            return Fail("cannot count the rows of " + table);
        }
        rows[table] = count;
    }
    if (ctx.json) {
        PrintJson({{"version", NameObjectVersion()},
                   {"connection", db->GetConnectionString()},
                   {"installation", ctx.dir},
                   {"tables", rows}});
        return Finish(kExitOk);
    }
    std::printf("nameobject %s\nconnection: %s\ninstallation: %s\ntables:\n", NameObjectVersion(),
                db->GetConnectionString().c_str(), ctx.dir.c_str());
    for (const auto& [table, count] : rows.items()) {
        std::printf("  %-24s %lld\n", table.c_str(),
                    static_cast<long long>(count.get<std::int64_t>()));
    }
    return Finish(kExitOk);
}

int RunIds(const Context& ctx) {
    if (int rc = ctx.Connect()) return rc;
    const std::uint32_t serverNO = GetCurrentServerNO();
    const std::uint32_t mask = GetCurrentServerMask();
    if (!InitLocalObjectID()) return Fail("cannot read the ID counters");
    const LocalIdCounters c = GetLocalIdCounters();
    if (ctx.json) {
        PrintJson({{"serverNO", serverNO},
                   {"serverMask", mask},
                   {"serverID", GetCurrentServerID()},
                   {"nextObjectID", c.nextObjectID},
                   {"objectOverflow", c.objectOverflow},
                   {"nextPointID", c.nextPointID},
                   {"pointOverflow", c.pointOverflow},
                   {"nextAuthorizationRecordID", c.nextAuthorizationRecordID},
                   {"authorizationRecordOverflow", c.authorizationRecordOverflow},
                   {"alarmID", c.alarmID}});
        return Finish(kExitOk);
    }
    std::printf("server number  0x%08X\nserver mask    0x%08X\nserver ID      0x%08X\n", serverNO,
                mask, GetCurrentServerID());
    std::printf("object slice   0x%08X .. 0x%08X\n", serverNO, serverNO | ~mask);
    std::printf("object ID counter               0x%08X%s\n", c.nextObjectID,
                c.objectOverflow ? " (overflowed)" : "");
    std::printf("point ID counter                %u%s\n", c.nextPointID,
                c.pointOverflow ? " (overflowed)" : "");
    std::printf("authorisation-record counter    0x%08X%s\n", c.nextAuthorizationRecordID,
                c.authorizationRecordOverflow ? " (overflowed)" : "");
    std::printf("alarm ID counter                %llu\n",
                static_cast<unsigned long long>(c.alarmID));
    return Finish(kExitOk);
}

std::string Depth(unsigned int gap) {
    return gap == 0xFFFFFFFFu ? std::string("-") : std::to_string(gap);
}

int RunClasses(const Context& ctx) {
    if (int rc = ctx.OpenClasses()) return rc;
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
    Json list = Json::array();
    std::function<void(unsigned int, int)> visit = [&](unsigned int classID, int indent) {
        const unsigned int parent = GetParentClassID(classID);
        if (ctx.json) {
            list.push_back({{"class", classID},
                            {"name", ClassName(classID)},
                            {"parent", parent == 0xFFFFFFFFu ? Json(nullptr) : Json(parent)}});
        } else {
            std::printf("%-8u %*s%-*s %-8s %s\n", classID, indent, "", 26 - indent,
                        ClassName(classID).c_str(),
                        parent == 0xFFFFFFFFu ? "-" : std::to_string(parent).c_str(),
                        Depth(GetClassGradeGap(classID, 1)).c_str());
        }
        for (unsigned int child : children[classID]) visit(child, indent + 2);
    };
    if (!ctx.json) std::printf("%-8s %-26s %-8s %s\n", "class", "name", "parent", "depth");
    if (GetClsInfo(1)) visit(1, 0);
    for (unsigned int classID : outside) visit(classID, 0);
    if (ctx.json) {
        PrintJson(list);
    } else {
        std::printf("%zu classes registered\n", GetRegisteredClasses().size());
    }
    return Finish(kExitOk);
}

}  // namespace

void AddInstallationCommands(CLI::App& app, Context& ctx, Commands& commands) {
    struct InitArgs {
        std::string dir;
        std::optional<std::uint32_t> serverNo, serverMask;
    };
    auto a = std::make_shared<InitArgs>();
    CLI::App* init = AddCommand(
        app, "init",
        "create an installation directory (Config/ServerStation.ini naming ServerObjects.so, "
        "Language/English.ini, installation.db, or with --db naming a PostgreSQL database its URL "
        "in the station file's [Database] Connection, which --dir then uses) or, "
        "with --db only, a bare database",
        "noctl init site --server-no 0x01000000 --server-mask 0xFF000000");
    init->add_option("DIR", a->dir, "installation directory to create");
    init->add_option("--server-no", a->serverNo, "server number to store in ServerOption");
    init->add_option("--server-mask", a->serverMask, "server mask to store in ServerOption");
    commands.push_back({init, [a, &ctx] {
                            // A server's database stays the installation's database.
                            if (!a->dir.empty()) {
                                ctx.dir = a->dir;
                                if (!IsServerDatabase(ctx.db)) ctx.db.clear();
                            }
                            const bool directory = ctx.db.empty() || !a->dir.empty();
                            if (int rc = ctx.Resolve()) return rc;
                            return RunInit(ctx, directory, a->serverNo, a->serverMask);
                        }});

    CLI::App* info =
        AddCommand(app, "info", "the version, the connection and each table's row count",
                   "noctl --dir site info --json   # {\"version\",\"connection\",\"installation\","
                   "\"tables\":{NAME:ROWS}}");
    AddJsonFlag(info, ctx);
    commands.push_back({info, [&ctx] { return ctx.Resolve() ? kExitUsage : RunInfo(ctx); }});

    CLI::App* ids =
        AddCommand(app, "ids", "the server identity and the ID counters",
                   "noctl --dir site ids --json   # {\"serverNO\",\"serverMask\",\"serverID\","
                   "\"nextObjectID\",...}");
    AddJsonFlag(ids, ctx);
    commands.push_back({ids, [&ctx] { return ctx.Resolve() ? kExitUsage : RunIds(ctx); }});

    CLI::App* classes =
        AddCommand(app, "classes", "the class tree the registry builds",
                   "noctl --dir site classes --json   # [{\"class\",\"name\",\"parent\"}]");
    AddJsonFlag(classes, ctx);
    commands.push_back({classes, [&ctx] { return ctx.Resolve() ? kExitUsage : RunClasses(ctx); }});
}
