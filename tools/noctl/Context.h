// noctl's shared context: which installation a command works on, the start-up sequence a host
// runs on it, the exit codes and the way failures are printed.
//
// Exit codes: 0 success, 1 refused by the library (or the installation cannot be used),
// 2 usage error (bad arguments, unknown class, malformed value).
#pragma once

#include <CLI/CLI.hpp>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <nlohmann/json.hpp>
#include <set>
#include <string>
#include <thread>
#include <vector>

class CNameObject;

// JSON values keep their keys in insertion order, so text and JSON list sections alike.
using Json = nlohmann::ordered_json;

constexpr int kExitOk = 0;
constexpr int kExitRefused = 1;
constexpr int kExitUsage = 2;

// A progress bar on standard error for long commands: "load: [#####     ]  50% objects 12 s".
// Drawn only when standard output and standard error are both terminals, and only once the
// command has run for half a second; a ticker thread keeps the elapsed time moving while a
// library call runs. The line is wiped when the object is destroyed.
class Progress {
public:
    explicit Progress(std::string what);
    ~Progress();
    Progress(const Progress&) = delete;
    Progress& operator=(const Progress&) = delete;
    // Sets the finished fraction (0..1) and the stage text shown after the bar.
    void Set(double fraction, std::string stage);

private:
    void Draw();
    std::string m_what, m_stage;
    double m_fraction = 0;
    bool m_active, m_drawn = false, m_stop = false;
    std::chrono::steady_clock::time_point m_start = std::chrono::steady_clock::now();
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::thread m_ticker;
};

struct Context {
    std::string db;     // --db: a bare database file (or sqlite:...); empty when --dir is used
    std::string dir;    // --dir / NAMEOBJECT_HOME: the installation directory
    bool json = false;  // --json on read commands

    // Fills dir and db from each other after parsing: the installation directory defaults to
    // NAMEOBJECT_HOME, else the folder of --db; the database of a directory is
    // DIR/installation.db. Returns kExitOk or kExitUsage (message printed).
    int Resolve();
    // Connects to the database (creating the file when `create`). kExitOk or kExitRefused.
    int Connect(bool create = false) const;
    // Connects and registers the classes (this library's and the station INI file's).
    int OpenClasses() const;
    // The whole start-up sequence a host runs: classes, ID counters, objects, containers,
    // relations, the two finish notifications. Keys of containers and members that are not
    // loaded go into the sets when given; each step is shown on progress when given.
    // kExitOk or kExitRefused.
    int StartUp(std::set<std::uint64_t>* missingContainers = nullptr,
                std::set<std::uint64_t>* missingMembers = nullptr,
                Progress* progress = nullptr) const;
};

// Ends the session: destroys the loaded objects and disconnects. Returns rc.
int Finish(int rc);
// A connection string naming a PostgreSQL database (a server's, not a file).
bool IsServerDatabase(const std::string& connection);
// Prints "noctl: message" (and the library's last diagnostic) and returns Finish(kExitRefused).
int Fail(const std::string& message);
// Prints "noctl: what: NAME (0xCODE) text" for a result code the library returned.
int Refused(const std::string& what, std::int32_t code);
// Prints "noctl: message" and returns kExitUsage (before anything was opened).
int Usage(const std::string& message);

// The symbolic name of a result code ("E_OBJECT_NULL"), or "0x%08X" for an unknown one.
std::string ResultCodeName(std::int32_t code);
// The class's runtime name ("CArea"), or "?" when it is not registered.
std::string ClassName(unsigned int classID);
// Parses a decimal or 0x-hexadecimal 32-bit number; false when it is not one.
bool ParseNumber(const std::string& text, std::uint32_t& value);
// The loaded object classID:id, or null after printing "no object ..." (callers Fail).
std::shared_ptr<CNameObject> FindLoaded(unsigned int classID, std::uint32_t id);
// Key and name of an object as used in listings: 62:0x01000101 "Hall".
std::string Describe(const CNameObject& object);
// An object's identity as JSON: class, className, id, serverNO, name.
Json ObjectJson(const CNameObject& object);
// Every section of an object as "show" prints it: identity, basic fields, containers and
// members, area parameters, attributes, properties, extension data, images, alarm counters.
Json ShowJson(CNameObject& object);
// Prints ShowJson's value as text.
void PrintShow(const Json& value);
// Prints a JSON value on standard output, indented.
void PrintJson(const Json& value);

// A registered command: its CLI11 subcommand and what runs it once parsing is done.
struct Command {
    CLI::App* app;
    std::function<int()> run;
};
using Commands = std::vector<Command>;

// Adds a subcommand with a description and an example line shown by --help.
CLI::App* AddCommand(CLI::App& app, const std::string& name, const std::string& description,
                     const std::string& example);
// Adds --json to a read command.
void AddJsonFlag(CLI::App* command, Context& ctx);

// The command groups, each in its own file.
void AddInstallationCommands(CLI::App& app, Context& ctx, Commands& commands);
void AddLoadCommands(CLI::App& app, Context& ctx, Commands& commands);
void AddShowCommands(CLI::App& app, Context& ctx, Commands& commands);
void AddPrivilegeCommands(CLI::App& app, Context& ctx, Commands& commands);
void AddDemoCommands(CLI::App& app, Context& ctx, Commands& commands);
void AddWriteCommands(CLI::App& app, Context& ctx, Commands& commands);
void AddExchangeCommands(CLI::App& app, Context& ctx, Commands& commands);
void AddWatchCommand(CLI::App& app, Context& ctx, Commands& commands);
