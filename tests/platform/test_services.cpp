#include <cmath>
#include <cstdlib>

#include "support/Test.h"

namespace fs = std::filesystem;

namespace {

// Writes a file under the installation directory (creating folders) and returns its path.
fs::path Write(const TestInstallation& inst, const std::string& relative,
               const std::string& content) {
    const fs::path file = fs::path(inst.dir()) / relative;
    fs::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << content;
    return file;
}

CString Wide(const fs::path& p) { return CString::FromUtf8(p.string()); }

TEST(Config, IniFiles) {
    TestInstallation dir;
    const fs::path file = Write(dir, "a.ini",
                                "[LoadTolveObject]\nCount=3\nDLL_1 = lib/One.so\nHex=0x10\n"
                                "Unsigned=0xFFFFFFFF\nTooBig=0x1FFFFFFFF\nEmpty=\ncount=99\n"
                                "[Other]\nCount=7\n");
    CIni ini;
    EXPECT_TRUE(ini.SetFileName(Wide(file)));
    ini.SetSection(u"loadtolveobject");
    EXPECT_EQ(ini.GetInt(u"COUNT", 0), 3);  // the first of two spellings wins
    EXPECT_EQ(ini.GetString(u"dll_1"), u"lib/One.so");
    EXPECT_EQ(ini.GetInt(u"Hex", 0), 16);
    EXPECT_EQ(ini.GetInt(u"Unsigned", 0), -1);
    EXPECT_EQ(ini.GetInt(u"TooBig", 4), 4);
    EXPECT_EQ(ini.GetString(u"Empty", u"dflt"), u"");
    EXPECT_EQ(ini.GetInt(u"OTHER", u"count", 0), 7);

    // A bad line is reported; the good ones around it are kept.
    DebugCapture debug;
    EXPECT_FALSE(ini.SetFileName(Wide(Write(dir, "bad.ini", "[s]\na=1\nno value here\nb=2\n"))));
    EXPECT_EQ(ini.GetInt(u"s", u"b", 0), 2);
    EXPECT_TRUE(debug.Contains(u"line 3"));
}

TEST(Language, BuiltInTextsFileOverridesAndLanguageSelection) {
    TestInstallation dir;
    // Without a language file: the built-in texts, case-insensitive keys, numbered fallbacks.
    EXPECT_EQ(CAnalyzeLangINI::GetValue(u"string", u"ids_operatorgroup_onduty"), u"On-duty group");
    EXPECT_EQ(CAnalyzeLangINI::GetError(std::int32_t{-1}), u"Error 0xFFFFFFFF");
    EXPECT_EQ(GetClassNameW(4242), u"Class 4242");
    Write(dir, "Language/English.ini",
          "[String]\nIDS_SysPrivilege=Root rights\nIDS_ServicePrivilege=\n"
          "[error]\nERR_A3E9013E=Database broke\nerr_00000000=Fine\n"
          "[class]\nCLASS_62=Zone\nCLASS_4242=Custom\n");
    Write(dir, "Language/Chinese.ini", "[string]\nIDS_SysPrivilege=\xE7\xB3\xBB\xE7\xBB\x9F\n");

    EXPECT_EQ(CAnalyzeLangINI::GetValue(u"IDS_SysPrivilege"), u"System manager privilege");
    SetCurrentPath(CString::FromUtf8(dir.dir()));
    // The file read before the directory was set stays until reloaded.
    EXPECT_EQ(CAnalyzeLangINI::GetValue(u"IDS_SysPrivilege"), u"System manager privilege");
    CAnalyzeLangINI::Reload();
    EXPECT_EQ(CAnalyzeLangINI::GetValue(u"IDS_SysPrivilege"), u"Root rights");
    EXPECT_EQ(CAnalyzeLangINI::GetValue(u"IDS_ServicePrivilege"), u"Service privilege");
    EXPECT_EQ(CAnalyzeLangINI::GetError(0xA3E9013Eu), u"Database broke");
    EXPECT_EQ(GetClassNameW(62), u"Zone");

    CAnalyzeLangINI::SetLanguage(u"Chinese");
    EXPECT_EQ(CAnalyzeLangINI::GetValue(u"IDS_SysPrivilege"), u"\u7CFB\u7EDF");
    EXPECT_EQ(GetClassNameW(62), u"Area");
}

TEST(OperationLog, StoresEntriesInTheDatabase) {
    TestInstallation inst;
    inst.Connect();
    const COleDateTime before = COleDateTime::GetCurrentTime();
    const CString text = u"Area 'North' \"main\" \u4E2D";
    EXPECT_EQ(NS_LOG::AddLog(7, text, 0x41, 0xFFFFFFFFu, 62, 5, 1), NS_LOG::ADD_LOG_SUCCESS);

    // Unsigned values are stored as their int32.
    EXPECT_EQ(QueryInts("SELECT nOperatorID FROM OperationLog UNION ALL SELECT nType FROM "
                        "OperationLog UNION ALL SELECT nValue FROM OperationLog UNION ALL SELECT "
                        "nClassID * 100 + nID * 10 + nServerNO FROM OperationLog"),
              (std::vector<long long>{7, 0x41, -1, 6251}));
    {
        CADORecordset rs(GetDatabase());
        ASSERT_TRUE(rs.Open("SELECT dtTime, strText FROM OperationLog"));
        COleDateTime when;
        CString stored;
        EXPECT_TRUE(rs.GetFieldValue("dtTime", when) && rs.GetFieldValue("strText", stored));
        EXPECT_EQ(stored, text);
        EXPECT_LT(std::abs(when - before), 1.0 / 24);  // within the hour
    }
}

}  // namespace
