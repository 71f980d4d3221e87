// The installation's configuration: server or client process, the installation directory,
// the station INI file, and an INI reader.
#pragma once

#include <map>
#include <string>

#include "platform/CString.h"

// Whether this process is the installation's server (default: yes).
bool GetIsServerMode();
void SetIsServerMode(bool server);

// The installation directory, with a trailing separator. A directory given with a trailing
// '\' or '/' is accepted; '\' separators are turned into '/'.
void SetCurrentPath(const CString& directory);
CString GetCurrentPath();

// File name of the station's INI file inside <installation>/Config/ (default
// "ServerStation.ini"; a host may change it).
CString ConfigFileServerStation();
void SetConfigFileServerStation(const CString& fileName);

// Joins the installation directory, "Config/" and the station file name.
CString GetStationIniPath();

// An INI file reader (libinih): sections and keys are case-insensitive.
class CIni {
public:
    CIni() = default;
    explicit CIni(const CString& fileName) { SetFileName(fileName); }

    // Reads the file; false when it cannot be opened or parsed (the reader is then empty).
    bool SetFileName(const CString& fileName);
    void SetSection(const CString& section) { m_section = section; }
    const CString& GetFileName() const { return m_fileName; }

    int GetInt(const CString& key, int defaultValue) const;
    CString GetString(const CString& key, const CString& defaultValue = CString()) const;
    int GetInt(const CString& section, const CString& key, int defaultValue) const;
    CString GetString(const CString& section, const CString& key,
                      const CString& defaultValue = CString()) const;
    bool HasKey(const CString& section, const CString& key) const;

private:
    CString m_fileName;
    CString m_section;
    std::map<std::string, std::string> m_values;  // "section\nkey" (lower case) -> value
};
