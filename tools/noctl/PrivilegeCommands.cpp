// noctl's operator and privilege commands. Each runs the start-up sequence first, so that it
// sees the installation as a server process would.
#include "PrivilegeCommands.h"

#include <termios.h>
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <memory>

#include "nameobject.h"

namespace {

int Fail(const std::string& message) {
    std::fprintf(stderr, "noctl: %s\n", message.c_str());
    DestroyAllObject();
    DisconnectDatabase();
    return 1;
}

int Finish(int rc) {
    DestroyAllObject();
    DisconnectDatabase();
    return rc;
}

bool Start(const std::string& connection, const std::string& installation) {
    if (!ConnectDatabase(connection) || !InitAllClassInfo(CString::FromUtf8(installation)))
        return false;
    InitLocalObjectID();
    InitAllObject();
    std::set<std::uint64_t> missingContainers, missingMembers;
    InitContainer(&missingContainers, &missingMembers);
    InitAllObjectRelation();
    return true;
}

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
    bool explain = false, remove = false;
    int limit = 50;
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
    std::printf("%s\n", allowed ? "allowed" : "denied");
    if (a.explain)
        std::printf("%s\n", ExplainPrivilege(op, target, a.privilegeClass, a.privilegeID)
                                .Describe()
                                .ToUtf8()
                                .c_str());
    return Finish(0);
}

int RunCan(const Args& a) {
    auto op = FindOperator(a.name);
    if (!op) return Fail("no operator \"" + a.name + "\" on this server");
    const auto objects = ListPrivilegedObjects(op, a.classID, a.privilegeClass, a.privilegeID);
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
    if (rc < 0) return Fail("cannot store the group: " + CAnalyzeLangINI::GetError(rc).ToUtf8());
    std::printf("%s %s on %u:%u\n", Key(*group).c_str(),
                a.remove ? "untied" : (lock ? "locks" : "grants"), a.classID, a.id);
    return Finish(0);
}

int RunLog(const Args& a) {
    CADORecordset rs(GetDatabase());
    if (!rs.Open(StrPrintf("SELECT dtTime, nOperatorID, nType, nClassID, nID, nServerNO, strText "
                           "FROM OperationLog "
                           "ORDER BY nLogID DESC LIMIT %d",
                           a.limit))) {
        return Fail("cannot read the operation log");
    }
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
        std::printf("%s  %s  0x%X  %u:%u:%u  %s\n", time.ToUtf8().c_str(),
                    name.IsEmpty() ? std::to_string(op).c_str() : name.ToUtf8().c_str(), type,
                    classID, id, serverNO, text.ToUtf8().c_str());
    }
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
    if (rc < 0) return Fail("cannot store the operator: " + CAnalyzeLangINI::GetError(rc).ToUtf8());
    std::printf("password of %s stored as an argon2id hash\n", a.name.c_str());
    return Finish(0);
}

}  // namespace

std::function<std::optional<int>()> AddPrivilegeCommands(CLI::App& app,
                                                         const std::string& connection,
                                                         const std::string& installation) {
    auto a = std::make_shared<Args>();
    CLI::App* login =
        app.add_subcommand("login", "check an operator's password (read without echo)");
    login->add_option("NAME", a->name, "operator full name")->required();

    CLI::App* check = app.add_subcommand("check", "may OPERATOR exercise a privilege on an object");
    check->add_option("OPERATOR", a->name)->required();
    check->add_option("CLASS", a->classID)->required();
    check->add_option("ID", a->id)->required();
    check->add_option("PRIVCLASS", a->privilegeClass)->required();
    check->add_option("PRIVID", a->privilegeID)->required();
    check->add_flag("--explain", a->explain,
                    "say which group, privilege object and container decided");

    CLI::App* can =
        app.add_subcommand("can", "every object of a class on which OPERATOR holds a privilege");
    can->add_option("OPERATOR", a->name)->required();
    can->add_option("PRIVCLASS", a->privilegeClass)->required();
    can->add_option("PRIVID", a->privilegeID)->required();
    can->add_option("--class", a->classID, "class ID (derived classes included)")->required();

    CLI::App* ties[2];
    for (int lock = 0; lock < 2; ++lock) {
        ties[lock] =
            app.add_subcommand(lock ? "lock" : "grant",
                               lock ? "lock a group out of a lock object's privileges on an object"
                                    : "give a group a privilege object's privileges on an object");
        ties[lock]->add_option("GROUP", a->group, "group full name or ID")->required();
        ties[lock]->add_option("CLASS", a->classID)->required();
        ties[lock]->add_option("ID", a->id)->required();
        ties[lock]->add_option(
            "HOLDER", a->holder,
            lock ? "lock object ID (class 852)" : "privilege object ID (class 851)");
        ties[lock]->add_flag("--remove", a->remove, "remove the object's entry instead");
    }
    CLI::App* log = app.add_subcommand("log", "the latest entries of the operation log");
    log->add_option("--limit", a->limit, "how many entries (default 50)");
    CLI::App* passwd =
        app.add_subcommand("passwd", "store a new password of OPERATOR as an argon2id hash");
    passwd->add_option("OPERATOR", a->name)->required();

    return [=, &connection, &installation]() -> std::optional<int> {
        CLI::App* parsed[] = {login, check, can, ties[0], ties[1], log, passwd};
        CLI::App* which = nullptr;
        for (CLI::App* c : parsed) {
            if (c->parsed()) which = c;
        }
        if (!which) return std::nullopt;
        if ((which == ties[0] || which == ties[1]) && !a->remove && a->holder == 0) {
            return Fail("HOLDER is required unless --remove is given");
        }
        if (!Start(connection, installation))
            return Fail("cannot open the installation at \"" + installation + "\"");
        if (which == login) return RunLogin(*a);
        if (which == check) return RunCheck(*a);
        if (which == can) return RunCan(*a);
        if (which == ties[0] || which == ties[1]) return RunTie(*a, which == ties[1]);
        if (which == log) return RunLog(*a);
        return RunPasswd(*a);
    };
}
