// Windows 95, 98 and NT 4 as they are: the setup and the uninstaller run under the old
// systems' rules of the test build (tests/tools/old_systems.cpp, docs/TESTING.md), which
// switch on from the Windows version Wine reports to them. On each system: a whole install,
// an update while a product program runs, and the removal.
#include <gtest/gtest.h>
#include "support/harness.h"
#include "support/files.h"
#include "support/machine.h"
#include "support/product_state.h"

using namespace kve2e;
using kvtest::FileExists;
using kvtest::WinIni;

namespace
{

class OldSystems : public kvtest::CleanMachine
{
protected:
    // Outside the temporary folder, which a removal refuses to touch.
    std::string root = "C:\\KV E2E Old " + std::to_string(GetCurrentProcessId());
    std::string dest = root + "\\KORVID Pro";

    void TearDown() override
    {
        CleanMachine::TearDown();
        kvtest::DeleteTree(root);
    }
    std::string Dest(const char* name) const
    {
        return dest + "\\" + name;
    }
};

TEST_F(OldSystems, InstallUpdateWithAProgramRunningAndRemoval)
{
    struct Row {
        const char* version;
        const char* os; // the OS variable the programs see
    } rows[] = {
        { "win95", "OS=" },
        { "win98", "OS=" },
        { "nt40", "OS=Windows_NT" },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.version);
        kvtest::RemoveProductState();
        kvtest::DeleteTree(root);
        RunOptions options;
        // The setup's version is Wine's per-program one; the uninstaller (and its copy) is
        // told by the explicit setting.
        options.environment = { row.os, std::string("KV_OLD_SYSTEM=") + row.version };
        WineVersion version(row.version);

        Sandbox box(row.version);
        KV_INSTALL_SILENTLY(box, SilentOptions(dest), EXIT_RESTART_NEEDED, options);
        kvtest::CloseExplorerWindows();
        ASSERT_TRUE(FileExists(Dest("kv95pro.exe"))) << box.SetupLog();

        // The update, with the main program running, an earlier file to replace and a file
        // of the user's under the name the earlier file is first kept under.
        KV_WRITE_FILE(Dest("kvpro32.hlp"), "earlier text");
        KV_WRITE_FILE(Dest("kvswap.bak"), "the user's own");
        {
            kvtest::RunningProgram program(Dest("kv95pro.exe"));
            ASSERT_TRUE(program.Running());
            Sandbox update(row.version);
            KV_INSTALL_SILENTLY(update, SilentOptions(dest), EXIT_RESTART_NEEDED, options);
            kvtest::CloseExplorerWindows();
            EXPECT_EQ(kvtest::ReadFile(kvtest::PayloadFile("kvpro32.hlp")),
                      kvtest::ReadFile(Dest("kvpro32.hlp")))
                << update.SetupLog();
        }
        EXPECT_EQ("the user's own", kvtest::ReadFile(Dest("kvswap.bak")));
        EXPECT_FALSE(FileExists(Dest("kvswap1.bak")));

        options.watchStarted = true;
        RunResult run = RunUninstallString(box, " -s", options);
        EXPECT_FALSE(run.timedOut);
        EXPECT_EQ(0u, run.exitCode) << box.SetupLog();
        EXPECT_TRUE(WaitForPrograms(run.startedPrograms, 60000));
        EXPECT_FALSE(FileExists(Dest("kv95pro.exe")));
        // The uninstaller's own file goes too, without a restart, once it has ended.
        EXPECT_FALSE(FileExists(Dest("unkv32.exe")));
        EXPECT_EQ("<missing>", WinIni("DIR"));
    }
}

} // namespace
