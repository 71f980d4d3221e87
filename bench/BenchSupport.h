// What the benchmark programs share: a count of operator-new calls (the allocation figures)
// and the paths of the installation they build in the temp directory.
#pragma once

#include <atomic>
#include <cstddef>
#include <filesystem>
#include <string>

namespace bench {

// Calls of the global operator new since the program started.
std::size_t Allocations();

inline std::string TempPath(const std::string& name) {
    return (std::filesystem::temp_directory_path() / name).string();
}

inline std::string InstallationDir() { return TempPath("nameobject-bench-installation") + "/"; }

}  // namespace bench
