// Shared set-up of the fuzz targets: a throw-away installation directory with this library's
// classes registered, and the seed-writing mode of the targets that generate their seeds.
#pragma once

#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/CString.h"
#include "platform/Config.h"
#include "registry/ClassRegistry.h"

namespace fuzz {

// Creates a fresh temporary installation directory (with Config/ and Language/), makes it the
// current installation and registers the library's classes. Aborts when that fails.
inline std::string MakeInstallation(const char* name, bool serverMode) {
    SetIsServerMode(serverMode);
    std::string pattern = std::string("/tmp/") + name + ".XXXXXX";
    const char* dir = mkdtemp(pattern.data());
    if (dir == nullptr) std::abort();
    const std::string root = std::string(dir) + "/";
    for (const char* sub : {"Config", "Language"}) {
        if (std::system(("mkdir -p '" + root + sub + "'").c_str()) != 0) std::abort();
    }
    if (!InitAllClassInfo(CString::FromUtf8(root))) std::abort();
    return root;
}

// The registered class IDs, ascending (every class the registry knows, including classes
// added to the library later).
inline const std::vector<unsigned int>& ClassIDs() {
    static const std::vector<unsigned int> ids = [] {
        std::vector<unsigned int> out;
        for (const auto& entry : GetRegisteredClasses()) out.push_back(entry.first);
        if (out.empty()) std::abort();
        return out;
    }();
    return ids;
}

// A registered class picked by a 32-bit word: the word itself when it is a registered class
// ID, else the class at (word mod count). Seeds that name a class keep naming it when classes
// are added.
inline unsigned int PickClass(std::uint32_t word) {
    const auto& ids = ClassIDs();
    if (GetClsInfo(word) != nullptr) return word;
    return ids[word % ids.size()];
}

inline int ClampSize(std::size_t size) {
    return size > static_cast<std::size_t>(INT_MAX) ? INT_MAX : static_cast<int>(size);
}

// With NAMEOBJECT_FUZZ_SEEDS=<dir> in the environment a target that generates its seeds
// writes them there with writeSeeds and the process ends; otherwise nothing happens.
inline void WriteSeedsWhenAsked(void (*writeSeeds)(const std::string& dir)) {
    const char* dir = std::getenv("NAMEOBJECT_FUZZ_SEEDS");
    if (dir == nullptr) return;
    writeSeeds(dir);
    std::exit(0);
}

inline void WriteSeed(const std::string& dir, const std::string& name,
                      const std::vector<std::uint8_t>& bytes) {
    const std::string path = dir + "/" + name;
    FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) std::abort();
    if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size())
        std::abort();
    std::fclose(f);
}

inline void AppendU32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

}  // namespace fuzz
