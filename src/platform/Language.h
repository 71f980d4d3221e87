// Language texts: object names, log templates, error texts and class display names.
//
// Texts come from the installation's language file, <installation>/Language/<name>.ini
// (name "English" by default), section "string"; every key the library uses has a built-in
// English text that is used when the file or the key is missing.
#pragma once

#include <cstdint>

#include "platform/CString.h"
#include "platform/Export.h"

class NAMEOBJECT_API CAnalyzeLangINI {
public:
    // The text of key in section (the built-in text, or empty for an unknown key).
    static CString GetValue(const CString& section, const CString& key);
    static CString GetValue(const CString& key) { return GetValue(u"string", key); }
    // The error text of a result code ("ERR_A3E9013E" in section "error" of the file, else
    // the built-in text; 0 is "Success"; an unknown code gives "Error 0x%08X").
    static CString GetError(std::int32_t code);
    static CString GetError(std::uint32_t code) {
        return GetError(static_cast<std::int32_t>(code));
    }

    // Selects the language file by name ("English", "Chinese", ...); reloads on next use.
    static void SetLanguage(const CString& name);
    // Forgets the loaded file (after the installation directory changed).
    static void Reload();
};

// The display name of a class ("CLASS_62" in section "class" of the language file, else
// the built-in English name; an unknown class gives "Class %u").
NAMEOBJECT_API CString GetClassNameW(std::uint32_t classID);
