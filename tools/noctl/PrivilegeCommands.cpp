// noctl's operator and privilege commands. Each runs the start-up sequence first, so that it
// sees the installation as a server process would.
#include <termios.h>
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <memory>

#include "Context.h"
#include "nameobject.h"

namespace {

// A line from standard input; without echo when it is a terminal.
std::string ReadSecret(const char* prompt) {
    std::fprintf(stderr, "%s", prompt);
    termios saved{};
    const bool tty = isatty(STDIN_FILENO) && tcgetattr(STDIN_FILENO, &saved) == 0;
    if (tty) {
        termios quiet = saved;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
    }
    std::string line;
    std::getline(std::cin, line);
    if (tty) {
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved);
        std::fprintf(stderr, "\n");
    }
    return line;
}

std::shared_ptr<COperator> FindOperator(const std::string& name) {
    return COperator::GetOperator(CString::FromUtf8(name), GetCurrentServerNO());
}

// A group by full name, or by ID (decimal or 0x hex).
std::shared_ptr<COperatorGroup> FindGroup(const std::string& name) {
    const CString wanted = CString::FromUtf8(name);
    char* end = nullptr;
    const unsigned long number = std::strtoul(name.c_str(), &end, 0);
    const bool isNumber = !name.empty() && *end == '\0';
    for (const auto& [id, object] :
         GDM_GetMapCopy(COperatorGroup::kClassID, GetCurrentServerNO())) {
        auto group = COperatorGroup::Cast(object);
        if (group && (group->GetFullName() == wanted || (isNumber && id == number))) return group;
    }
    return nullptr;
}

std::string Key(const CNameObject& o) {
    return std::to_string(o.GetObjectClassID()) + ":" + std::to_string(o.GetID()) + " \"" +
           o.GetFullName().ToUtf8() + "\"";
}

struct Args {
    std::string name, group;
    std::uint32_t classID = 0, id = 0, privilegeClass = 0, privilegeID = 0, holder = 0;
    bool explain = false, remove = false, json = false;
    int limit = 50;
    std::string since, logOperator;
};

int RunLogin(const Args& a) {
    const CString password = CString::FromUtf8(ReadSecret("password: "));
    const CString name = CString::FromUtf8(a.name);
    if (COperator::Authorize(&name, &password, GetCurrentServerNO())) {
        std::printf("authorized %s\n", a.name.c_str());
        return Finish(0);
    }
    std::printf("refused\n");
    return Finish(1);
}

int RunCheck(const Args& a) {
    auto op = FindOperator(a.name);
    if (!op) return Fail("no operator \"" + a.name + "\" on this server");
    auto object = FindObject(a.classID, a.id);
    if (!object || !object->IsKindOf(RUNTIME_CLASS(CAccessObject))) {
        return Fail("no access object " + std::to_string(a.classID) + ":" + std::to_string(a.id));
    }
    auto target = std::static_pointer_cast<CAccessObject>(object);
    const int allowed = op->HasPrivilege(target, a.privilegeClass, a.privilegeID);
    const std::string why =
        a.explain || a.json
            ? ExplainPrivilege(op, target, a.privilegeClass, a.privilegeID).Describe().ToUtf8()
            : "";
    if (a.json) {
        PrintJson({{"allowed", allowed != 0}, {"explanation", why}});
        return Finish(0);
    }
    std::printf("%s\n", allowed ? "allowed" : "denied");
    if (a.explain) std::printf("%s\n", why.c_str());
    return Finish(0);
}

int RunCan(const Args& a) {
    auto op = FindOperator(a.name);
    if (!op) return Fail("no operator \"" + a.name + "\" on this server");
    const auto objects = ListPrivilegedObjects(op, a.classID, a.privilegeClass, a.privilegeID);
    if (a.json) {
        Json list = Json::array();
        for (const auto& [key, object] : objects) list.push_back(ObjectJson(*object));
        PrintJson(list);
        return Finish(0);
    }
    for (const auto& [key, object] : objects) std::printf("%s\n", Key(*object).c_str());
    std::printf("%zu objects\n", objects.size());
    return Finish(0);
}

// grant / lock: ties (or with --remove unties) an object to a privilege or lock object.
int RunTie(const Args& a, bool lock) {
    auto group = FindGroup(a.group);
    if (!group) return Fail("no operator group \"" + a.group + "\"");
    auto map = lock ? group->GetPrivilegeLock() : group->GetPrivilegeObject();
    auto& inner = map[group->GetServerNO()];
    const std::uint64_t key = MakeClassIDAndIDKey(a.classID, a.id);
    if (a.remove) {
        inner.erase(key);
    } else {
        const std::uint32_t holderClass =
            lock ? CPrivilegeLock::kClassID : CPrivilegeObject::kClassID;
        if (!FindObject(holderClass, a.holder)) {
            return Fail("no " + std::string(lock ? "lock" : "privilege") + " object " +
                        std::to_string(a.holder));
        }
        inner[key] = a.holder;
    }
    if (inner.empty()) map.erase(group->GetServerNO());
    lock ? group->SetPrivilegeLock(map) : group->SetPrivilegeObject(map);
    const std::int32_t rc = group->UpdateRecord();
    if (rc < 0) return Refused("cannot store the group", rc);
    std::printf("%s %s on %u:%u\n", Key(*group).c_str(),
                a.remove ? "untied" : (lock ? "locks" : "grants"), a.classID, a.id);
    return Finish(0);
}

// The latest entries of the operation log, newest first; --since keeps entries at or after
// a time ("2026-12-06" or "2026-12-06 10:00:00"), --operator those of one operator.
int RunLog(const Args& a) {
    std::string where = " WHERE 1 = 1";
    if (!a.since.empty()) where += " AND dtTime >= '" + SqlEscape(a.since) + "'";
    if (!a.logOperator.empty()) {
        auto op = FindOperator(a.logOperator);
        if (!op) return Fail("no operator \"" + a.logOperator + "\" on this server");
        where += StrPrintf(" AND nOperatorID = %u", op->GetID());
    }
    CADORecordset rs(GetDatabase());
    if (!rs.Open("SELECT dtTime, nOperatorID, nType, nClassID, nID, nServerNO, strText FROM "
                 "OperationLog" +
                 where + StrPrintf(" ORDER BY nLogID DESC LIMIT %d", a.limit))) {
        return Fail("cannot read the operation log");
    }
    Json entries = Json::array();
    for (; !rs.IsEOF(); rs.MoveNext()) {
        CString time, text;
        unsigned int op = 0, type = 0, classID = 0, id = 0, serverNO = 0;
        rs.GetFieldValue(0, time);
        rs.GetFieldValue(1, op);
        rs.GetFieldValue(2, type);
        rs.GetFieldValue(3, classID);
        rs.GetFieldValue(4, id);
        rs.GetFieldValue(5, serverNO);
        rs.GetFieldValue(6, text);
        const CString name = COperator::GetSafeFullName(op);
        const std::string who = name.IsEmpty() ? std::to_string(op) : name.ToUtf8();
        if (a.json) {
            entries.push_back({{"time", time.ToUtf8()},
                               {"operator", who},
                               {"type", type},
                               {"class", classID},
                               {"id", id},
                               {"serverNO", serverNO},
                               {"text", text.ToUtf8()}});
        } else {
            std::printf("%s  %s  0x%X  %u:%u:%u  %s\n", time.ToUtf8().c_str(), who.c_str(), type,
                        classID, id, serverNO, text.ToUtf8().c_str());
        }
    }
    if (a.json) PrintJson(entries);
    return Finish(0);
}

int RunPasswd(const Args& a) {
    auto op = FindOperator(a.name);
    if (!op) return Fail("no operator \"" + a.name + "\" on this server");
    const std::string first = ReadSecret("new password: ");
    if (first != ReadSecret("again: ")) return Fail("the passwords differ");
    const CString hash = COperator::HashPassword(CString::FromUtf8(first));
    if (hash.IsEmpty()) return Fail("cannot hash the password");
    op->SetPwd(hash);
    op->SetModifyPassTime(COleDateTime::GetCurrentTime());
    const std::int32_t rc = op->UpdateRecord();
    if (rc < 0) return Refused("cannot store the operator", rc);
    std::printf("password of %s stored as an argon2id hash\n", a.name.c_str());
    return Finish(0);
}

}  // namespace

void AddPrivilegeCommands(CLI::App& app, Context& ctx, Commands& commands) {
    auto a = std::make_shared<Args>();
    auto add = [&](CLI::App* command, int (*run)(const Args&)) {
        commands.push_back({command, [a, run, &ctx] {
                                if (int rc = ctx.Resolve()) return rc;
                                if (int rc = ctx.StartUp()) return rc;
                                return run(*a);
                            }});
    };
    CLI::App* login = AddCommand(app, "login", "check an operator's password (read without echo)",
                                 "echo secret | noctl --dir site login admin");
    login->add_option("NAME", a->name, "operator full name")->required();
    add(login, RunLogin);

    CLI::App* check = AddCommand(app, "check", "may OPERATOR exercise a privilege on an object",
                                 "noctl --dir site check admin 62 0x01000102 7 3 --explain   "
                                 "# --json: {\"allowed\",\"explanation\"}");
    check->add_option("OPERATOR", a->name)->required();
    check->add_option("CLASS", a->classID)->required();
    check->add_option("ID", a->id)->required();
    check->add_option("PRIVCLASS", a->privilegeClass)->required();
    check->add_option("PRIVID", a->privilegeID)->required();
    check->add_flag("--explain", a->explain,
                    "say which group, privilege object and container decided");
    check->add_flag("--json", a->json, "print the result as JSON");
    add(check, RunCheck);

    CLI::App* can = AddCommand(
        app, "can", "every object of a class on which OPERATOR holds a privilege",
        "noctl --dir site can admin 7 3 --class 62   # --json: [{\"class\",\"className\","
        "\"id\",\"serverNO\",\"name\"}]");
    can->add_option("OPERATOR", a->name)->required();
    can->add_option("PRIVCLASS", a->privilegeClass)->required();
    can->add_option("PRIVID", a->privilegeID)->required();
    can->add_option("--class", a->classID, "class ID (derived classes included)")->required();
    can->add_flag("--json", a->json, "print the result as JSON");
    add(can, RunCan);

    for (int lock = 0; lock < 2; ++lock) {
        CLI::App* tie =
            AddCommand(app, lock ? "lock" : "grant",
                       lock ? "lock a group out of a lock object's privileges on an object"
                            : "give a group a privilege object's privileges on an object",
                       lock ? "noctl --dir site lock Guards 62 0x01000102 0x01000110"
                            : "noctl --dir site grant Guards 62 0x01000102 0x0100010F");
        tie->add_option("GROUP", a->group, "group full name or ID")->required();
        tie->add_option("CLASS", a->classID)->required();
        tie->add_option("ID", a->id)->required();
        tie->add_option("HOLDER", a->holder,
                        lock ? "lock object ID (class 852)" : "privilege object ID (class 851)");
        tie->add_flag("--remove", a->remove, "remove the object's entry instead");
        commands.push_back({tie, [a, lock, &ctx] {
                                if (!a->remove && a->holder == 0)
                                    return Usage("HOLDER is required unless --remove is given");
                                if (int rc = ctx.Resolve()) return rc;
                                if (int rc = ctx.StartUp()) return rc;
                                return RunTie(*a, lock != 0);
                            }});
    }
    CLI::App* log =
        AddCommand(app, "log", "the latest entries of the operation log, newest first",
                   "noctl --dir site log --since 2026-12-01 --operator admin --json   # [{\"time\","
                   "\"operator\",\"type\",\"class\",\"id\",\"serverNO\",\"text\"}]");
    log->add_option("--limit", a->limit, "how many entries (default 50)");
    log->add_option("--since", a->since,
                    "only entries at or after this time (YYYY-MM-DD[ HH:MM:SS])");
    log->add_option("--operator", a->logOperator, "only entries of this operator");
    log->add_flag("--json", a->json, "print the result as JSON");
    add(log, RunLog);

    CLI::App* passwd =
        AddCommand(app, "passwd", "store a new password of OPERATOR as an argon2id hash",
                   "noctl --dir site passwd admin");
    passwd->add_option("OPERATOR", a->name)->required();
    add(passwd, RunPasswd);
}
