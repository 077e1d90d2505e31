// The install as a whole program: silent runs of the built setup into scratch folders,
// checked through what they leave: the product files, KORVID.ini, win.ini's [KORVID], the
// COM class, namespace and uninstall entries, the product's own registrations, the Program
// Manager group, and setup.log. Each scenario removes what the install left.
#include <gtest/gtest.h>
#include <algorithm>
#include <functional>
#include <set>
#include "support/harness.h"
#include "engine/engine.h"
#include "support/files.h"
#include "support/machine.h"
#include "support/product_state.h"

using namespace kve2e;
using kvtest::FileExists;
using kvtest::ReadFile;
using kvtest::RegKeyExists;
using kvtest::RegString;
using kvtest::WinIni;

namespace
{

const char kServerKey[] = "CLSID\\{5B1E0C72-3A94-4F6D-8E21-C7D09A3B4A10}\\InProcServer32";
const char kRunKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

bool Contains(const std::vector<std::string>& lines, const std::string& line)
{
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

class Install : public kvtest::CleanMachine
{
protected:
    std::string payload = kvtest::PayloadFolder();
    std::vector<std::string> extraFolders;
    std::vector<std::string> extraGroups;

    void TearDown() override
    {
        CleanMachine::TearDown();
        for (const std::string& group : extraGroups)
            kvtest::DeleteTree(kvtest::GroupFolder(group.c_str()));
        for (const std::string& folder : extraFolders)
            kvtest::DeleteTree(folder);
    }

    // (An install with the Explorer interface needs a restart, so a silent one exits 3010.)
};

} // namespace

TEST_F(Install, DefaultSilentInstallLeavesTheWholeProductRecorded)
{
    Sandbox box("install");
    std::string dest = box.Root() + "\\KORVID Pro";
    KV_INSTALL_SILENTLY(box, SilentInstallIni("", "DIR32=" + dest), EXIT_RESTART_NEEDED);

    for (const kvtest::FileGroup& group : kvtest::kFileGroups)
        KV_EXPECT_GROUP_PLACED(dest, group, &group == &kvtest::kFileGroups[kvtest::kSiteIniGroup] ? 1 : 0);

    // KORVID.ini is the template with the folder in place of "$$".
    std::string expectedIni = ReadFile(payload + "\\templates\\KORVID.ini");
    for (size_t at; (at = expectedIni.find("$$")) != std::string::npos;)
        expectedIni.replace(at, 2, dest);
    EXPECT_EQ(expectedIni, ReadFile(dest + "\\KORVID.ini"));

    EXPECT_EQ(dest, WinIni("DIR"));
    EXPECT_EQ("KORVID Pro", WinIni("GROUP"));
    EXPECT_EQ(dest, WinIni("DEFDIR"));
    EXPECT_EQ("12", WinIni("INSTOPTS"));
    EXPECT_EQ("20000920", WinIni("PRO"));
    EXPECT_EQ("<missing>", WinIni("SPFLAGS"));

    EXPECT_EQ(dest + "\\kv95pro.exe", RegString(HKEY_CLASSES_ROOT, kServerKey, NULL));
    EXPECT_EQ("Apartment", RegString(HKEY_CLASSES_ROOT, kServerKey, "ThreadingModel"));
    EXPECT_EQ("KORVID Pro Explorer",
              RegString(HKEY_LOCAL_MACHINE,
                        "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Desktop\\Namespace\\{"
                        "5b1e0c72-3a94-4f6d-8e21-c7d09a3b4a01}",
                        NULL));
    EXPECT_EQ("KORVID Pro",
              RegString(HKEY_LOCAL_MACHINE,
                        "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Desktop\\Namespace\\{"
                        "5b1e0c72-3a94-4f6d-8e21-c7d09a3b4a0a}",
                        NULL));
    EXPECT_EQ("Oxtavine KORVID Pro Uninstall",
              RegString(HKEY_LOCAL_MACHINE, kUninstallEntryKey, "DisplayName"));
    EXPECT_EQ("\"" + dest + "\\unkv32.exe\" -f " + dest + " -d " + dest + " -g KORVID Pro",
              RegString(HKEY_LOCAL_MACHINE, kUninstallEntryKey, "UninstallString"));

    // The product's own entry points ran against the installed files.
    EXPECT_EQ(dest, RegString(HKEY_LOCAL_MACHINE, "SOFTWARE\\Oxtavine\\KORVID\\SSL", "InstallDir"));
    EXPECT_EQ(
        dest + "\\kvstub.dll",
        RegString(HKEY_CLASSES_ROOT, "CLSID\\{5B1E0C72-3A94-4F6D-8E21-C7D09A3B4A0A}\\InProcServer32", NULL));
    EXPECT_EQ(
        dest + "\\kvproex.dll",
        RegString(HKEY_CLASSES_ROOT, "CLSID\\{5B1E0C72-3A94-4F6D-8E21-C7D09A3B4A01}\\InProcServer32", NULL));
    EXPECT_EQ(
        dest + "\\kvbho2k0.dll",
        RegString(HKEY_CLASSES_ROOT, "CLSID\\{5B1E0C72-3A94-4F6D-8E21-C7D09A3B4A20}\\InProcServer32", NULL));
    EXPECT_TRUE(RegKeyExists(HKEY_LOCAL_MACHINE,
                             "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Browser Helper "
                             "Objects\\{5B1E0C72-3A94-4F6D-8E21-C7D09A3B4A20}"));
    EXPECT_EQ("\"" + dest + "\\kvsched.exe\"",
              RegString(HKEY_LOCAL_MACHINE, kRunKey, "KORVID Queue Scheduler"));

    std::vector<std::string> items = kvtest::GroupItems("KORVID Pro");
    std::sort(items.begin(), items.end());
    std::vector<std::string> expected = {
        "KORVID Find Help",         "KORVID Find Utility",
        "KORVID Icon Placement",    "KORVID Pro",
        "KORVID Pro Explorer Help", "KORVID Pro Help",
        "KORVID Pro Release Notes", "KORVID Pro Uninstall",
        "KORVID Queue Help",        "KORVID Queuing Utility",
        "KORVID Scripting Help",    "KORVID Scripting Utility",
        "KORVID Synchronize Help",  "KORVID Synchronize Utility",
    };
    EXPECT_EQ(expected, items);

    std::vector<std::string> log = SplitLines(box.SetupLog());
    EXPECT_TRUE(Contains(log, "nV=31 nM=31")) << box.SetupLog();
    std::string copying = "Copying " + box.TempFolder() + "\\kv95pro.exe to " + dest + "\\kv95pro.exe";
    EXPECT_TRUE(Contains(log, copying)) << box.SetupLog();
    // The INI helper the package does not carry is optional: no failure, but a line.
    EXPECT_TRUE(Contains(log, "Optional file kvini.dll not placed in " + dest + " (1814)")) << box.SetupLog();
}

TEST_F(Install, UpdateReusesTheEarlierFolderAndGroupAndKeepsTheProductIni)
{
    Sandbox box("update");
    std::string earlier = box.Root() + "\\Earlier";
    CreateDirectoryA(earlier.c_str(), NULL);
    WriteProfileStringA("KORVID", "DIR", earlier.c_str());
    WriteProfileStringA("KORVID", "GROUP", "My FTP Tools");
    extraGroups.push_back("My FTP Tools");
    // An earlier product INI with the old placeholder address, and the user's own sites.
    std::string ini = earlier + "\\KORVID.ini";
    WritePrivateProfileStringA("_config_", "MAILADDR", "YOU@YOURS.COM", ini.c_str());
    WritePrivateProfileStringA("MySites", "FILENAME", "mine.ini", ini.c_str());
    WritePrivateProfileStringA("Mine", "HOST", "ftp.mine.example", (earlier + "\\avsites.ini").c_str());

    KV_INSTALL_SILENTLY(
        box, SilentInstallIni("NOPASSWORD=TRUE\r\nBONUS=FALSE", "DIR32=" + box.Root() + "\\Ignored"),
        EXIT_RESTART_NEEDED);

    EXPECT_FALSE(FileExists(box.Root() + "\\Ignored"));
    EXPECT_TRUE(FileExists(earlier + "\\kv95pro.exe"));
    EXPECT_FALSE(FileExists(earlier + "\\kvsched.exe")); // BONUS=FALSE: no utilities
    EXPECT_EQ(earlier, WinIni("DEFDIR"));
    EXPECT_EQ("My FTP Tools", WinIni("GROUP"));
    EXPECT_EQ("1", WinIni("SPFLAGS"));
    std::vector<std::string> items = kvtest::GroupItems("My FTP Tools");
    EXPECT_TRUE(std::find(items.begin(), items.end(), "KORVID Pro") != items.end());
    EXPECT_TRUE(kvtest::GroupItems("KORVID Pro").empty());

    // Kept without a question; only the placeholder address is fixed up.
    char value[128];
    GetPrivateProfileStringA("MySites", "FILENAME", "", value, sizeof value, ini.c_str());
    EXPECT_STREQ("mine.ini", value);
    GetPrivateProfileStringA("_config_", "MAILADDR", "", value, sizeof value, ini.c_str());
    EXPECT_STREQ("qlmrx66@", value);
    GetPrivateProfileStringA("Mine", "HOST", "", value, sizeof value, (earlier + "\\avsites.ini").c_str());
    EXPECT_STREQ("ftp.mine.example", value);
    EXPECT_FALSE(FileExists(earlier + "\\original.ini"));
}

TEST_F(Install, FailuresAreLoggedAndRecordNothing)
{
    {
        // The destination is the work folder itself.
        Sandbox box("same");
        KV_INSTALL_SILENTLY(box, SilentInstallIni("", "DIR32=" + box.TempFolder() + "\\"),
                            EXIT_INSTALL_FAILED);
        EXPECT_TRUE(Contains(SplitLines(box.SetupLog()), "SourceDir=DestDir \"" + box.TempFolder() + "\\\""))
            << box.SetupLog();
        EXPECT_EQ("<missing>", WinIni("DIR"));
    }
    {
        // A destination below a file cannot be created; each failing level is logged.
        Sandbox box("nodir");
        std::string file = box.Root() + "\\plain.txt";
        KV_WRITE_FILE(file, "");
        std::string dest = file + "\\KORVID";
        KV_INSTALL_SILENTLY(box, SilentInstallIni("", "DIR32=" + dest), EXIT_INSTALL_FAILED);
        std::vector<std::string> log = SplitLines(box.SetupLog());
        EXPECT_TRUE(Contains(log, "Failed to create DestDir \"" + dest + "\"")) << box.SetupLog();
        EXPECT_TRUE(std::any_of(log.begin(), log.end(), [&](const std::string& line) {
            return line.find("Creation of " + dest + " failed. (") == 0;
        })) << box.SetupLog();
        EXPECT_EQ("<missing>", WinIni("DEFDIR"));
    }
    {
        // A required file that cannot be written ends the install.
        Sandbox box("required");
        std::string dest = box.Root() + "\\dest";
        CreateDirectoryA(dest.c_str(), NULL);
        HANDLE held =
            CreateFileA((dest + "\\kvpro32.hlp").c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
        ASSERT_NE(INVALID_HANDLE_VALUE, held);
        KV_INSTALL_SILENTLY(box, SilentInstallIni("", "DIR32=" + dest), EXIT_INSTALL_FAILED);
        CloseHandle(held);
        std::vector<std::string> log = SplitLines(box.SetupLog());
        EXPECT_TRUE(std::any_of(log.begin(), log.end(), [](const std::string& line) {
            return line.find("Copy of kvpro32.hlp to ") == 0;
        })) << box.SetupLog();
        EXPECT_TRUE(Contains(log, "Failed to install required file kvpro32.hlp.")) << box.SetupLog();
        EXPECT_EQ("<missing>", WinIni("DIR"));
        EXPECT_EQ("<missing>", WinIni("DEFDIR"));
        EXPECT_EQ("<missing>", WinIni("INSTOPTS"));
        EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, kUninstallEntryKey));
    }
}

// The Windows version rows: default folder, offered and preselected choices.
TEST_F(Install, VersionRowsChooseTheDefaultFolderAndChoices)
{
    struct Row {
        const char* version;
        const char* os; // the OS variable given to the program, "" for none
        const char* dest;
        const char* masks;
        bool iconLinkItem;      // NT before 4 has no icon-link item
        bool startsWithWindows; // QueueOnStartup preselected
    } rows[] = {
        { "win95", "OS=", "C:\\Program Files\\KORVID Pro", "nV=31 nM=31", true, true },
        { "nt40", "OS=Windows_NT", "C:\\Program Files\\KORVID Pro", "nV=31 nM=31", true, true },
        { "nt351", "OS=Windows_NT", "C:\\WIN32APP\\KORVID", "nV=5 nM=5", false, false },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.version);
        extraFolders.push_back(row.dest);
        WineVersion version(row.version);
        Sandbox box(row.version);
        RunOptions run;
        run.environment.push_back(row.os);
        // Without the Explorer interface nothing asks for a restart.
        KV_INSTALL_SILENTLY(box, SilentInstallIni("", ""),
                            row.iconLinkItem ? EXIT_RESTART_NEEDED : EXIT_INSTALLED, run);
        std::vector<std::string> log = SplitLines(box.SetupLog());
        EXPECT_TRUE(Contains(log, row.masks)) << box.SetupLog();
        EXPECT_EQ(row.dest, WinIni("DIR"));
        EXPECT_TRUE(FileExists(std::string(row.dest) + "\\kv95pro.exe"));
        std::vector<std::string> items = kvtest::GroupItems("KORVID Pro");
        EXPECT_EQ(row.iconLinkItem,
                  std::find(items.begin(), items.end(), "KORVID Icon Placement") != items.end());
        EXPECT_EQ(row.startsWithWindows,
                  RegString(HKEY_LOCAL_MACHINE, kRunKey, "KORVID Queue Scheduler") != "<missing>");
        kvtest::CloseExplorerWindows();
        kvtest::RemoveProductState();
        kvtest::DeleteTree(row.dest);
    }
}

// Group names from the options file and from win.ini, and a folder full of the server's
// separators: every name stays inside its quotes, so no second command runs and no other
// group is touched; a name that cannot be quoted is set aside with a log line, and every
// item goes into the group named before it.
TEST_F(Install, HostileGroupNamesAndFoldersStayInsideTheirCommands)
{
    const std::string victim = "KV Victim";
    extraGroups.push_back(victim);
    CreateDirectoryA(kvtest::GroupFolder(victim.c_str()).c_str(), NULL);
    std::string mine = kvtest::GroupFolder(victim.c_str()) + "\\Mine.lnk";
    CloseHandle(CreateFileA(mine.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL));
    const std::string injected = "KV Pro)][DeleteGroup(" + victim + ")][CreateGroup(KV Extra";
    extraGroups.push_back("KV Extra");

    struct Row {
        const char* what;
        std::string recordedGroup; // win.ini GROUP before the run, "" for none
        std::string group32;       // GROUP32 line of the options, "" for none
        std::string madeGroup;     // the group that must hold the items, "" for none
        const char* logLine;       // a line the setup log must hold, or null
    } rows[] = {
        { "GROUP32", "", "GROUP32=" + injected, injected, NULL },
        { "win.ini GROUP", "KV W)][DeleteGroup(" + victim + ")][(", "",
          "KV W)][DeleteGroup(" + victim + ")][(", NULL },
        { "double quote", "", "GROUP32=KV \"Quoted\" Pro", "KORVID Pro",
          "Ignored GROUP32 of the options file: holds a double quote or a control character" },
        { "double quote, recorded group before it", "KV Recorded", "GROUP32=KV \"Quoted\" Pro", "KV Recorded",
          "Ignored GROUP32 of the options file: holds a double quote or a control character" },
        { "control character in win.ini", "KV\tTabbed", "", "KORVID Pro",
          "Ignored GROUP of win.ini: holds a double quote or a control character" },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        kvtest::RemoveProductState();
        if (!row.recordedGroup.empty())
            WriteProfileStringA("KORVID", "GROUP", row.recordedGroup.c_str());
        if (!row.madeGroup.empty())
            extraGroups.push_back(row.madeGroup);
        Sandbox box("hostile");
        std::string dest = box.Root() + "\\Apps (x86),1 [KV]";
        KV_INSTALL_SILENTLY(box, SilentInstallIni("", "DIR32=" + dest + "\r\n" + row.group32),
                            EXIT_RESTART_NEEDED);
        EXPECT_EQ(dest, WinIni("DEFDIR")) << box.SetupLog();
        EXPECT_TRUE(FileExists(mine));
        EXPECT_FALSE(FileExists(kvtest::GroupFolder("KV Extra")));
        if (!row.madeGroup.empty()) {
            EXPECT_EQ(14u, kvtest::GroupItems(row.madeGroup.c_str()).size());
            EXPECT_EQ(row.madeGroup, WinIni("GROUP"));
        }
        if (row.logLine) {
            EXPECT_NE(std::string::npos, box.SetupLog().find(row.logLine)) << box.SetupLog();
        }
        kvtest::CloseExplorerWindows();
    }
}

// A default install starts the scheduler by its quoted path: programs planted where an
// unquoted "C:\Program Files\KORVID Pro\kvsched.exe -install" would look first never run.
TEST_F(Install, UnquotedProgramPathsAreNeverTried)
{
    const std::string dest = "C:\\Program Files\\KORVID Pro";
    extraFolders.push_back(dest);
    const std::string planted[] = { "C:\\Program.exe", "C:\\Program Files\\KORVID.exe" };
    std::string mark = kvtest::WinePath(KV_MARK_EXE_UNIX);
    for (const std::string& path : planted)
        ASSERT_TRUE(CopyFileA(mark.c_str(), path.c_str(), FALSE)) << path;

    Sandbox box("quoted");
    KV_INSTALL_SILENTLY(box, SilentInstallIni("", ""), EXIT_RESTART_NEEDED);
    std::string scheduler = "\"" + dest + "\\kvsched.exe\"";
    kvtest::WaitUntil(
        [&] { return RegString(HKEY_LOCAL_MACHINE, kRunKey, "KORVID Queue Scheduler") == scheduler; });
    EXPECT_EQ(scheduler, RegString(HKEY_LOCAL_MACHINE, kRunKey, "KORVID Queue Scheduler"));
    // The scheduler starts with the product folder current, not the setup's work folder.
    EXPECT_STRCASEEQ(
        dest.c_str(),
        RegString(HKEY_LOCAL_MACHINE, "SOFTWARE\\Oxtavine\\KORVID\\Scheduler", "StartFolder").c_str());
    for (const std::string& path : planted) {
        EXPECT_FALSE(FileExists(path + ".ran")) << ReadFile(path + ".ran");
        DeleteFileA(path.c_str());
        DeleteFileA((path + ".ran").c_str());
    }
}

// Every kind of refused destination is logged with its folder, and nothing is installed or
// recorded.
TEST_F(Install, RefusedDestinationsInstallNothing)
{
    char windows[MAX_PATH], system[MAX_PATH];
    GetWindowsDirectoryA(windows, MAX_PATH);
    GetSystemDirectoryA(system, MAX_PATH);
    struct Row {
        const char* what;
        std::function<std::string(const Sandbox&)> dir32;
    } rows[] = {
        { "drive root", [](const Sandbox&) { return std::string("C:\\"); } },
        { "Windows folder", [&](const Sandbox&) { return std::string(windows); } },
        { "system folder", [&](const Sandbox&) { return std::string(system); } },
        { "work folder", [](const Sandbox& box) { return box.TempFolder(); } },
        { "inside the work folder", [](const Sandbox& box) { return box.TempFolder() + "\\KORVID"; } },
        { "holding the work folder", [](const Sandbox& box) { return box.Root(); } },
        { "relative", [](const Sandbox&) { return std::string("KORVID"); } },
        { "dots into Windows",
          [&](const Sandbox&) { return "C:\\Program Files\\..\\" + std::string(windows + 3); } },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        Sandbox box("refused");
        std::string dir32 = row.dir32(box);
        KV_INSTALL_SILENTLY(box, SilentInstallIni("", "DIR32=" + dir32), EXIT_INSTALL_FAILED);
        std::vector<std::string> log = SplitLines(box.SetupLog());
        EXPECT_TRUE(std::any_of(log.begin(), log.end(), [&](const std::string& line) {
            return line.find("Refused DestDir \"" + dir32 + "\": ") == 0;
        })) << box.SetupLog();
        EXPECT_FALSE(std::any_of(log.begin(), log.end(), [](const std::string& line) {
            return line.find("Copying ") == 0;
        })) << box.SetupLog();
        EXPECT_EQ("<missing>", WinIni("DIR"));
        EXPECT_EQ("<missing>", WinIni("DEFDIR"));
        EXPECT_FALSE(FileExists(box.TempFolder() + "\\KORVID"));
    }
}
