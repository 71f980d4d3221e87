// Run-time loading of shared libraries and the path helpers of the class loader.
#include "platform/DynamicLibrary.h"

#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <vector>

#include "platform/DebugOutput.h"

namespace {

void ReportDlError(const char* what, const std::string& detail) {
    const char* reason = dlerror();
    std::string line = std::string(what) + ": " + detail;
    if (reason != nullptr) line += std::string(": ") + reason;
    OutputDebugStringW(CString::FromUtf8(line));
}

std::string WorkingDirectory() {
    std::vector<char> buffer(4096);
    while (getcwd(buffer.data(), buffer.size()) == nullptr) {
        if (errno != ERANGE || buffer.size() > (1u << 20)) return {};
        buffer.resize(buffer.size() * 2);
    }
    return buffer.data();
}

// Something whose address lies inside this library, for dladdr.
const char kModuleAnchor = 0;

}  // namespace

HMODULE LoadLibraryExW(const CString& path, void* /*file*/, unsigned /*flags*/) {
    const std::string file = path.ToUtf8();
    dlerror();
    HMODULE module = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (module == nullptr) ReportDlError("LoadLibraryExW failed", file);
    return module;
}

// A missing symbol is an ordinary answer (callers probe several names), so it is not reported.
void* GetProcAddress(HMODULE module, const char* name) {
    if (module == nullptr || name == nullptr) return nullptr;
    return dlsym(module, name);
}

int FreeLibrary(HMODULE module) {
    if (module == nullptr) return 0;
    dlerror();
    if (dlclose(module) != 0) {
        ReportDlError("FreeLibrary failed", "");
        return 0;
    }
    return 1;
}

bool PathFileExistsW(const CString& path) {
    struct stat st {};
    return !path.IsEmpty() && stat(path.ToUtf8().c_str(), &st) == 0;
}

CString GetFullPathNameW(const CString& path) {
    if (path.IsEmpty()) return CString();
    std::string text = path.ToUtf8();
    for (char& c : text) {
        if (c == '\\') c = '/';
    }
    if (text.front() != '/') {
        const std::string cwd = WorkingDirectory();
        if (cwd.empty()) return CString();
        text = cwd + '/' + text;
    }
    const bool trailingSlash = text.back() == '/';

    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find('/', start);
        if (end == std::string::npos) end = text.size();
        const std::string part = text.substr(start, end - start);
        if (part == "..") {
            if (!parts.empty()) parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        start = end + 1;
    }

    std::string full;
    for (const std::string& part : parts) full += '/' + part;
    if (full.empty() || trailingSlash) full += '/';
    return CString::FromUtf8(full);
}

CString GetLibraryModuleFileName() {
    Dl_info info{};
    if (dladdr(&kModuleAnchor, &info) == 0 || info.dli_fname == nullptr) return CString();
    return GetFullPathNameW(CString::FromUtf8(info.dli_fname));
}
