// The options reader against real files: where it finds Install.ini, how each key's value
// counts, what it logs, and what hostile files do to it. Each test works in a scratch
// folder made current for the test; an install.ini placed beside the test program (where
// the reader looks second) is removed again in TearDown.
#include <gtest/gtest.h>
#include <direct.h>
#include <stdio.h>
#include <string>
#include <vector>
#include "shell/shell.h"
#include "engine/engine.h"
#include "support/machine.h"
#include "support/product_state.h"

namespace
{

std::vector<std::string> ReadLines(const std::string& path)
{
    return kvtest::SplitLines(kvtest::ReadFile(path));
}

class Options : public testing::Test
{
protected:
    std::string scratch_;
    std::string besideProgram_;
    kvtest::SavedRunState saved_;

    void SetUp() override
    {
        scratch_ = kvtest::MakeScratchFolder("options");
        ASSERT_EQ(0, _chdir(scratch_.c_str()));

        char module[MAX_PATH];
        GetModuleFileNameA(NULL, module, MAX_PATH);
        *strrchr(module, '\\') = '\0';
        besideProgram_ = std::string(module) + "\\install.ini";
        // A left-over file would change every result here.
        ASSERT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(besideProgram_.c_str()))
            << besideProgram_ << " exists before the test";
        // Start-up state: the log switch is off until the reader sets it.
        g_bLogging = 0;
    }

    void TearDown() override
    {
        DeleteFileA(besideProgram_.c_str());
        saved_.Restore();
        kvtest::DeleteTree(scratch_);
    }

    std::string Here(const char* name) const
    {
        return scratch_ + "\\" + name;
    }

    // Fills every option with a value the reader must overwrite.
    static void Poison()
    {
        g_bLogging = g_bAllowReboot = g_bSilent = g_bNoPass = 7;
        gbInstallBonusPack = g_iconLocation = g_bExplore = 7;
        memset(g_szLine1, 'x', sizeof g_szLine1 - 1);
        memset(g_szLine2, 'x', sizeof g_szLine2 - 1);
        g_szLine1[sizeof g_szLine1 - 1] = g_szLine2[sizeof g_szLine2 - 1] = '\0';
    }

    static void ReadFresh()
    {
        Poison();
        g_bLogging = 0;
        ReadInstallOptions();
    }
};

struct Values {
    int logging, allowReboot, silent, noPass, bonus, iconLocation, explore;
};

void ExpectValues(const Values& want)
{
    EXPECT_EQ(want.logging, g_bLogging);
    EXPECT_EQ(want.allowReboot, g_bAllowReboot);
    EXPECT_EQ(want.silent, g_bSilent);
    EXPECT_EQ(want.noPass, g_bNoPass);
    EXPECT_EQ(want.bonus, gbInstallBonusPack);
    EXPECT_EQ(want.iconLocation, g_iconLocation);
    EXPECT_EQ(want.explore, g_bExplore);
}

} // namespace

TEST_F(Options, NoFileAnywhereGivesDefaultsAndLogsNothing)
{
    ReadFresh();
    ExpectValues({ 0, 1, 0, 0, 1, 0, 1 });
    EXPECT_STREQ("", g_szLine1);
    EXPECT_STREQ("", g_szLine2);
    EXPECT_STREQ("", IniFileName);
    EXPECT_FALSE(kvtest::FileExists(Here("setup.log")));
}

TEST_F(Options, FileWithoutInstallSectionTakesKeyDefaults)
{
    KV_WRITE_FILE(Here("install.ini"), "[KORVID]\r\nDIR32=C:\\Somewhere\r\n[Other]\r\nQUIET=TRUE\r\n");
    ReadFresh();
    // The same as no file, except ALLOWRBT, whose default text is FALSE.
    ExpectValues({ 0, 0, 0, 0, 1, 0, 1 });
    EXPECT_STREQ(Here("install.ini").c_str(), IniFileName);
    EXPECT_STREQ("", g_szLine1);
}

TEST_F(Options, EachKeyCountsItsOwnWay)
{
    struct Row {
        const char* key;
        const char* value;
        int* option;
        int want;
    } rows[] = {
        // On unless FALSE or 0.
        { "LOGGING", "TRUE", &g_bLogging, 1 },
        { "LOGGING", "yes", &g_bLogging, 1 },
        { "LOGGING", "", &g_bLogging, 1 },
        { "LOGGING", "false", &g_bLogging, 0 },
        { "LOGGING", "0", &g_bLogging, 0 },
        { "LOGGING", "00", &g_bLogging, 1 },
        { "EXPLORER", "0", &g_bExplore, 0 },
        { "EXPLORER", "FaLsE", &g_bExplore, 0 },
        { "EXPLORER", "off", &g_bExplore, 1 },
        { "EXPLORER", "fasle", &g_bExplore, 1 },
        // On only for TRUE or 1.
        { "QUIET", "TRUE", &g_bSilent, 1 },
        { "QUIET", "true", &g_bSilent, 1 },
        { "QUIET", "1", &g_bSilent, 1 },
        { "QUIET", "yes", &g_bSilent, 0 },
        { "QUIET", "01", &g_bSilent, 0 },
        { "QUIET", "", &g_bSilent, 0 },
        { "ALLOWRBT", "True", &g_bAllowReboot, 1 },
        { "ALLOWRBT", "on", &g_bAllowReboot, 0 },
        { "NOPASSWORD", "1", &g_bNoPass, 1 },
        { "NOPASSWORD", "Y", &g_bNoPass, 0 },
        { "BONUS", "FALSE", &gbInstallBonusPack, 0 },
        { "BONUS", "yes", &gbInstallBonusPack, 0 },
        { "BONUS", "tRuE", &gbInstallBonusPack, 1 },
        // The icons go on the desktop only for TRUE or 1, else into My Computer.
        { "DESKTOP", "true", &g_iconLocation, 0 },
        { "DESKTOP", "1", &g_iconLocation, 0 },
        { "DESKTOP", "FALSE", &g_iconLocation, 1 },
        { "DESKTOP", "no", &g_iconLocation, 1 },
        { "DESKTOP", "ture", &g_iconLocation, 1 },
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(std::string(r.key) + "=" + r.value);
        KV_WRITE_FILE(Here("install.ini"), std::string("[install]\r\n") + r.key + "=" + r.value + "\r\n");
        ReadFresh();
        EXPECT_EQ(r.want, *r.option);
        DeleteFileA(Here("setup.log").c_str());
    }

    // Keys missing from a present section take their default texts.
    KV_WRITE_FILE(Here("install.ini"), "[INSTALL]\r\nLINE1=only a line\r\n");
    ReadFresh();
    ExpectValues({ 0, 0, 0, 0, 1, 0, 1 });
    EXPECT_STREQ("only a line", g_szLine1);
}

TEST_F(Options, LongLinesAreCutTo255)
{
    std::string line1(300, 'a'), line2(255, 'b');
    KV_WRITE_FILE(Here("install.ini"), "[INSTALL]\r\nLINE1=" + line1 + "\r\nLINE2=" + line2 + "\r\n");
    ReadFresh();
    EXPECT_EQ(std::string(255, 'a'), g_szLine1);
    EXPECT_EQ(line2, g_szLine2);
}

TEST_F(Options, LogsSevenLinesWhenLoggingIsOnAndNoneWhenOff)
{
    KV_WRITE_FILE(Here("install.ini"),
                  "[INSTALL]\r\nLOGGING=TRUE\r\nQUIET=1\r\nDESKTOP=no\r\nBONUS=FALSE\r\n"
                  "LINE1=Made by us\r\n");
    ReadFresh();
    std::vector<std::string> want = {
        "g_bSilent=1",      "g_bNoPass=0",  "gbInstallBonusPack=0",
        "g_iconLocation=1", "g_bExplore=1", "g_szLine1=\"Made by us\"",
        "g_szLine2=\"\"",
    };
    EXPECT_EQ(want, ReadLines(Here("setup.log")));
    // Each line ends in CR LF.
    EXPECT_NE(std::string::npos, kvtest::ReadFile(Here("setup.log")).find("g_bSilent=1\r\n"));

    DeleteFileA(Here("setup.log").c_str());
    KV_WRITE_FILE(Here("install.ini"), "[INSTALL]\r\nLOGGING=0\r\nQUIET=1\r\n");
    ReadFresh();
    EXPECT_EQ(1, g_bSilent);
    EXPECT_FALSE(kvtest::FileExists(Here("setup.log")));
}

TEST_F(Options, FileBesideProgramReplacesTheStagedTemplate)
{
    // The template exactly as start-up stages it in the work folder.
    ASSERT_EQ(
        1, WriteResourceToFile(g_hInstance, MANIFEST_INSTALL_INI, (scratch_ + "\\").c_str(), "Install.ini"));

    // Only the template: it is the file in use, and its disabled sections count for nothing.
    ReadFresh();
    EXPECT_STREQ(Here("install.ini").c_str(), IniFileName);
    ExpectValues({ 0, 0, 0, 0, 1, 0, 1 });

    // An administrator's file beside the program is used for every section.
    KV_WRITE_FILE(besideProgram_,
                  "[INSTALL]\r\nQUIET=TRUE\r\nALLOWRBT=TRUE\r\nEXPLORER=FALSE\r\n\r\n"
                  "[KORVID]\r\nDIR32=D:\\Apps\\Korvid\r\nGROUP32=Admin Group\r\n");
    ReadFresh();
    EXPECT_STRCASEEQ(besideProgram_.c_str(), IniFileName);
    ExpectValues({ 0, 1, 1, 0, 1, 0, 0 });
    char dir[KV_PATH_SIZE];
    GetPrivateProfileStringA("KORVID", "DIR32", "", dir, ARRAY_SIZE(dir), IniFileName);
    EXPECT_STREQ("D:\\Apps\\Korvid", dir);

    // A real options file in the work folder still comes first.
    KV_WRITE_FILE(Here("install.ini"), "[INSTALL]\r\nNOPASSWORD=TRUE\r\n");
    ReadFresh();
    EXPECT_STREQ(Here("install.ini").c_str(), IniFileName);
    ExpectValues({ 0, 0, 0, 1, 1, 0, 1 });

    // Nothing in the work folder: the file beside the program.
    DeleteFileA(Here("install.ini").c_str());
    ReadFresh();
    EXPECT_STRCASEEQ(besideProgram_.c_str(), IniFileName);
    EXPECT_EQ(1, g_bSilent);
}

TEST_F(Options, HostileFilesGiveDefinedValues)
{
    std::string garbage;
    unsigned seed = 12345;
    for (int i = 0; i < 200000; i++) {
        seed = seed * 1103515245u + 12345u;
        garbage += (char)(seed >> 16);
    }
    garbage += "\r\n[INSTALL]\r\nQUIET=TRUE\r\n";
    std::string huge(64 * 1024, 'Q');
    struct Row {
        const char* what;
        std::string text;
    } rows[] = {
        { "binary garbage", garbage },
        { "garbage with NULs only", std::string(70000, '\0') },
        { "64 KB lines",
          "[" + huge + "]\r\n" + huge + "=" + huge + "\r\n[INSTALL]\r\nLINE1=" + huge + "\r\nLINE2=" + huge
              + "\r\nQUIET=" + huge + "\r\nDESKTOP=" + huge + "\r\n" },
        { "64 KB section name", "[INSTALL" + huge + "]\r\nQUIET=TRUE\r\n" },
        { "duplicate keys",
          "[INSTALL]\r\nQUIET=TRUE\r\nQUIET=FALSE\r\nQUIET=maybe\r\nLINE1=a\r\nLINE1=b\r\n" },
        { "duplicate sections",
          "[INSTALL]\r\nQUIET=TRUE\r\n[KORVID]\r\n[INSTALL]\r\nQUIET=FALSE\r\nBONUS=FALSE\r\n" },
        { "no line ends", "[INSTALL]QUIET=TRUE" },
        { "unterminated section", "[INSTALL\r\nQUIET=TRUE\r\n" },
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        KV_WRITE_FILE(Here("install.ini"), r.text);
        ReadFresh();
        for (int value : { g_bLogging, g_bAllowReboot, g_bSilent, g_bNoPass, gbInstallBonusPack,
                           g_iconLocation, g_bExplore })
            EXPECT_TRUE(value == 0 || value == 1) << value;
        EXPECT_LT(strnlen(g_szLine1, sizeof g_szLine1), sizeof g_szLine1);
        EXPECT_LT(strnlen(g_szLine2, sizeof g_szLine2), sizeof g_szLine2);
        EXPECT_LT(strnlen(IniFileName, sizeof IniFileName), sizeof IniFileName);
        DeleteFileA(Here("setup.log").c_str());
    }

    // Where the platform reads a value, the first of duplicate keys stands.
    KV_WRITE_FILE(Here("install.ini"), "[INSTALL]\r\nQUIET=TRUE\r\nQUIET=FALSE\r\nLINE1=a\r\nLINE1=b\r\n");
    ReadFresh();
    EXPECT_EQ(1, g_bSilent);
    EXPECT_STREQ("a", g_szLine1);
}
