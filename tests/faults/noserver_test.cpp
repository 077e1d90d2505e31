// Where no Program Manager answers (run without a display): the install and the removal
// complete, and no items are made.
#include <gtest/gtest.h>
#include "faults/faults.h"
#include "support/product_state.h"

using namespace kve2e;
using namespace kvfaults;
using kvtest::FileExists;

TEST(NoServer, InstallAndRemovalCompleteWithoutItems)
{
    kvtest::RemoveProductState();
    const std::string root = "C:\\KV Faults NoServer";
    const std::string dest = root + "\\KORVID Pro";
    CountScenario();
    CountFaults();
    {
        Sandbox box("noserver");
        RunResult run = box.RunWith(SilentOptions(dest));
        ASSERT_TRUE(EndedCleanly(run));
        EXPECT_EQ((DWORD)EXIT_RESTART_NEEDED, run.exitCode) << box.SetupLog();
        for (const std::string& name : ProductFileNames())
            EXPECT_TRUE(NewVersion(name.c_str()) == kvtest::ReadFile(dest + "\\" + name)) << name;
        EXPECT_EQ(dest, kvtest::WinIni("DIR"));
        EXPECT_FALSE(FileExists(kvtest::GroupFolder("KORVID Pro")));

        RunOptions options;
        options.watchStarted = true; // the uninstaller's copy deletes the original
        run = RunUninstallString(box, " -s", options);
        ASSERT_TRUE(EndedCleanly(run));
        EXPECT_EQ(0u, run.exitCode) << box.SetupLog();
        EXPECT_TRUE(WaitForPrograms(run.startedPrograms));
        EXPECT_EQ("<missing>", kvtest::WinIni("DIR"));
        for (const std::string& name : ProductFileNames())
            EXPECT_FALSE(FileExists(dest + "\\" + name)) << name;
    }
    kvtest::RemoveProductState();
    kvtest::DeleteTree(root);
}
