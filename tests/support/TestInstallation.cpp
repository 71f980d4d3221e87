#include "support/TestInstallation.h"

#include <gtest/gtest.h>
#include <libpq-fe.h>
#include <stdlib.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <vector>

#include "platform/Database.h"

namespace {

std::string PostgresServer() {
    const char* url = std::getenv("NAMEOBJECT_TEST_PG");
    return url ? url : "";
}

// Runs one statement on the test server; empty on success, else the server's message.
std::string RunOnServer(const std::string& sql) {
    PGconn* conn = PQconnectdb(PostgresServer().c_str());
    std::string error;
    if (PQstatus(conn) != CONNECTION_OK) {
        error = PQerrorMessage(conn);
    } else {
        PGresult* result = PQexec(conn, sql.c_str());
        if (PQresultStatus(result) != PGRES_COMMAND_OK &&
            PQresultStatus(result) != PGRES_TUPLES_OK) {
            error = PQerrorMessage(conn);
        }
        PQclear(result);
    }
    PQfinish(conn);
    return error;
}

// In the PostgreSQL run, skips every test when the server cannot be reached.
class PostgresEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        if (!TestInstallation::OnPostgres()) return;
        if (PostgresServer().empty()) GTEST_SKIP() << "NAMEOBJECT_TEST_PG names no server";
        const std::string error = RunOnServer("select 1");
        if (!error.empty()) GTEST_SKIP() << "no PostgreSQL server: " << error;
    }
};

[[maybe_unused]] ::testing::Environment* const g_postgresEnvironment =
    ::testing::AddGlobalTestEnvironment(new PostgresEnvironment);

}  // namespace

bool TestInstallation::OnPostgres() {
    const char* engine = std::getenv("NAMEOBJECT_TEST_ENGINE");
    return engine && std::string(engine) == "postgresql";
}

std::string TestInstallation::dbPath() const {
    if (!OnPostgres()) return m_dir + "/installation.db";
    const std::string server = PostgresServer();
    return server + (server.find('?') == std::string::npos ? "?" : "&") +
           "options=-csearch_path%3D" + m_pgSchema;
}

TestInstallation::TestInstallation() {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/nameobject-test-XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (!mkdtemp(buffer.data())) {
        ADD_FAILURE() << "cannot create a temporary directory from " << pattern;
        return;
    }
    m_dir = buffer.data();
    if (OnPostgres()) {
        static std::atomic<int> counter{0};
        m_pgSchema =
            "nameobject_test_" + std::to_string(getpid()) + "_" + std::to_string(++counter);
        const std::string error = RunOnServer("CREATE SCHEMA " + m_pgSchema);
        EXPECT_TRUE(error.empty()) << "cannot create schema " << m_pgSchema << ": " << error;
    }
    std::error_code ec;
    std::filesystem::create_directory(m_dir + "/Config", ec);
    EXPECT_FALSE(ec) << "cannot create " << m_dir << "/Config: " << ec.message();
}

TestInstallation::~TestInstallation() {
    DisconnectDatabase();
    if (!m_pgSchema.empty())
        RunOnServer("SET client_min_messages = warning; DROP SCHEMA IF EXISTS " + m_pgSchema +
                    " CASCADE");
    if (m_dir.empty()) return;
    std::error_code ec;
    std::filesystem::remove_all(m_dir, ec);
}

void TestInstallation::Connect() const {
    ASSERT_FALSE(m_dir.empty()) << "no temporary directory";
    ASSERT_TRUE(ConnectDatabase(dbPath())) << "cannot connect to " << dbPath();
}

void TestInstallation::WriteStationIni(const std::string& text) const {
    const std::string path = m_dir + "/Config/ServerStation.ini";
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    out.close();
    ASSERT_TRUE(out.good()) << "cannot write " << path;
}

void TestInstallation::CopyClassLibrary(const std::string& module) const {
    std::error_code ec;
    std::filesystem::create_directories(m_dir + "/lib", ec);
    std::filesystem::copy_file(std::string(NAMEOBJECT_CLASSLIB_DIR) + "/" + module,
                               m_dir + "/lib/" + module, ec);
    ASSERT_FALSE(ec) << "cannot copy " << module << ": " << ec.message();
}
