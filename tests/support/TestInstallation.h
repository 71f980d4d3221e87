// A throw-away installation for tests: a fresh temporary directory with a Config/ folder and
// an installation database file, all removed (after disconnecting) when the object goes.
#pragma once

#include <string>

class TestInstallation {
public:
    TestInstallation();
    ~TestInstallation();
    TestInstallation(const TestInstallation&) = delete;
    TestInstallation& operator=(const TestInstallation&) = delete;

    // The directory, without a trailing separator.
    const std::string& dir() const { return m_dir; }
    // <dir>/installation.db
    std::string dbPath() const { return m_dir + "/installation.db"; }
    // Connects the shared database to dbPath() (creating the schema); a test failure when it
    // cannot.
    void Connect() const;
    // Writes <dir>/Config/ServerStation.ini.
    void WriteStationIni(const std::string& text) const;
    // Copies a class library of the build (e.g. "ServerObjects.so") to <dir>/lib/.
    void CopyClassLibrary(const std::string& module) const;

private:
    std::string m_dir;
};
