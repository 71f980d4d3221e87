#include "support/TestInstallation.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <vector>

#include "platform/Database.h"

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
    std::error_code ec;
    std::filesystem::create_directory(m_dir + "/Config", ec);
    EXPECT_FALSE(ec) << "cannot create " << m_dir << "/Config: " << ec.message();
}

TestInstallation::~TestInstallation() {
    DisconnectDatabase();
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
