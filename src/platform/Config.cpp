// Process configuration (server mode, installation directory, station file) and the INI reader.
#include "platform/Config.h"

#include <ini.h>

#include <atomic>
#include <cctype>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "platform/DebugOutput.h"
#include "platform/NoThrow.h"

namespace {

std::atomic<bool> g_serverMode{true};

struct PathState {
    std::mutex mutex;
    CString currentPath;
    CString stationFile = u"ServerStation.ini";
};

// Never destroyed: paths may still be asked for while the process exits.
PathState& Paths() {
    static PathState* state = new PathState;
    return *state;
}

std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

std::string MakeKey(const CString& section, const CString& key) {
    return Lower(section.ToUtf8()) + '\n' + Lower(key.ToUtf8());
}

// libinih callback: the first value of a key wins, as with the platform's profile functions.
// Nothing may unwind through the C parser: 0 (the line counts as not parsed) when memory runs
// out.
int CollectValue(void* user, const char* section, const char* name, const char* value) {
    auto& values = *static_cast<std::map<std::string, std::string>*>(user);
    return GuardAllocation(0, [&] {
        values.emplace(Lower(section) + '\n' + Lower(name), value != nullptr ? value : "");
        return 1;
    });
}

// Reads the whole file; false when it cannot be opened or read (a directory, for one).
bool ReadFile(const std::string& path, std::string& out) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr) return false;
    char chunk[4096];
    std::size_t n = 0;
    bool ok = GuardAllocation(false, [&] {
        while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) out.append(chunk, n);
        return true;
    });
    ok = ok && !std::ferror(f);
    std::fclose(f);
    return ok;
}

// Files saved by Windows editors are often UTF-16LE with a byte-order mark; the parser
// takes UTF-8, so such content is converted first.
std::string ToUtf8Text(const std::string& raw) {
    if (raw.size() < 2 || static_cast<unsigned char>(raw[0]) != 0xFF ||
        static_cast<unsigned char>(raw[1]) != 0xFE) {
        return raw;
    }
    std::u16string units((raw.size() - 2) / 2, u'\0');
    std::memcpy(units.data(), raw.data() + 2, units.size() * 2);
    return CString(std::move(units)).ToUtf8();
}

}  // namespace

// ---- process configuration -------------------------------------------------

bool GetIsServerMode() { return g_serverMode.load(); }

void SetIsServerMode(bool server) { g_serverMode.store(server); }

void SetCurrentPath(const CString& directory) {
    std::u16string path = directory.str();
    for (char16_t& c : path) {
        if (c == u'\\') c = u'/';
    }
    if (!path.empty()) {
        while (path.size() > 1 && path.back() == u'/') path.pop_back();
        if (path.back() != u'/') path += u'/';
    }
    PathState& state = Paths();
    std::lock_guard<std::mutex> lock(state.mutex);
    state.currentPath = CString(std::move(path));
}

CString GetCurrentPath() {
    PathState& state = Paths();
    std::lock_guard<std::mutex> lock(state.mutex);
    return state.currentPath;
}

CString ConfigFileServerStation() {
    PathState& state = Paths();
    std::lock_guard<std::mutex> lock(state.mutex);
    return state.stationFile;
}

void SetConfigFileServerStation(const CString& fileName) {
    PathState& state = Paths();
    std::lock_guard<std::mutex> lock(state.mutex);
    state.stationFile = fileName;
}

CString GetStationIniPath() { return GetCurrentPath() + u"Config/" + ConfigFileServerStation(); }

// ---- CIni ------------------------------------------------------------------

bool CIni::SetFileName(const CString& fileName) {
    m_fileName = fileName;
    m_values.clear();
    std::string raw;
    if (!ReadFile(fileName.ToUtf8(), raw)) return false;
    std::map<std::string, std::string> values;
    const int rc = GuardAllocation(
        -2, [&] { return ini_parse_string(ToUtf8Text(raw).c_str(), CollectValue, &values); });
    if (rc < 0) return false;
    // A line that does not parse is skipped; the rest of the file is still used.
    m_values = std::move(values);
    if (rc > 0) {
        OutputDebugStringW(CString::FromUtf8("CIni: " + fileName.ToUtf8() + ": line " +
                                             std::to_string(rc) + " does not parse"));
        return false;
    }
    return true;
}

CString CIni::GetString(const CString& key, const CString& defaultValue) const {
    return GetString(m_section, key, defaultValue);
}

int CIni::GetInt(const CString& key, int defaultValue) const {
    return GetInt(m_section, key, defaultValue);
}

CString CIni::GetString(const CString& section, const CString& key,
                        const CString& defaultValue) const {
    const auto it = m_values.find(MakeKey(section, key));
    return it != m_values.end() ? CString::FromUtf8(it->second) : defaultValue;
}

// Decimal, 0x-hexadecimal or 0-octal. Values up to 0xFFFFFFFF are accepted and wrap to
// int (so an unsigned 32-bit value survives the round trip); anything else is the default.
int CIni::GetInt(const CString& section, const CString& key, int defaultValue) const {
    const auto it = m_values.find(MakeKey(section, key));
    if (it == m_values.end()) return defaultValue;
    const char* begin = it->second.c_str();
    char* end = nullptr;
    errno = 0;
    const long long value = std::strtoll(begin, &end, 0);
    if (end == begin || errno == ERANGE) return defaultValue;
    if (value < INT32_MIN || value > static_cast<long long>(UINT32_MAX)) return defaultValue;
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
}

bool CIni::HasKey(const CString& section, const CString& key) const {
    return m_values.count(MakeKey(section, key)) != 0;
}
