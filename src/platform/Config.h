// The installation's configuration: server or client process, the installation directory,
// the station INI file, and an INI reader.
#pragma once

#include <map>
#include <string>

#include "platform/CString.h"
#include "platform/Export.h"

// Whether this process is the installation's server (default: yes).
NAMEOBJECT_API bool GetIsServerMode();
NAMEOBJECT_API void SetIsServerMode(bool server);

// The installation directory, with a trailing separator. A directory given with a trailing
// '\' or '/' is accepted; '\' separators are turned into '/'.
NAMEOBJECT_API void SetCurrentPath(const CString& directory);
NAMEOBJECT_API CString GetCurrentPath();

// File name of the station's INI file inside <installation>/Config/ (default
// "ServerStation.ini"; a host may change it).
NAMEOBJECT_API CString ConfigFileServerStation();
NAMEOBJECT_API void SetConfigFileServerStation(const CString& fileName);

// Joins the installation directory, "Config/" and the station file name.
NAMEOBJECT_API CString GetStationIniPath();

// An INI file reader (libinih): sections and keys are case-insensitive.
class NAMEOBJECT_API CIni {
public:
    CIni() = default;
    explicit CIni(const CString& fileName) { SetFileName(fileName); }

    // Reads the file (UTF-8, or UTF-16LE with a byte-order mark); false when it cannot be
    // opened (the reader is then empty) or when a line does not parse (that line is skipped
    // and reported to the debugger output; the other lines are kept). A line longer than
    // about 200 bytes is cut there, and its remainder is reported as a line that does not parse.
    bool SetFileName(const CString& fileName);
    void SetSection(const CString& section) { m_section = section; }
    const CString& GetFileName() const { return m_fileName; }

    // Values of the section chosen with SetSection.
    int GetInt(const CString& key, int defaultValue) const;
    CString GetString(const CString& key, const CString& defaultValue = CString()) const;
    // Values of the given section (the default is not optional here: with two arguments the
    // call would read as key and default).
    int GetInt(const CString& section, const CString& key, int defaultValue) const;
    CString GetString(const CString& section, const CString& key,
                      const CString& defaultValue) const;
    bool HasKey(const CString& section, const CString& key) const;

private:
    CString m_fileName;
    CString m_section;
    std::map<std::string, std::string> m_values;  // "section\nkey" (lower case) -> value
};
