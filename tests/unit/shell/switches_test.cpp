// The setup's command line read by its pure parser: every switch in any case and order,
// values quoted in each way a caller writes them, and every refusal with the word refused;
// then the log's file and the command line's DIR32 and GROUP32 as the rest of the run reads them.
#include <gtest/gtest.h>
#include <set>
#include <string>
#include "shell/shell.h"
#include "support/machine.h"
#include "support/product_state.h"

TEST(SetupSwitches, ReadsEverySwitchAndRefusesWhatItCannotTake)
{
    const std::string longPath = "C:\\" + std::string(KV_PATH_SIZE - 4, 'a'); // 260 characters
    const std::string tooLongPath = longPath + "b";
    const std::string longGroup(KV_TEXT_SIZE - 1, 'g');
    struct Row {
        std::string line;
        int result;
        int silent, noRestart, help;
        const char *dir, *group, *log, *ini, *refused;
    } rows[] = {
        { "", SWITCHES_OK, 0, 0, 0, "", "", "", "", "" },
        { "   \t ", SWITCHES_OK, 0, 0, 0, "", "", "", "", "" },
        { "/S", SWITCHES_OK, 1, 0, 0, "", "", "", "", "" },
        { "/s /norestart", SWITCHES_OK, 1, 1, 0, "", "", "", "", "" },
        { "/?", SWITCHES_OK, 0, 0, 1, "", "", "", "", "" },
        { "/NoRestart /S /?", SWITCHES_OK, 1, 1, 1, "", "", "", "", "" },
        { "/DIR=C:\\KV", SWITCHES_OK, 0, 0, 0, "C:\\KV", "", "", "", "" },
        { "/dir=\"C:\\Program Files\\KV Pro\" /S", SWITCHES_OK, 1, 0, 0, "C:\\Program Files\\KV Pro", "", "",
          "", "" },
        { "\"/DIR=C:\\A B\" /LOG=\"C:\\log dir\\s.log\"", SWITCHES_OK, 0, 0, 0, "C:\\A B", "",
          "C:\\log dir\\s.log", "", "" },
        { "/DIR=C:\\\"A  B\"\\c", SWITCHES_OK, 0, 0, 0, "C:\\A  B\\c", "", "", "", "" },
        { "/GROUP=\"KV Tools\" /INI=opts.ini", SWITCHES_OK, 0, 0, 0, "", "KV Tools", "", "opts.ini", "" },
        { "/DIR=C:\\One /DIR=C:\\Two", SWITCHES_OK, 0, 0, 0, "C:\\Two", "", "", "", "" }, // the last one
        { "/DIR=" + longPath, SWITCHES_OK, 0, 0, 0, longPath.c_str(), "", "", "", "" },
        { "/GROUP=" + longGroup, SWITCHES_OK, 0, 0, 0, "", longGroup.c_str(), "", "", "" },
        { "/DIR=a=b", SWITCHES_OK, 0, 0, 0, "a=b", "", "", "", "" },
        // Refusals; the words after a refused one are still read.
        { "/X", SWITCHES_UNKNOWN, 0, 0, 0, "", "", "", "", "/X" },
        { "/SILENT", SWITCHES_UNKNOWN, 0, 0, 0, "", "", "", "", "/SILENT" },
        { "S", SWITCHES_UNKNOWN, 0, 0, 0, "", "", "", "", "S" },
        { "-S", SWITCHES_UNKNOWN, 0, 0, 0, "", "", "", "", "-S" },
        { "/", SWITCHES_UNKNOWN, 0, 0, 0, "", "", "", "", "/" },
        { "/S=1", SWITCHES_UNKNOWN, 0, 0, 0, "", "", "", "", "/S=1" },
        { "/Q /S", SWITCHES_UNKNOWN, 1, 0, 0, "", "", "", "", "/Q" },
        { "/DIR", SWITCHES_MISSING_VALUE, 0, 0, 0, "", "", "", "", "/DIR" },
        { "/DIR= /S", SWITCHES_MISSING_VALUE, 1, 0, 0, "", "", "", "", "/DIR=" },
        { "/LOG=\"\"", SWITCHES_MISSING_VALUE, 0, 0, 0, "", "", "", "", "/LOG=" },
        { "/DIR=" + tooLongPath, SWITCHES_TOO_LONG, 0, 0, 0, "", "", "", "", nullptr },
        { "/GROUP=" + longGroup + "g", SWITCHES_TOO_LONG, 0, 0, 0, "", "", "", "", nullptr },
        { "/INI=" + std::string(3000, 'i'), SWITCHES_TOO_LONG, 0, 0, 0, "", "", "", "", nullptr },
        { "/DIR=\"C:\\open /S", SWITCHES_OPEN_QUOTE, 0, 0, 0, "", "", "", "", "/DIR=C:\\open /S" },
        { "/LOG=C:\\x.log /bogus /DIR=C:\\KV", SWITCHES_UNKNOWN, 0, 0, 0, "C:\\KV", "", "C:\\x.log", "",
          "/bogus" },
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.line.substr(0, 80));
        SetupSwitches got;
        EXPECT_EQ(r.result, ParseSetupSwitches(r.line.c_str(), &got));
        EXPECT_EQ(r.silent, got.silent);
        EXPECT_EQ(r.noRestart, got.noRestart);
        EXPECT_EQ(r.help, got.help);
        EXPECT_STREQ(r.dir, got.dir);
        EXPECT_STREQ(r.group, got.group);
        EXPECT_STREQ(r.log, got.log);
        EXPECT_STREQ(r.ini, got.ini);
        if (r.refused) {
            EXPECT_STREQ(r.refused, got.refused);
        } else { // a word too long for the message is named by its start
            EXPECT_STRNE("", got.refused);
            EXPECT_EQ(0u, r.line.find(got.refused));
        }
    }
    // Each refusal tells its own reason, none the words for a reason not known.
    std::set<std::string> reasons = { SwitchRefusalText(-1) };
    for (int reason : { SWITCHES_UNKNOWN, SWITCHES_MISSING_VALUE, SWITCHES_TOO_LONG, SWITCHES_OPEN_QUOTE })
        EXPECT_TRUE(reasons.insert(SwitchRefusalText(reason)).second) << reason;
    SetupSwitches none;
    EXPECT_EQ(SWITCHES_OK, ParseSetupSwitches(NULL, &none));
}

// The command line's values as the run reads them: /LOG= moves the log's lines, /DIR= and
// /GROUP= win over the options file's DIR32 and GROUP32, and other keys keep the file's.
TEST(SetupSwitches, LogFileAndOverridesReachTheReaders)
{
    std::string scratch = kvtest::MakeScratchFolder("switches");
    std::string ini = scratch + "\\opts.ini";
    std::string logPath = scratch + "\\my log.txt";
    ASSERT_TRUE(WritePrivateProfileStringA("KORVID", "DIR32", "C:\\FromFile", ini.c_str()));
    WritePrivateProfileStringA("KORVID", "GROUP32", "File Group", ini.c_str());
    WritePrivateProfileStringA("KORVID", "DIR16", "C:\\Sixteen", ini.c_str());
    kvtest::SavedRunState saved;
    StrCopy(IniFileName, sizeof IniFileName, ini.c_str());

    struct Row {
        const char *key, *overrideValue, *want;
    } rows[] = {
        { "DIR32", "", "C:\\FromFile" },
        { "DIR32", "C:\\Given Dir", "C:\\Given Dir" },
        { "GROUP32", "Given Group", "Given Group" },
        { "DIR16", nullptr, "C:\\Sixteen" }, // not a key the command line can give
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.key);
        if (r.overrideValue) {
            EXPECT_TRUE(SetOptionOverride(r.key, r.overrideValue));
        } else {
            EXPECT_FALSE(SetOptionOverride(r.key, "C:\\Nope"));
        }
        char got[512];
        ReadOptionsFileString("korvid", r.key, "", got, sizeof got);
        EXPECT_STREQ(r.want, got);
    }
    SetOptionOverride("DIR32", "");
    SetOptionOverride("GROUP32", "");
    saved.Restore();

    g_bLogging = 1;
    ASSERT_TRUE(SetLogFile(logPath.c_str()));
    LogLine("first line");
    LogLine("second line");
    EXPECT_FALSE(SetLogFile(("C:\\" + std::string(300, 'x')).c_str())); // kept where it was
    LogLine("third line");
    SetLogFile(NULL);
    saved.Restore();
    std::vector<std::string> lines = kvtest::SplitLines(kvtest::ReadFile(logPath));
    EXPECT_EQ((std::vector<std::string> { "first line", "second line", "third line" }), lines);
    kvtest::DeleteTree(scratch);
}

namespace
{

// Tries the lock from a thread of its own (ownership is per thread, so the thread stands for
// a second taker). returns 0 when it is held, 1 when taken, 2 when no one has made it
DWORD WINAPI TryLockThread(LPVOID)
{
    HANDLE m = OpenMutexA(SYNCHRONIZE, FALSE, kSetupLockName);
    if (!m)
        return 2;
    DWORD wait = WaitForSingleObject(m, 0);
    if (wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED)
        ReleaseMutex(m);
    CloseHandle(m);
    return wait == WAIT_TIMEOUT ? 0 : 1;
}

DWORD TryFromOtherThread()
{
    HANDLE thread = CreateThread(NULL, 0, TryLockThread, NULL, 0, NULL);
    WaitForSingleObject(thread, 30000);
    DWORD code = 3;
    GetExitCodeThread(thread, &code);
    CloseHandle(thread);
    return code;
}

} // namespace

// The lock one setup or uninstaller holds: a second taker is refused until the holder
// releases it.
TEST(SetupLock, HeldByOneProcessAtATime)
{
    ASSERT_EQ(1, TakeSetupLock());
    EXPECT_EQ(1, TakeSetupLock());       // taking it again in the holder is harmless
    EXPECT_EQ(0u, TryFromOtherThread()); // taken
    ReleaseSetupLock();
    EXPECT_EQ(2u, TryFromOtherThread()); // released and gone: no one holds it
}
