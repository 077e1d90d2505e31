// The product's uninstaller as Windows runs it: a silent install into a folder with blanks,
// then the uninstall entry's command lines run as they stand, interactively and silently.
// The uninstaller runs the removal from its copy in the temporary folder, so the product
// folder goes at once, with no restart; the next run of the uninstaller or the setup
// deletes the copy.
#include <gtest/gtest.h>
#include <algorithm>
#include <set>
#include <string.h>
#include "support/harness.h"
#include "engine/engine.h"
#include "support/product_state.h"
#include "support/files.h"
#include "support/machine.h"
#include "support/pages.h"

using namespace kve2e;
using kvtest::FileExists;
using kvtest::RegKeyExists;
using kvtest::RegString;
using kvtest::WinIni;

namespace
{

const char kRunKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

class Uninstaller : public kvtest::CleanMachine
{
protected:
    // Outside the temporary folder, which a removal refuses to touch.
    std::string dest = "C:\\KV E2E Removal " + std::to_string(GetCurrentProcessId()) + "\\KORVID Pro";

    void TearDown() override
    {
        CleanMachine::TearDown();
        kvtest::DeleteTree(dest.substr(0, dest.find_last_of('\\')));
    }

    void InstallIntoDest(Sandbox& box)
    {
        // The Explorer interface needs a restart, which a silent install leaves to the user.
        RunResult run = KV_INSTALL_SILENTLY(box, SilentOptions(dest), EXIT_RESTART_NEEDED);
        ASSERT_TRUE(RanSilently(run, EXIT_RESTART_NEEDED));
        ASSERT_TRUE(FileExists(dest + "\\unkv32.exe"));
        kvtest::CloseExplorerWindows();
    }

    // Everything of the product outside its folder is gone.
    void ExpectRecordsGone()
    {
        EXPECT_EQ("<missing>", WinIni("DIR"));
        EXPECT_EQ("<missing>", WinIni("INSTOPTS"));
        EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, kUninstallEntryKey));
        EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, "SOFTWARE\\Oxtavine"));
        EXPECT_FALSE(RegKeyExists(HKEY_CLASSES_ROOT, "CLSID\\{5B1E0C72-3A94-4F6D-8E21-C7D09A3B4A10}"));
        EXPECT_FALSE(RegKeyExists(HKEY_CLASSES_ROOT, "CLSID\\{5B1E0C72-3A94-4F6D-8E21-C7D09A3B4A01}"));
        EXPECT_EQ("<missing>", RegString(HKEY_LOCAL_MACHINE, kRunKey, "KORVID Queue Scheduler"));
        EXPECT_FALSE(FileExists(kvtest::GroupFolder("KORVID Pro")));
    }

    static long long EntryNumber(const char* name)
    {
        return kvtest::RegNumber(HKEY_LOCAL_MACHINE, kUninstallEntryKey, name);
    }
    // The uninstaller's copies in the sandbox's temporary folder, each as "folder\file".
    static std::vector<std::string> Copies(Sandbox& box)
    {
        std::vector<std::string> copies;
        for (const std::string& path : ListTree(box.TempFolder()))
            if (_strnicmp(path.c_str(), "kvun", 4) == 0)
                copies.push_back(path);
        return copies;
    }
    // No command waits for the next start.
    static void ExpectNothingStored()
    {
        EXPECT_EQ(std::vector<std::string>(), kvtest::StoredRestartCommands());
    }
};

} // namespace

TEST_F(Uninstaller, TheUninstallEntryRemovesTheProductAndItsFolderAtOnce)
{
    Sandbox box("uninstall");
    InstallIntoDest(box);
    std::string command = kvtest::UninstallValue("UninstallString");
    ASSERT_NE(std::string::npos, command.find(" -f " + dest + " -d ")) << command;

    // Yes to the INI question, OK to the closing message: both shown by the uninstaller's copy.
    std::vector<std::string> captions;
    RunOptions options;
    options.watchStarted = true;
    options.onVisibleWindow = kvtest::AnswerBoxes(
        &captions, [](const std::string& caption) { return caption == kvtest::kCaption ? IDYES : IDOK; });
    RunResult run = RunUninstallString(box, "", options);
    ASSERT_TRUE(run.started);
    EXPECT_FALSE(run.timedOut);
    EXPECT_EQ(0u, run.exitCode);
    // The closing message's caption is the removal's error text: none.
    EXPECT_EQ((std::vector<std::string> { "KORVID Pro Installation", "" }), captions);

    // Nothing is left, at once, and nothing waits for a restart.
    EXPECT_FALSE(FileExists(dest));
    ExpectRecordsGone();
    ExpectNothingStored();
    // Once the copy has ended, only it is left in the temporary folder.
    EXPECT_TRUE(WaitForPrograms(run.startedPrograms, 60000));
    std::vector<std::string> copies = Copies(box);
    ASSERT_EQ(1u, copies.size()) << testing::PrintToString(copies);
    EXPECT_STREQ("unkv32.exe", FileNamePart(copies[0].c_str()));
}

TEST_F(Uninstaller, SilentRemovalKeepsTheSitesAndShowsNothing)
{
    Sandbox box("silent-uninstall");
    InstallIntoDest(box);
    std::string command = kvtest::UninstallValue("UninstallString") + " -s";
    RunOptions options;
    options.watchStarted = true;
    RunResult run = box.RunCommand(command, options);
    KV_EXPECT_RAN_SILENTLY(run, box, 0u);
    EXPECT_EQ(kvtest::SiteIniNames(), ListTree(dest));
    ExpectRecordsGone();
    ExpectNothingStored();
    EXPECT_TRUE(WaitForPrograms(run.startedPrograms, 60000));
    ASSERT_EQ(1u, Copies(box).size()) << testing::PrintToString(Copies(box));

    // A second removal finds nothing recorded, says so in the log, exits 1603, changes
    // nothing in the folder, and deletes the copy the first one left.
    CopyFileA(kvtest::PayloadFile("unkv32.exe").c_str(), (dest + "\\unkv32.exe").c_str(), FALSE);
    run = box.RunCommand(command, options);
    EXPECT_EQ((DWORD)EXIT_INSTALL_FAILED, run.exitCode);
    EXPECT_NE(std::string::npos, box.SetupLog().find("Insufficient information available to"))
        << box.SetupLog();
    std::vector<std::string> expected = kvtest::SiteIniNames();
    expected.push_back("unkv32.exe");
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(expected, ListTree(dest));
    EXPECT_TRUE(Copies(box).empty()) << testing::PrintToString(Copies(box));
}

// The entry holds what deployment tools read; its quiet command, run as it stands, removes
// the product silently and at once, every value of the entry goes, and the next run of the
// setup deletes the uninstaller's copy.
TEST_F(Uninstaller, TheQuietUninstallStringRemovesTheProductAndTheEntry)
{
    Sandbox box("quiet-uninstall");
    InstallIntoDest(box);
    unsigned long long bytes = 0;
    for (const std::string& name : ListTree(dest)) {
        WIN32_FILE_ATTRIBUTE_DATA data;
        ASSERT_TRUE(GetFileAttributesExA((dest + "\\" + name).c_str(), GetFileExInfoStandard, &data));
        bytes += ((unsigned long long)data.nFileSizeHigh << 32) | data.nFileSizeLow;
    }
    SYSTEMTIME today;
    GetLocalTime(&today);
    char date[16];
    snprintf(date, sizeof date, "%04u%02u%02u", today.wYear, today.wMonth, today.wDay);
    std::string command = kvtest::UninstallValue("UninstallString");
    struct Row {
        const char* name;
        std::string text;
    } rows[] = {
        { "DisplayName", "Oxtavine KORVID Pro Uninstall" },
        { "QuietUninstallString", command + " -s" },
        { "DisplayVersion", "7.0.0.124" },
        { "Publisher", "Oxtavine" },
        { "InstallLocation", dest },
        { "DisplayIcon", dest + "\\kv95pro.exe,0" },
        { "InstallDate", date },
    };
    for (const Row& row : rows)
        EXPECT_EQ(row.text, kvtest::UninstallValue(row.name)) << row.name;
    EXPECT_EQ((long long)((bytes + 1023) / 1024), EntryNumber("EstimatedSize"));
    EXPECT_EQ(1, EntryNumber("NoModify"));
    EXPECT_EQ(1, EntryNumber("NoRepair"));

    RunOptions options;
    options.watchStarted = true;
    RunResult run = box.RunCommand(kvtest::UninstallValue("QuietUninstallString"), options);
    KV_EXPECT_RAN_SILENTLY(run, box, 0u);
    EXPECT_EQ(kvtest::SiteIniNames(), ListTree(dest));
    ExpectRecordsGone(); // the whole entry with its values
    ExpectNothingStored();
    EXPECT_TRUE(WaitForPrograms(run.startedPrograms, 60000));
    ASSERT_EQ(1u, Copies(box).size()) << testing::PrintToString(Copies(box));

    // The next run of the setup (a silent install again) deletes the copy.
    InstallIntoDest(box);
    EXPECT_TRUE(Copies(box).empty()) << testing::PrintToString(Copies(box));
}

namespace
{

// True when no process holds the one-setup lock: this thread can take it (and gives it back).
bool SetupLockFree()
{
    HANDLE lock = OpenMutexA(SYNCHRONIZE, FALSE, kSetupLockName);
    if (!lock)
        return true;
    DWORD wait = WaitForSingleObject(lock, 0);
    if (wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED)
        ReleaseMutex(lock);
    CloseHandle(lock);
    return wait != WAIT_TIMEOUT;
}

} // namespace

// Another program holds the uninstaller's own file (it can be read, not moved): the product
// goes, and the exit code the uninstaller ends with is the final one, 3010; by then the lock
// is free for whatever a script starts next.
TEST_F(Uninstaller, AHeldUninstallerFileEndsWith3010AndTheLockIsFree)
{
    Sandbox box("held-uninstaller");
    InstallIntoDest(box);
    HANDLE held = CreateFileA((dest + "\\unkv32.exe").c_str(), GENERIC_READ, FILE_SHARE_READ, NULL,
                              OPEN_EXISTING, 0, NULL);
    ASSERT_NE(INVALID_HANDLE_VALUE, held);
    RunOptions options;
    options.watchStarted = true;
    RunResult run = box.RunCommand(kvtest::UninstallValue("QuietUninstallString"), options);
    EXPECT_TRUE(SetupLockFree());
    CloseHandle(held);
    EXPECT_FALSE(run.timedOut);
    EXPECT_EQ((DWORD)EXIT_RESTART_NEEDED, run.exitCode) << box.SetupLog();
    EXPECT_NE(std::string::npos, box.SetupLog().find("The uninstaller's own file")) << box.SetupLog();
    EXPECT_TRUE(WaitForPrograms(run.startedPrograms, 60000));
}

// While another setup holds the lock, the uninstaller ends with 1618 and leaves the copies
// of earlier runs alone: only the lock's holder deletes them.
TEST_F(Uninstaller, CopiesAreDeletedOnlyUnderTheLock)
{
    Sandbox box("uninstall-locked");
    std::string copy = box.TempFolder() + "\\kvun0000000A\\unkv32.exe";
    ASSERT_TRUE(CreateDirectoryA((box.TempFolder() + "\\kvun0000000A").c_str(), NULL));
    KV_WRITE_FILE(copy, "MZ copy");
    ASSERT_EQ(1, TakeSetupLock());
    RunResult run = box.RunCommand("\"" + kvtest::PayloadFile("unkv32.exe") + "\" -f " + dest + " -d " + dest
                                   + " -g KORVID Pro -s");
    ReleaseSetupLock();
    EXPECT_EQ((DWORD)EXIT_ALREADY_RUNNING, run.exitCode);
    EXPECT_TRUE(FileExists(copy));
}
