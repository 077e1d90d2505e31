// The product's uninstaller as Windows runs it: a silent install into a folder with blanks,
// then the uninstall entry's command line run as it stands, interactively and silently.
// The uninstaller's own file is in use while it runs, so it waits under ".del" for the
// restart, which the scenario then makes.
#include <gtest/gtest.h>
#include <algorithm>
#include <set>
#include <string.h>
#include "e2e/harness.h"
#include "engine/engine.h"
#include "support/product_state.h"
#include "unit/engine/placement_support.h"

using namespace kve2e;
using kvtest::FileExists;
using kvtest::RegKeyExists;
using kvtest::RegString;
using kvtest::WinIni;

namespace
{

const char kRunKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

class Uninstaller : public testing::Test
{
protected:
    // Outside the temporary folder, which a removal refuses to touch.
    std::string dest = "C:\\KV E2E Removal " + std::to_string(GetCurrentProcessId()) + "\\KORVID Pro";

    void SetUp() override
    {
        kvtest::RemoveProductState();
        kvtest::DeleteOxtavineValues(kvtest::kRunOnce);
    }
    void TearDown() override
    {
        kvtest::CloseExplorerWindows();
        kvtest::RemoveProductState();
        kvtest::DeleteOxtavineValues(kvtest::kRunOnce);
        kvtest::DeleteTree(dest.substr(0, dest.find_last_of('\\')));
    }

    void InstallSilently(Sandbox& box)
    {
        ASSERT_TRUE(box.PlaceSetup());
        ASSERT_TRUE(box.PlaceInstallIni("[INSTALL]\r\nQUIET=TRUE\r\nLOGGING=TRUE\r\n[KORVID]\r\nDIR32=" + dest
                                        + "\r\n"));
        RunResult run = box.Run();
        // The Explorer interface needs a restart, which a silent install leaves to the user.
        ASSERT_EQ((DWORD)EXIT_RESTART_NEEDED, run.exitCode);
        ASSERT_TRUE(FileExists(dest + "\\unkv32.exe"));
        kvtest::CloseExplorerWindows();
    }

    // Everything of the product outside its folder is gone.
    void ExpectRecordsGone()
    {
        EXPECT_EQ("<missing>", WinIni("DIR"));
        EXPECT_EQ("<missing>", WinIni("INSTOPTS"));
        EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE,
                                  "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\KORVIDPro"));
        EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, "SOFTWARE\\Oxtavine"));
        EXPECT_FALSE(RegKeyExists(HKEY_CLASSES_ROOT, "CLSID\\{5B1E0C72-3A94-4F6D-8E21-C7D09A3B4A10}"));
        EXPECT_FALSE(RegKeyExists(HKEY_CLASSES_ROOT, "CLSID\\{5B1E0C72-3A94-4F6D-8E21-C7D09A3B4A01}"));
        EXPECT_EQ("<missing>", RegString(HKEY_LOCAL_MACHINE, kRunKey, "KORVID Queue Scheduler"));
        EXPECT_FALSE(FileExists(kvtest::GroupFolder("KORVID Pro")));
    }

    std::string ShortPath(const std::string& path)
    {
        char buffer[MAX_PATH] = "";
        GetShortPathNameA(path.c_str(), buffer, sizeof buffer);
        return buffer;
    }
};

} // namespace

TEST_F(Uninstaller, TheUninstallEntryRemovesTheProductAndTheRestartTheRest)
{
    Sandbox box("uninstall");
    InstallSilently(box);
    std::string command =
        RegString(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\KORVIDPro",
                  "UninstallString");
    ASSERT_NE(std::string::npos, command.find(" -f " + dest + " -d ")) << command;

    // Yes to the INI question, Cancel to the restart.
    std::vector<std::string> captions;
    std::set<HWND> answered;
    RunOptions options;
    options.onVisibleWindow = [&](HWND window) {
        char className[16] = "", caption[128] = "";
        GetClassNameA(window, className, sizeof className);
        GetWindowTextA(window, caption, sizeof caption);
        if (strcmp(className, "#32770") != 0 || !GetDlgItem(window, 0xFFFF)
            || !answered.insert(window).second)
            return;
        captions.push_back(caption);
        int button = strcmp(caption, "KORVID Pro Installation") == 0 ? IDYES
            : strcmp(caption, "Congratulations!") == 0               ? IDCANCEL
                                                                     : IDOK;
        PostMessageA(window, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), (LPARAM)GetDlgItem(window, button));
    };
    RunResult run = box.RunCommand(command, options);
    ASSERT_TRUE(run.started);
    EXPECT_FALSE(run.timedOut);
    EXPECT_EQ(0u, run.exitCode);
    EXPECT_EQ((std::vector<std::string> { "KORVID Pro Installation", "Congratulations!" }), captions);

    // Only the uninstaller itself is left, waiting for the restart.
    EXPECT_EQ(std::vector<std::string> { "unkv32.exe.del" }, ListTree(dest));
    ExpectRecordsGone();
    auto commands = kvtest::KeyValues(kvtest::kRunOnce);
    EXPECT_EQ("cmd.exe /c del \"" + ShortPath(dest + "\\unkv32.exe.del") + "\"",
              kvtest::TextOf(commands["Oxtavine0"]));
    EXPECT_EQ("cmd.exe /c rmdir \"" + ShortPath(dest) + "\" ", kvtest::TextOf(commands["Oxtavine1"]));

    EXPECT_EQ(0, kvtest::RunAndWait("C:\\windows\\system32\\wineboot.exe -r"));
    for (int i = 0; i < 100 && FileExists(dest + "\\unkv32.exe.del"); i++)
        Sleep(100);
    EXPECT_FALSE(FileExists(dest + "\\unkv32.exe.del"));
}

TEST_F(Uninstaller, SilentRemovalKeepsTheSitesAndShowsNothing)
{
    Sandbox box("silent-uninstall");
    InstallSilently(box);
    std::string command =
        RegString(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\KORVIDPro",
                  "UninstallString")
        + " -s";
    RunResult run = box.RunCommand(command);
    EXPECT_FALSE(run.timedOut);
    EXPECT_EQ(0u, run.exitCode);
    EXPECT_FALSE(run.anyWindowVisible);

    std::vector<std::string> left = ListTree(dest);
    std::vector<std::string> expected = { "KORVID.ini",  "arsites.ini",   "avsites.ini", "gmsites.ini",
                                          "gvsites.ini", "hwsites.ini",   "olsites.ini", "oxsites.ini",
                                          "swsites.ini", "unkv32.exe.del" };
    EXPECT_EQ(expected, left);
    ExpectRecordsGone();

    // A second removal finds nothing recorded, says so in the log and changes nothing.
    CopyFileA((kvtest::WinePath(KV_PAYLOAD_DIR_UNIX) + "\\unkv32.exe").c_str(),
              (dest + "\\unkv32.exe").c_str(), FALSE);
    run = box.RunCommand(command);
    EXPECT_EQ(0u, run.exitCode);
    EXPECT_NE(std::string::npos, box.SetupLog().find("Insufficient information available to"))
        << box.SetupLog();
    expected.push_back("unkv32.exe");
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(expected, ListTree(dest));
}
