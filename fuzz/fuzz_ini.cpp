// The INI reader and the language file reader: the bytes become an INI file (CIni) and the
// installation's language file (CAnalyzeLangINI), which is then asked for texts of every
// kind: plain strings, error texts, class names and the change-log templates filled in by
// the log composer. Every answer must be a text, never a read outside the file or a crash;
// a key the reader reports has one value whatever the default asked with.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "FuzzSupport.h"
#include "core/NameObject.h"
#include "platform/Language.h"

namespace {

std::string g_root;

void WriteFile(const std::string& path, const std::uint8_t* data, std::size_t size) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) std::abort();
    if (size > 0 && std::fwrite(data, 1, size, f) != size) std::abort();
    std::fclose(f);
}

void ReadIni(const std::string& path) {
    CIni ini;
    ini.SetFileName(CString::FromUtf8(path));
    const char16_t* sections[] = {u"LoadTolveObject", u"string", u"a", u""};
    const char16_t* keys[] = {u"Count", u"Level", u"a", u"b", u""};
    for (const char16_t* section : sections) {
        for (const char16_t* key : keys) {
            // A key that is there reads the same whatever the default; one that is not
            // reads as the default.
            const CString a = ini.GetString(section, key, u"\x1F");
            const CString b = ini.GetString(section, key, u"\x1E");
            if (ini.HasKey(section, key) ? !(a == b) : !(a == CString(u"\x1F"))) std::abort();
            ini.GetInt(section, key, -1);
        }
    }
}

void AskLanguage() {
    CAnalyzeLangINI::Reload();
    CAnalyzeLangINI::GetValue(u"IDS_SysPrivilege");
    CAnalyzeLangINI::GetValue(u"string", u"a");
    for (std::int32_t code : {0, 1, static_cast<std::int32_t>(0xA3E9013E), -1})
        CAnalyzeLangINI::GetError(code);
    GetClassNameW(62);
    GetClassNameW(0xFFFFFFFFu);
    auto object = CreateNewObject(2);
    auto container = CreateNewObject(3);
    object->SetFullName(u"o%s%n");
    container->SetFullName(u"c");
    for (std::uint32_t result : {0u, 0x80000001u}) {
        object->CreateObjectLog(result, container);
        object->CreateObjectLog(result, nullptr);
        object->RemoveObjectLog(result, container);
        object->InsertObjectLog(result, nullptr);
        object->ChangeObjectLog(result, container, object);
    }
    object->DeleteObjectLog({}, 0);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    g_root = fuzz::MakeInstallation("fuzz_ini", true);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string station = g_root + "Config/ServerStation.ini";
    WriteFile(station, data, size);
    ReadIni(station);
    WriteFile(g_root + "Language/English.ini", data, size);
    AskLanguage();
    return 0;
}
