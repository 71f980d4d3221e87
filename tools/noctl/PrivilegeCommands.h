// noctl's operator and privilege commands: login, check, can, grant, lock, log, passwd.
#pragma once

#include <functional>
#include <optional>
#include <string>

namespace CLI {
class App;
}

// Adds the commands to app. connection and installation are read when a command runs (after
// parsing). The returned function runs the command that was parsed and gives its exit code,
// or nothing when none of these commands was given.
std::function<std::optional<int>()> AddPrivilegeCommands(CLI::App& app,
                                                         const std::string& connection,
                                                         const std::string& installation);
