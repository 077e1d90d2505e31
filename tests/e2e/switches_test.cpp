// The setup driven as a deployment tool drives it: switches on the command line and no
// options file, a folder and a log with blanks in their names, switches winning over the
// options file, refused command lines that install nothing, and one setup at a time.
#include <gtest/gtest.h>
#include <algorithm>
#include <string>
#include <vector>
#include "support/harness.h"
#include "support/pages.h"
#include "resources/resource.h"
#include "support/product_state.h"
#include "support/files.h"
#include "support/machine.h"
#include "engine/engine.h"
#include "resources/resource.h"

using namespace kve2e;
using kvtest::FileExists;
using kvtest::WinIni;

namespace
{

std::string Quoted(const std::string& text)
{
    return "\"" + text + "\"";
}

bool LogHas(const std::string& log, const std::string& text)
{
    return log.find(text) != std::string::npos;
}

// True when the text tells the usage, and names the word before it (as the reason).
bool NamedBeforeUsage(const std::string& text, const std::string& word)
{
    size_t usage = text.find("Usage: kvsetup");
    return usage != std::string::npos && text.substr(0, usage).find(word) != std::string::npos;
}

class Switches : public kvtest::CleanMachine
{
protected:
    std::vector<std::string> extraFolders;

    void TearDown() override
    {
        std::string dir = WinIni("DIR");
        if (dir != "<missing>")
            kvtest::DeleteTree(dir);
        CleanMachine::TearDown();
        for (const std::string& folder : extraFolders)
            kvtest::DeleteTree(folder);
        kvtest::DeleteTree(kvtest::GroupFolder("KV Deploy Group"));
    }

    // Every program, library and file of the default parts that the package carries lies
    // in dest with the bytes the build made.
    void ExpectDefaultPartsPlaced(const std::string& dest)
    {
        for (int g = 0; g < kvtest::kSiteIniGroup; g++)
            KV_EXPECT_GROUP_PLACED(dest, kvtest::kFileGroups[g]);
        EXPECT_EQ(dest, WinIni("DIR"));
        EXPECT_EQ("12", WinIni("INSTOPTS")); // every default choice
        EXPECT_EQ(14u, kvtest::GroupItems(WinIni("GROUP").c_str()).size());
    }
};

} // namespace

TEST_F(Switches, SilentSwitchAloneInstallsEveryDefaultPart)
{
    Sandbox box("sw-silent");
    ASSERT_TRUE(box.PlaceSetup());
    RunResult run = box.RunCommand(Quoted(box.SetupPath()) + " /S");
    KV_EXPECT_RAN_SILENTLY(run, box, (DWORD)EXIT_RESTART_NEEDED); // the Explorer interface wants a restart
    std::string dest = WinIni("DIR");
    ASSERT_NE("<missing>", dest);
    ExpectDefaultPartsPlaced(dest);
    EXPECT_EQ("KORVID Pro", WinIni("GROUP"));
    // No /LOG and no LOGGING: no log at all.
    EXPECT_FALSE(FileExists(box.TempFolder() + "\\setup.log"));
}

// /S with a folder and a log whose names hold blanks, a group, and /NORESTART, against an
// options file that says otherwise for each: the switches win.
TEST_F(Switches, SwitchesWithBlanksWinOverTheOptionsFile)
{
    Sandbox box("sw-dir");
    std::string dest = box.Root() + "\\Program Files\\KV Pro Here";
    std::string fromFile = box.Root() + "\\From File";
    std::string logFolder = box.Root() + "\\log folder";
    std::string logPath = logFolder + "\\my setup.log";
    ASSERT_TRUE(CreateDirectoryA(logFolder.c_str(), NULL));
    ASSERT_TRUE(box.PlaceSetup());
    ASSERT_TRUE(
        box.PlaceInstallIni("[INSTALL]\r\nQUIET=FALSE\r\nLOGGING=FALSE\r\nALLOWRBT=TRUE\r\n[KORVID]\r\nDIR32="
                            + fromFile + "\r\nGROUP32=File Group\r\n"));

    RunResult run = box.RunCommand(Quoted(box.SetupPath()) + " /s /DIR=" + Quoted(dest)
                                   + " /LOG=" + Quoted(logPath) + " /norestart \"/GROUP=KV Deploy Group\"");
    // ALLOWRBT=TRUE would have restarted the machine: /NORESTART leaves it to the caller.
    KV_EXPECT_RAN_SILENTLY(run, box, (DWORD)EXIT_RESTART_NEEDED);
    ExpectDefaultPartsPlaced(dest);
    EXPECT_EQ("KV Deploy Group", WinIni("GROUP"));
    EXPECT_FALSE(FileExists(fromFile));

    std::string log = kvtest::ReadFile(logPath);
    EXPECT_TRUE(LogHas(log, "nV=31 nM=31")) << log;
    EXPECT_TRUE(LogHas(log, "Copying " + box.TempFolder() + "\\kv95pro.exe to " + dest + "\\kv95pro.exe"))
        << log;
    EXPECT_FALSE(FileExists(box.TempFolder() + "\\setup.log"));
}

// Command lines refused before anything is changed: exit 1639 (0 for /?), the reason and
// the usage logged (or shown, without /S), nothing installed, nothing staged left behind.
TEST_F(Switches, RefusedCommandLinesInstallNothing)
{
    struct Row {
        std::string args;
        DWORD exitCode;
        std::string told; // named before the usage, in the log or in the message box without /S
    } rows[] = {
        { "/S /BOGUS", EXIT_BAD_COMMAND_LINE, "/BOGUS" },
        { "/S /DIR", EXIT_BAD_COMMAND_LINE, "/DIR" },
        { "/S /DIR=C:\\" + std::string(300, 'd'), EXIT_BAD_COMMAND_LINE, "/DIR=C:\\ddd" },
        { "/S /DIR=KORVID", EXIT_BAD_COMMAND_LINE, "KORVID" },
        { "/S /DIR=C:\\", EXIT_BAD_COMMAND_LINE, "C:\\" },
        { "/S \"/GROUP=Tab\there\"", EXIT_BAD_COMMAND_LINE, "group name" },
        { "/S /INI=nowhere.ini", EXIT_BAD_COMMAND_LINE, "/INI" },
        { "/S /DIR=\"C:\\open", EXIT_BAD_COMMAND_LINE, "/DIR=C:\\open" },
        { "/S /?", EXIT_INSTALLED, "" },
        { "/Q", EXIT_BAD_COMMAND_LINE, "/Q" },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.args);
        Sandbox box("sw-refused");
        ASSERT_TRUE(box.PlaceSetup());
        bool silent = row.args.compare(0, 2, "/S") == 0;
        std::string boxText;
        RunOptions options;
        options.onVisibleWindow = [&](HWND window) {
            char text[2048] = "";
            HWND label = GetDlgItem(window, 0xFFFF);
            if (label && GetWindowTextA(label, text, sizeof text) > 0) {
                boxText = text;
                PostMessageA(window, WM_COMMAND, IDOK, 0);
            }
        };
        RunResult run = box.RunCommand(Quoted(box.SetupPath()) + " " + row.args, options);
        ASSERT_TRUE(run.started);
        EXPECT_FALSE(run.timedOut);
        EXPECT_EQ(row.exitCode, run.exitCode);
        if (silent) {
            EXPECT_FALSE(run.anyWindowVisible);
            EXPECT_TRUE(NamedBeforeUsage(box.SetupLog(), row.told)) << box.SetupLog();
        } else {
            EXPECT_TRUE(NamedBeforeUsage(boxText, row.told)) << boxText;
            EXPECT_FALSE(FileExists(box.TempFolder() + "\\setup.log"));
        }
        EXPECT_EQ("<missing>", WinIni("DIR"));
        EXPECT_FALSE(kvtest::RegKeyExists(HKEY_LOCAL_MACHINE, kUninstallEntryKey));
        std::vector<std::string> left = box.TempFiles();
        left.erase(std::remove(left.begin(), left.end(), std::string("setup.log")), left.end());
        EXPECT_TRUE(left.empty()) << left.size() << " files left, first " << (left.empty() ? "" : left[0]);
    }
}

// While another setup or uninstaller holds the lock, neither program runs over it: each ends
// with 1618 and changes nothing. A setup holds the lock while its wizard waits on a page.
TEST_F(Switches, OneSetupAtATime)
{
    std::string dest = kvtest::MakeScratchFolder("sw-once") + "\\KORVID Pro";
    extraFolders.push_back(dest.substr(0, dest.rfind('\\')));
    const std::string busy = "Another KORVID Pro setup or uninstall is running.";
    auto expectNothingInstalled = [&] {
        EXPECT_FALSE(FileExists(dest));
        EXPECT_EQ("<missing>", WinIni("DIR"));
        EXPECT_FALSE(kvtest::RegKeyExists(HKEY_LOCAL_MACHINE, kUninstallEntryKey));
    };

    // Held by this test (as a running setup would hold it): both programs end with 1618.
    {
        ASSERT_EQ(1, TakeSetupLock());
        Sandbox box("sw-held");
        ASSERT_TRUE(box.PlaceSetup());
        RunResult setup = box.RunCommand(Quoted(box.SetupPath()) + " /S /DIR=" + Quoted(dest));
        EXPECT_EQ((DWORD)EXIT_ALREADY_RUNNING, setup.exitCode);
        EXPECT_TRUE(LogHas(box.SetupLog(), busy)) << box.SetupLog();
        EXPECT_EQ(0u, setup.tempFilesSeen.count("Install.ini")); // staged nothing
        RunResult uninstall = box.RunCommand(Quoted(kvtest::PayloadFile("unkv32.exe")) + " -f " + dest
                                             + " -d " + dest + " -g KORVID Pro -s");
        EXPECT_EQ((DWORD)EXIT_ALREADY_RUNNING, uninstall.exitCode);
        std::string log = box.SetupLog();
        size_t first = log.find(busy);
        EXPECT_TRUE(first != std::string::npos && log.find(busy, first + 1) != std::string::npos) << log;
        ReleaseSetupLock();
        expectNothingInstalled();
    }

    // Held by a setup on its welcome page: a silent setup started then ends with 1618 and
    // installs nothing; once the first has ended, the same command installs.
    Sandbox first("sw-first"), second("sw-second");
    ASSERT_TRUE(first.PlaceSetup());
    ASSERT_TRUE(second.PlaceSetup());
    const std::string command = Quoted(second.SetupPath()) + " /S /LOG=setup.log /DIR=" + Quoted(dest);
    const std::string log = second.SetupFolder() + "\\setup.log";
    bool tried = false;
    DWORD blockedCode = 0;
    RunOptions options;
    options.onVisibleWindow = [&](HWND window) {
        if (kvtest::Caption(window) != kvtest::kCaption || !GetDlgItem(window, IDC_WELCOME_INSTALL))
            return;
        if (!tried) {
            tried = true;
            // Not a watched run: one run watches at a time.
            HANDLE blocked = second.StartCommand(command);
            ASSERT_TRUE(blocked != NULL);
            EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(blocked, 120000)); // the bound only guards a hang
            GetExitCodeProcess(blocked, &blockedCode);
            CloseHandle(blocked);
        }
        kvtest::PressKey(window, VK_ESCAPE);
    };
    RunResult holder = first.RunCommand(Quoted(first.SetupPath()), options);
    EXPECT_FALSE(holder.timedOut);
    ASSERT_TRUE(tried) << holder.WindowsSeen();
    EXPECT_EQ((DWORD)EXIT_ALREADY_RUNNING, blockedCode);
    EXPECT_TRUE(LogHas(kvtest::ReadFile(log), busy)) << kvtest::ReadFile(log);
    expectNothingInstalled();

    RunResult after = second.RunCommand(command);
    EXPECT_EQ((DWORD)EXIT_RESTART_NEEDED, after.exitCode) << kvtest::ReadFile(log);
    ExpectDefaultPartsPlaced(dest);
}

// Files named on the command line count from the folder the setup was started in, also on
// a line that is refused: the log of the refusal goes there, not into the work folder.
TEST_F(Switches, RelativeLogCountsFromTheStartFolderOnARefusedLine)
{
    Sandbox box("sw-relative");
    ASSERT_TRUE(box.PlaceSetup());
    RunResult run = box.RunCommand(Quoted(box.SetupPath()) + " /S /BOGUS /LOG=relative.log");
    ASSERT_TRUE(run.started);
    EXPECT_EQ((DWORD)EXIT_BAD_COMMAND_LINE, run.exitCode);
    std::string log = kvtest::ReadFile(box.SetupFolder() + "\\relative.log");
    EXPECT_TRUE(LogHas(log, "The switch /BOGUS is not a switch of this setup.")) << log;
    EXPECT_FALSE(FileExists(box.TempFolder() + "\\relative.log"));
}

// /INI= naming the work folder's own Install.ini: the administrator's file is read (its
// refused DIR32 ends the run), and neither replaced by the template nor cleaned up.
TEST_F(Switches, IniNamingTheWorkFoldersInstallIniIsReadAndKept)
{
    Sandbox box("sw-ini-temp");
    ASSERT_TRUE(box.PlaceSetup());
    const std::string options = "[INSTALL]\r\nQUIET=TRUE\r\nLOGGING=TRUE\r\n[KORVID]\r\nDIR32=C:\\\r\n";
    const std::string named = box.TempFolder() + "\\Install.ini";
    KV_WRITE_FILE(named, options);
    RunResult run = box.RunCommand(Quoted(box.SetupPath()) + " /S /INI=" + Quoted(named));
    ASSERT_TRUE(run.started);
    EXPECT_EQ((DWORD)EXIT_INSTALL_FAILED, run.exitCode);
    EXPECT_TRUE(LogHas(box.SetupLog(), "Refused DestDir \"C:\\\"")) << box.SetupLog();
    EXPECT_EQ(options, kvtest::ReadFile(named));
}

// /DIR= naming the folder of an earlier installation inside the Windows folder is taken, as
// DIR32 naming it is: the update goes there.
TEST_F(Switches, DirOfAnEarlierInstallationInsideTheWindowsFolderIsTaken)
{
    char windows[MAX_PATH] = "";
    GetWindowsDirectoryA(windows, MAX_PATH);
    const std::string earlier = std::string(windows) + "\\KV Switch Earlier";
    extraFolders.push_back(earlier);
    ASSERT_TRUE(CreateDirectoryA(earlier.c_str(), NULL));
    WriteProfileStringA("KORVID", "DIR", earlier.c_str());
    Sandbox box("sw-dir-earlier");
    ASSERT_TRUE(box.PlaceSetup());
    RunResult run = box.RunCommand(Quoted(box.SetupPath()) + " /S /LOG=setup.log /DIR=" + Quoted(earlier));
    ASSERT_TRUE(run.started);
    EXPECT_EQ((DWORD)EXIT_RESTART_NEEDED, run.exitCode)
        << kvtest::ReadFile(box.SetupFolder() + "\\setup.log");
    EXPECT_TRUE(FileExists(earlier + "\\kv95pro.exe"));
}

// /NORESTART in an interactive run: where the restart page would offer to restart now, a
// message says a restart is needed, and nothing restarts the machine.
TEST_F(Switches, NoRestartHoldsInAnInteractiveRun)
{
    Sandbox box("sw-norestart");
    std::string dest = box.Root() + "\\Interactive";
    ASSERT_TRUE(box.PlaceSetup());
    ASSERT_TRUE(
        box.PlaceInstallIni("[INSTALL]\r\nQUIET=FALSE\r\nALLOWRBT=TRUE\r\nDESKTOP=FALSE\r\n[KORVID]\r\nDIR32="
                            + dest + "\r\nGROUP32=KV Deploy Group\r\n"));
    // A restart would run this command.
    RunOnceCommand restartMarker("kve2e switches norestart", "cmd.exe /c exit");
    std::string told;
    bool restartPageSeen = false;
    kvtest::PageScript script({
        kvtest::PressStep(kvtest::kCaption, IDC_WELCOME_INSTALL, IDOK),
        kvtest::PressStep(kvtest::kFolderPage, IDC_FOLDER_EDIT, IDOK),
        kvtest::PressStep(kvtest::kInterfacePage, IDC_IFACE_CLASSIC, IDOK),
        kvtest::PressStep(kvtest::kGroupPage, IDC_GROUP_COMBO, IDOK),
        kvtest::PressStep(kvtest::kIconPage, IDC_ICON_DESKTOP, IDOK),
        kvtest::BoxAnswer("Congratulations!", IDOK, [&](const std::string& text) { told = text; }),
    });
    RunOptions options;
    options.timeoutMs = 60000;
    options.onVisibleWindow = [&](HWND window) {
        if (kvtest::Caption(window) == kvtest::kRestartPage) {
            restartPageSeen = true;
            kvtest::Press(window, IDCANCEL);
        }
        script.Offer(window);
    };
    RunResult run = box.RunCommand(Quoted(box.SetupPath()) + " /NORESTART", options);
    ASSERT_TRUE(run.started);
    EXPECT_FALSE(run.timedOut) << "waiting for " << script.Waiting() << "; windows:" << run.WindowsSeen();
    EXPECT_EQ(0u, run.exitCode);
    EXPECT_FALSE(restartPageSeen);
    EXPECT_TRUE(LogHas(told, "you will need to restart your computer")) << told;
    EXPECT_TRUE(restartMarker.Stored());
    EXPECT_TRUE(FileExists(dest + "\\kv95pro.exe"));
}
