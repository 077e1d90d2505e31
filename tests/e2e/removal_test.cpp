// The product's uninstaller as Windows runs it: a silent install into a folder with blanks,
// then the uninstall entry's command line run as it stands, interactively and silently.
// The uninstaller's own file is in use while it runs, so it waits under ".del" for the
// restart, which the scenario then makes.
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
        EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE,
                                  "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\KORVIDPro"));
        EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, "SOFTWARE\\Oxtavine"));
        EXPECT_FALSE(RegKeyExists(HKEY_CLASSES_ROOT, "CLSID\\{5B1E0C72-3A94-4F6D-8E21-C7D09A3B4A10}"));
        EXPECT_FALSE(RegKeyExists(HKEY_CLASSES_ROOT, "CLSID\\{5B1E0C72-3A94-4F6D-8E21-C7D09A3B4A01}"));
        EXPECT_EQ("<missing>", RegString(HKEY_LOCAL_MACHINE, kRunKey, "KORVID Queue Scheduler"));
        EXPECT_FALSE(FileExists(kvtest::GroupFolder("KORVID Pro")));
    }
};

} // namespace

TEST_F(Uninstaller, TheUninstallEntryRemovesTheProductAndTheRestartTheRest)
{
    Sandbox box("uninstall");
    InstallIntoDest(box);
    std::string command =
        RegString(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\KORVIDPro",
                  "UninstallString");
    ASSERT_NE(std::string::npos, command.find(" -f " + dest + " -d ")) << command;

    // Yes to the INI question, Cancel to the restart.
    std::vector<std::string> captions;
    std::set<HWND> answered;
    RunOptions options;
    options.onVisibleWindow = [&](HWND window) {
        if (!kvtest::IsMessageBox(window) || !answered.insert(window).second)
            return;
        std::string caption = kvtest::Caption(window);
        captions.push_back(caption);
        kvtest::Press(window,
                      caption == kvtest::kCaption         ? IDYES
                          : caption == "Congratulations!" ? IDCANCEL
                                                          : IDOK);
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
    EXPECT_EQ("cmd.exe /c del \"" + kvtest::ShortPath(dest + "\\unkv32.exe.del") + "\"",
              kvtest::TextOf(commands["Oxtavine0"]));
    EXPECT_EQ("cmd.exe /c rmdir \"" + kvtest::ShortPath(dest) + "\" ", kvtest::TextOf(commands["Oxtavine1"]));

    kvtest::Restart();
    EXPECT_TRUE(kvtest::WaitUntil([&] { return !FileExists(dest + "\\unkv32.exe.del"); }));
}

TEST_F(Uninstaller, SilentRemovalKeepsTheSitesAndShowsNothing)
{
    Sandbox box("silent-uninstall");
    InstallIntoDest(box);
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
    CopyFileA((kvtest::PayloadFile("unkv32.exe")).c_str(), (dest + "\\unkv32.exe").c_str(), FALSE);
    run = box.RunCommand(command);
    EXPECT_EQ(0u, run.exitCode);
    EXPECT_NE(std::string::npos, box.SetupLog().find("Insufficient information available to"))
        << box.SetupLog();
    expected.push_back("unkv32.exe");
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(expected, ListTree(dest));
}
