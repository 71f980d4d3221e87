#include "Context.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <set>

#include "nameobject.h"

namespace fs = std::filesystem;

namespace {

// The library's diagnostic line for a failure: the database layer writes the engine's error
// to the debugger output. Until start-up is done the last line counts; after it the first
// one, which names the cause (later lines are the refusals that follow from it).
std::string& LastDiagnostic() {
    static std::string line;
    return line;
}
bool g_keepFirstDiagnostic = false;

// The file a connection string names, or empty for an in-memory or PostgreSQL database.
std::string FileOf(const std::string& connection) {
    if (IsServerDatabase(connection)) return std::string();
    const std::string path =
        connection.rfind("sqlite:", 0) == 0 ? connection.substr(7) : connection;
    return path == ":memory:" ? std::string() : path;
}

}  // namespace

bool IsServerDatabase(const std::string& connection) {
    return connection.rfind("postgresql:", 0) == 0 || connection.rfind("postgres://", 0) == 0;
}

int Context::Resolve() {
    SetDebugOutputSink([](const CString& line) {
        if (!g_keepFirstDiagnostic || LastDiagnostic().empty()) LastDiagnostic() = line.ToUtf8();
    });
    if (dir.empty() && db.empty()) {
        if (const char* home = std::getenv("NAMEOBJECT_HOME")) dir = home;
    }
    if (dir.empty() && db.empty()) return Usage("give --dir DIR, --db FILE or set NAMEOBJECT_HOME");
    if (db.empty()) {
        // An installation on a shared database names it in its station file.
        const CIni station(
            CString::FromUtf8((fs::path(dir) / "Config/ServerStation.ini").string()));
        db = station.GetString(u"Database", u"Connection", CString()).ToUtf8();
        if (db.empty()) db = (fs::path(dir) / "installation.db").string();
    }
    if (dir.empty()) {
        const fs::path folder = fs::path(FileOf(db).empty() ? "." : FileOf(db)).parent_path();
        dir = folder.empty() ? "." : folder.string();
    }
    if (dir.back() != '/') dir += '/';
    return kExitOk;
}

int Context::Connect(bool create) const {
    const std::string file = FileOf(db);
    std::error_code ec;
    if (!create && !file.empty() && !fs::is_regular_file(file, ec)) {
        return Fail("no installation database at \"" + file + "\" (run noctl init first)");
    }
    if (!ConnectDatabase(db)) return Fail("cannot open the installation database \"" + db + "\"");
    return kExitOk;
}

int Context::OpenClasses() const {
    if (int rc = Connect()) return rc;
    if (!InitAllClassInfo(CString::FromUtf8(dir))) {
        return Fail("cannot register the classes of the installation at \"" + dir + "\"");
    }
    return kExitOk;
}

Progress::Progress(std::string what)
    : m_what(std::move(what)), m_active(isatty(STDOUT_FILENO) && isatty(STDERR_FILENO)) {
    if (!m_active) return;
    m_ticker = std::thread([this] {
        std::unique_lock lock(m_mutex);
        while (!m_wake.wait_for(lock, std::chrono::milliseconds(250), [this] { return m_stop; }))
            Draw();
    });
}

Progress::~Progress() {
    if (!m_active) return;
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_wake.notify_one();
    m_ticker.join();
    if (m_drawn) std::fprintf(stderr, "\r\033[K");
}

void Progress::Set(double fraction, std::string stage) {
    if (!m_active) return;
    std::lock_guard lock(m_mutex);
    m_fraction = std::clamp(fraction, 0.0, 1.0);
    m_stage = std::move(stage);
    Draw();
}

void Progress::Draw() {
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - m_start).count();
    if (seconds < 0.5) return;
    constexpr int kWidth = 30;
    const int filled = static_cast<int>(m_fraction * kWidth);
    std::fprintf(stderr, "\r\033[K%s: [%s%s] %3d%% %s %.0f s", m_what.c_str(),
                 std::string(filled, '#').c_str(), std::string(kWidth - filled, ' ').c_str(),
                 static_cast<int>(m_fraction * 100), m_stage.c_str(), seconds);
    std::fflush(stderr);
    m_drawn = true;
}

int Context::StartUp(std::set<std::uint64_t>* missingContainers,
                     std::set<std::uint64_t>* missingMembers, Progress* progress) const {
    // Rough shares of the start-up time at scale: the object table dominates.
    auto step = [progress](double fraction, const char* stage) {
        if (progress) progress->Set(fraction, stage);
    };
    step(0, "classes");
    if (int rc = OpenClasses()) return rc;
    step(0.02, "ID counters");
    if (!InitLocalObjectID()) return Fail("cannot read the ID counters");
    step(0.03, "objects");
    if (!InitAllObject()) return Fail("cannot load the installation's objects");
    step(0.65, "memberships");
    if (!InitContainer(missingContainers, missingMembers)) {
        return Fail("cannot load the installation's objects");
    }
    step(0.8, "relations");
    InitAllObjectRelation();
    step(1, "done");
    InitObjectFinishNotify();
    InitStartFinishNotify();
    LastDiagnostic().clear();  // start-up's progress lines are not the cause of a later failure
    g_keepFirstDiagnostic = true;
    return kExitOk;
}

int Finish(int rc) {
    DestroyAllObject();
    DisconnectDatabase();
    return rc;
}

int Fail(const std::string& message) {
    // One line: the message, then the library's diagnostic (cut short: it may quote a statement).
    std::string cause = LastDiagnostic();
    while (!cause.empty() && std::isspace(static_cast<unsigned char>(cause.back())))
        cause.pop_back();
    if (cause.size() > 160) cause = cause.substr(0, 157) + "...";
    std::fprintf(stderr, "noctl: %s%s%s\n", message.c_str(), cause.empty() ? "" : "; ",
                 cause.c_str());
    return Finish(kExitRefused);
}

int Refused(const std::string& what, std::int32_t code) {
    return Fail(what + ": " + ResultCodeName(code) +
                StrPrintf(" (0x%08X) ", static_cast<std::uint32_t>(code)) +
                CAnalyzeLangINI::GetError(code).ToUtf8());
}

int Usage(const std::string& message) {
    std::fprintf(stderr, "noctl: %s\n", message.c_str());
    return kExitUsage;
}

std::string ResultCodeName(std::int32_t code) {
    static const std::pair<std::int32_t, const char*> kNames[] = {
        {S_SUCCESS, "S_SUCCESS"},
        {E_OBJECT_NULL, "E_OBJECT_NULL"},
        {E_BUILTIN_NOT_DELETABLE, "E_BUILTIN_NOT_DELETABLE"},
        {E_WRONG_OBJECT_CLASS, "E_WRONG_OBJECT_CLASS"},
        {E_ID_NOT_LOCAL, "E_ID_NOT_LOCAL"},
        {E_ALLOC_OBJECT_ID, "E_ALLOC_OBJECT_ID"},
        {E_DATABASE_UNAVAILABLE, "E_DATABASE_UNAVAILABLE"},
        {E_DATABASE_OPERATION, "E_DATABASE_OPERATION"},
        {E_CONTAINER_CYCLE, "E_CONTAINER_CYCLE"},
        {E_OPERATOR_NAME_EXISTS, "E_OPERATOR_NAME_EXISTS"},
        {E_OPERATOR_NAME_FIXED, "E_OPERATOR_NAME_FIXED"},
        {E_CONTAINER_MEMBER_NULL, "E_CONTAINER_MEMBER_NULL"},
        {E_AREA_MEMBER_NULL, "E_AREA_MEMBER_NULL"},
        {E_OUT_OF_MEMORY, "E_OUT_OF_MEMORY"},
        {E_NO_CHANGE_FEED, "E_NO_CHANGE_FEED"},
    };
    for (const auto& [value, name] : kNames) {
        if (value == code) return name;
    }
    return StrPrintf("0x%08X", static_cast<std::uint32_t>(code));
}

std::string ClassName(unsigned int classID) {
    auto sample = CreateNewObject(classID);
    if (!sample) return "?";
    const char* name = sample->GetRuntimeClass()->m_lpszClassName;
    sample->FinalRelease();
    return name ? name : "?";
}

bool ParseNumber(const std::string& text, std::uint32_t& value) {
    if (text.empty() || text[0] == '-') return false;
    char* end = nullptr;
    errno = 0;
    const unsigned long long number = std::strtoull(text.c_str(), &end, 0);
    if (*end != '\0' || errno != 0 || number > 0xFFFFFFFFull) return false;
    value = static_cast<std::uint32_t>(number);
    return true;
}

std::shared_ptr<CNameObject> FindLoaded(unsigned int classID, std::uint32_t id) {
    auto object = GDM_Find(classID, id);
    if (!object) std::fprintf(stderr, "noctl: no object %u:0x%08X is loaded\n", classID, id);
    return object;
}

std::string Describe(const CNameObject& o) {
    return StrPrintf("%u:0x%08X \"%s\"", o.GetObjectClassID(), o.GetID(),
                     o.GetFullName().ToUtf8().c_str());
}

Json ObjectJson(const CNameObject& o) {
    return {{"class", o.GetObjectClassID()},
            {"className", ClassName(o.GetObjectClassID())},
            {"id", o.GetID()},
            {"serverNO", o.GetServerNO()},
            {"name", o.GetFullName().ToUtf8()}};
}

void PrintJson(const Json& value) {
    std::printf("%s\n",
                value.dump(2, ' ', false, nlohmann::json::error_handler_t::replace).c_str());
}

CLI::App* AddCommand(CLI::App& app, const std::string& name, const std::string& description,
                     const std::string& example) {
    CLI::App* command = app.add_subcommand(name, description);
    command->footer("Example:\n  " + example);
    return command;
}

void AddJsonFlag(CLI::App* command, Context& ctx) {
    command->add_flag("--json", ctx.json, "print the result as JSON (shape shown in the example)");
}
