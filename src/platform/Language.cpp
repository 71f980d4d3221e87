// Language texts: the installation's language file over built-in English texts.
#include "platform/Language.h"

#include <memory>
#include <mutex>

#include "platform/Config.h"

namespace {

// ---- built-in English texts ------------------------------------------------

struct StringText {
    const char16_t* key;
    const char16_t* text;
};

// Section "string". The log templates take their arguments in the order the change log
// passes them (class names, full names, then the error text).
constexpr StringText kStrings[] = {
    {u"IDS_SysPrivilege", u"System manager privilege"},
    {u"IDS_ServicePrivilege", u"Service privilege"},
    {u"IDS_OnDutyPrivilege", u"On-duty privilege"},
    {u"IDS_OperatorGroup_Sys", u"System manager group"},
    {u"IDS_OperatorGroup_Service", u"Service group"},
    {u"IDS_OperatorGroup_OnDuty", u"On-duty group"},
    // parent class, parent name, class, name
    {u"IDF_LogCreateObjectSuccess", u"In %s \"%s\", created %s \"%s\""},
    // class, name
    {u"IDF_LogCreateObjectSuccessNotHaveParent", u"Created %s \"%s\""},
    // parent class, parent name, class, name, error
    {u"IDF_LogCreateObjectFail", u"In %s \"%s\", failed to create %s \"%s\": %s"},
    // class, name, error
    {u"IDF_LogCreateObjectFailNotHaveParent", u"Failed to create %s \"%s\": %s"},
    // class, name, error
    {u"IDF_LogDeleteObject", u"Delete %s \"%s\": %s"},
    // container class, container name, class, name, error
    {u"IDF_LogDeleteMemberObject", u"From %s \"%s\", remove member %s \"%s\": %s"},
    // class, name
    {u"IDF_LogDeleteMemberObjectContainerNull", u"Remove member %s \"%s\" (no container)"},
    // container class, container name, class, name, error
    {u"IDF_LogAddMemberObject", u"To %s \"%s\", add member %s \"%s\": %s"},
    // class, name
    {u"IDF_LogAddMemberObjectContainerNull", u"Add member %s \"%s\" (no container)"},
    // class, old name, new name, error
    {u"IDF_LogSetObject_ChangeName", u"Change %s \"%s\", new name \"%s\": %s"},
    // class, name, error
    {u"IDF_LogSetObject", u"Change %s \"%s\": %s"},
};

// Texts keyed by a number: result codes and class IDs.
struct NumberedText {
    std::uint32_t number;
    const char16_t* text;
};

constexpr NumberedText kErrors[] = {
    {0x00000000, u"Success"},
    {0xA3E90065, u"The object does not exist"},
    {0xA3E90066, u"A built-in object cannot be deleted"},
    {0xA3E90069, u"The object is not of the required class"},
    {0xA3E9007A, u"The ID does not belong to this server"},
    {0xA3E9007B, u"No more object IDs are available"},
    {0xA3E9013C, u"The database is not available"},
    {0xA3E9013E, u"The database operation failed"},
    {0xA3E90389, u"The member is the container itself or contains it"},
    {0xA3E90579, u"An operator with this name already exists"},
    {0xA3E9057A, u"The operator's name cannot be changed"},
    {0xA3E92329, u"The container was given an empty member"},
    {0xA3E9232A, u"The area was given an empty member"},
    {0xA3E9232B, u"Out of memory"},
};

constexpr NumberedText kClasses[] = {
    {0, u"Server"},
    {1, u"Named object"},
    {2, u"Access object"},
    {3, u"Container"},
    {62, u"Area"},
    {63, u"Area group"},
    {850, u"Privilege"},
    {851, u"Privilege object"},
    {852, u"Privilege lock"},
    {853, u"System manager privilege"},
    {854, u"Service privilege"},
    {855, u"On-duty privilege"},
    {1200, u"Operator"},
    {1201, u"Administrator"},
    {1300, u"Operator group"},
    {1301, u"System manager group"},
    {1302, u"Service group"},
    {1303, u"On-duty group"},
    {1800, u"Option"},
    {6000, u"Article"},
};

const char16_t* BuiltInString(const CString& section, const CString& key) {
    if (section.CompareNoCase(u"string") != 0) return nullptr;
    for (const StringText& s : kStrings) {
        if (key.CompareNoCase(s.key) == 0) return s.text;
    }
    return nullptr;
}

template <std::size_t N>
const char16_t* BuiltInNumbered(const NumberedText (&table)[N], std::uint32_t number) {
    for (const NumberedText& entry : table) {
        if (entry.number == number) return entry.text;
    }
    return nullptr;
}

// ---- the language file -----------------------------------------------------

struct LanguageState {
    std::mutex mutex;
    CString name = u"English";
    std::shared_ptr<const CIni> file;  // null until first use after a (re)selection
};

// Never destroyed: texts may still be asked for while the process exits.
LanguageState& State() {
    static LanguageState* state = new LanguageState;
    return *state;
}

// The loaded language file; read on first use. A missing file is cached as an empty reader,
// so that every text falls back to its built-in value without touching the disk again.
std::shared_ptr<const CIni> LanguageFile() {
    LanguageState& state = State();
    std::lock_guard<std::mutex> lock(state.mutex);
    if (!state.file) {
        auto ini = std::make_shared<CIni>();
        ini->SetFileName(GetCurrentPath() + u"Language/" + state.name + u".ini");
        state.file = std::move(ini);
    }
    return state.file;
}

// The file's value of section/key when it has a non-empty one, else the built-in text, else
// `otherwise`.
CString Lookup(const CString& section, const CString& key, const char16_t* builtIn,
               const CString& otherwise) {
    CString text = LanguageFile()->GetString(section, key, CString());
    if (!text.IsEmpty()) return text;
    return builtIn != nullptr ? CString(builtIn) : otherwise;
}

}  // namespace

CString CAnalyzeLangINI::GetValue(const CString& section, const CString& key) {
    return Lookup(section, key, BuiltInString(section, key), CString());
}

CString CAnalyzeLangINI::GetError(std::int32_t code) {
    const auto ucode = static_cast<std::uint32_t>(code);
    return Lookup(u"error", CString::Formatted("ERR_%08X", ucode), BuiltInNumbered(kErrors, ucode),
                  CString::Formatted("Error 0x%08X", ucode));
}

void CAnalyzeLangINI::SetLanguage(const CString& name) {
    LanguageState& state = State();
    std::lock_guard<std::mutex> lock(state.mutex);
    state.name = name;
    state.file.reset();
}

void CAnalyzeLangINI::Reload() {
    LanguageState& state = State();
    std::lock_guard<std::mutex> lock(state.mutex);
    state.file.reset();
}

CString GetClassNameW(std::uint32_t classID) {
    return Lookup(u"class", CString::Formatted("CLASS_%u", classID),
                  BuiltInNumbered(kClasses, classID), CString::Formatted("Class %u", classID));
}
