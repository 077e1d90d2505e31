// A damaged setup program: one packed resource changed (a flipped byte, a resource cut
// short). The file it holds is never placed: the required file fails with a message naming
// the damaged program, the earlier file stays whole, and the run reports the failure.
#include <gtest/gtest.h>
#include <algorithm>
#include "faults/faults.h"
#include "support/product_state.h"

using namespace kve2e;
using namespace kvfaults;
using kvtest::ReadFile;

TEST(DamagedPayload, IsRefusedBeforeItIsPlaced)
{
    const std::string packed =
        ReadFile(kvtest::WinePath(KV_BUILD_DIR_UNIX) + "\\product\\packed\\kvpro32.dl_");
    ASSERT_GT(packed.size(), 100u);
    struct Row {
        const char* what;
        bool cut; // the resource cut short, else one byte flipped
    } rows[] = { { "flipped byte", false }, { "cut short", true } };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        CountScenario();
        CountFaults();
        kvtest::RemoveProductState();
        Sandbox box("damaged");
        ASSERT_TRUE(box.PlaceSetup());
        if (row.cut) {
            HANDLE update = BeginUpdateResourceA(box.SetupPath().c_str(), FALSE);
            ASSERT_TRUE(update != NULL);
            ASSERT_TRUE(UpdateResourceA(update, "EXE", "DLLFILE1", MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL),
                                        (void*)packed.data(), (DWORD)packed.size() / 2));
            ASSERT_TRUE(EndUpdateResourceA(update, FALSE));
        } else {
            std::string program = ReadFile(box.SetupPath());
            size_t at = program.find(packed);
            ASSERT_NE(std::string::npos, at);
            program[at + packed.size() / 2] ^= 0x5A;
            KV_WRITE_FILE(box.SetupPath(), program);
        }
        std::string dest = box.Root() + "\\dest";
        CreateDirectoryA(dest.c_str(), NULL);
        PlaceOldVersion(dest);

        ASSERT_TRUE(box.PlaceInstallIni(SilentOptions(dest)));
        RunResult run = box.Run();
        ASSERT_TRUE(EndedCleanly(run));
        EXPECT_EQ((DWORD)EXIT_INSTALL_FAILED, run.exitCode);
        std::vector<std::string> log = kvtest::SplitLines(box.SetupLog());
        auto has = [&](const std::string& start) {
            return std::any_of(log.begin(), log.end(),
                               [&](const std::string& line) { return line.find(start) == 0; });
        };
        EXPECT_TRUE(has("The setup program " + box.SetupPath() + " is damaged: its copy of kvpro32.dll"))
            << box.SetupLog();
        EXPECT_TRUE(has("Failed to install required file kvpro32.dll.")) << box.SetupLog();
        EXPECT_EQ(OldVersion("kvpro32.dll"), ReadFile(dest + "\\kvpro32.dll"));
        // The rows before it are placed; nothing is damaged or recorded.
        EXPECT_TRUE(NewVersion("kv95pro.exe") == ReadFile(dest + "\\kv95pro.exe"));
        EXPECT_TRUE(DamagedProductFiles(dest).empty());
        EXPECT_EQ("<missing>", kvtest::WinIni("DEFDIR"));
    }
    kvtest::RemoveProductState();
}
