// A throw-away installation for tests: a fresh temporary directory with a Config/ folder and
// an installation database, all removed (after disconnecting) when the object goes.
//
// The database is a file in the directory, or, in the PostgreSQL run of a test program
// (NAMEOBJECT_TEST_ENGINE=postgresql), a fresh schema on the server that NAMEOBJECT_TEST_PG
// names (a URL); every test of that run is skipped when the server cannot be reached.
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
    // The connection string of the installation's database: <dir>/installation.db, or the
    // server's URL selecting the installation's own schema.
    std::string dbPath() const;
    // True in the PostgreSQL run: tests that need the SQLite file skip themselves.
    static bool OnPostgres();
    // Connects the shared database to dbPath() (creating the schema); a test failure when it
    // cannot.
    void Connect() const;
    // Writes <dir>/Config/ServerStation.ini.
    void WriteStationIni(const std::string& text) const;
    // Copies a class library of the build (e.g. "ServerObjects.so") to <dir>/lib/.
    void CopyClassLibrary(const std::string& module) const;

private:
    std::string m_dir;
    std::string m_pgSchema;  // the PostgreSQL run's schema, dropped with the installation
};
