// noctl's object and area commands: "show CLASS ID" prints one loaded object with its
// parameters, facets and counters; AlarmTotal gives the tree its alarm totals.
#pragma once

#include <CLI/CLI.hpp>
#include <functional>
#include <string>

class CNameObject;

struct ShowRequest {
    CLI::App* command = nullptr;
    unsigned int classID = 0;
    std::string id;  // decimal or 0x-hexadecimal
};

// Registers "show" on app, filling `show` when it is parsed.
void AddAreaCommands(CLI::App& app, ShowRequest& show);
// Runs "show": `startUp` opens and loads the installation (0 on success, else the exit code).
// Returns the process exit code.
int RunShow(const ShowRequest& show, const std::function<int()>& startUp);
// " [total alarms N]" for areas and area groups, empty for every other object.
std::string AlarmTotal(const CNameObject& object);
