// The user's things in and around the product folder through a removal and the restart
// after it: folders of the user's inside the product folder, named like every leftover the
// removal deletes, keep every file byte for byte; two files of one stem in use both wait
// for the restart and go then, and read-only files go too; a folder an earlier
// installation recorded inside the Windows folder is updated and removed; and an install
// whose folder cannot be passed to the uninstaller says in the log that it made no entry.
#include <gtest/gtest.h>
#include <algorithm>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string.h>
#include "faults/faults.h"
#include "support/product_state.h"
#include "support/machine.h"
#include "support/pages.h"

using namespace kve2e;
using namespace kvfaults;
using kvtest::FileExists;
using kvtest::ReadFile;

namespace
{

// Answers the removal's boxes: Yes to the INI question, Cancel to the restart (the test
// makes the restart itself), OK to anything else. Each box once.
std::function<void(HWND)> RemovalAnswers(std::vector<std::string>* captions)
{
    return kvtest::AnswerBoxes(captions, [](const std::string& caption) {
        return caption == kvtest::kCaption ? IDYES : caption == "Congratulations!" ? IDCANCEL : IDOK;
    });
}

class UserData : public kvtest::ProductFolder
{
protected:
    UserData() : ProductFolder("Faults UserData")
    {
    }

    void Install(Sandbox& box, const std::string& folder)
    {
        ASSERT_TRUE(box.PlaceSetup());
        ASSERT_TRUE(box.PlaceInstallIni(SilentOptions(folder)));
        RunResult run = box.Run();
        ASSERT_TRUE(EndedCleanly(run));
        ASSERT_EQ((DWORD)EXIT_RESTART_NEEDED, run.exitCode) << box.SetupLog();
        kvtest::CloseExplorerWindows();
    }
    // Runs the uninstall entry's command, silently or answering the boxes (which the
    // uninstaller's copy shows), and expects its exit code.
    void Remove(Sandbox& box, bool silent, std::vector<std::string>* captions,
                DWORD exitCode = EXIT_INSTALLED)
    {
        ASSERT_NE("<missing>", kvtest::UninstallValue("UninstallString"));
        RunOptions options;
        options.watchStarted = true;
        if (!silent)
            options.onVisibleWindow = RemovalAnswers(captions);
        RunResult run = RunUninstallString(box, silent ? " -s" : "", options);
        ASSERT_TRUE(EndedCleanly(run));
        EXPECT_EQ(exitCode, run.exitCode) << box.SetupLog();
        EXPECT_EQ("<missing>", kvtest::WinIni("DIR"));
    }
    // The restart, then the wait for what it deletes: it starts the stored commands without
    // waiting for them to end.
    static void RestartUntilGone(const std::string& path)
    {
        kvtest::Restart();
        kvtest::WaitUntil([&] { return !FileExists(path); });
    }
};

bool EndsWithIni(const std::string& name)
{
    return name.size() > 4 && _stricmp(name.c_str() + name.size() - 4, ".ini") == 0;
}

} // namespace

// Folders of the user's named like every leftover, each with files (some named like
// leftovers too) and a folder below: a silent removal and one that answers Yes to the INI
// question, each followed by the restart, leave every file as it was.
TEST_F(UserData, UserFoldersSurviveRemovalAndRestart)
{
    const char* const kinds[] = { "bak", "tmp", "log", "gid", "new", "ini", "del" };
    struct Row {
        const char* what;
        bool silent;
        std::vector<std::string> captions;
    } rows[] = {
        { "silent", true, {} },
        { "interactive", false, { "KORVID Pro Installation", "" } },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        CountScenario();
        CountFaults((int)ARRAY_SIZE(kinds));
        Clean();
        Sandbox box("userdata");
        Install(box, dest);

        // Every user file and its bytes, a zero byte and the high half included.
        std::map<std::string, std::string> mine;
        // A stem of its own for each, so that no folder's ".del" name is taken by another.
        char stem = 'a';
        for (const char* kind : kinds) {
            std::string folder = Dest(std::string(1, stem++) + "." + kind);
            ASSERT_TRUE(CreateDirectoryA(folder.c_str(), NULL)) << folder;
            ASSERT_TRUE(CreateDirectoryA((folder + "\\deeper.bak").c_str(), NULL));
            for (const std::string& name : { std::string("notes.txt"), std::string("mine.") + kind,
                                             std::string("deeper.bak\\kept.log") }) {
                std::string path = folder + "\\" + name;
                mine[path] = "the user's " + path + std::string("\0\x01\xff\r\n", 5);
                KV_WRITE_FILE(path, mine[path]);
            }
        }

        std::vector<std::string> captions;
        Remove(box, row.silent, &captions);
        EXPECT_EQ(row.captions, captions);
        // Nothing was in use: nothing waits for a restart, and one changes nothing.
        std::vector<std::string> commands = kvtest::StoredRestartCommands();
        EXPECT_TRUE(commands.empty()) << testing::PrintToString(commands);
        kvtest::Restart();

        for (const auto& file : mine)
            KV_EXPECT_KEPT(file.first, file.second);
        // Nothing of the product is left but, after a silent removal, the INI files.
        for (const std::string& name : ListTree(dest)) {
            bool kept = mine.count(Dest(name)) || (row.silent && EndsWithIni(name));
            EXPECT_TRUE(kept) << name;
        }
        kvtest::DeleteTree(dest);
    }
}

// A running program moved aside by an update (kv95pro.bak) and its new copy running too:
// both are in use through the removal, wait under names of their own and go at the restart;
// a read-only product file goes with them, and a read-only file named like a leftover is the
// user's and stays.
TEST_F(UserData, SameStemFilesInUseAndReadOnlyFilesGoAtTheRestart)
{
    CountScenario();
    CountFaults(4);
    Sandbox box("samestem");
    Install(box, dest);
    auto earlier = std::make_unique<kvtest::RunningProgram>(Dest("kv95pro.exe"));
    ASSERT_TRUE(earlier->Running());
    Install(box, dest);
    ASSERT_TRUE(FileExists(Dest("kv95pro.bak")));
    auto newer = std::make_unique<kvtest::RunningProgram>(Dest("kv95pro.exe"));
    ASSERT_TRUE(newer->Running());
    KV_WRITE_FILE(Dest("old.log"), "an earlier log\r\n");
    for (const char* name : { "kvpro32.hlp", "old.log" })
        ASSERT_TRUE(SetFileAttributesA(Dest(name).c_str(), FILE_ATTRIBUTE_READONLY)) << name;

    std::vector<std::string> captions;
    Remove(box, false, &captions, EXIT_RESTART_NEEDED);
    EXPECT_EQ((std::vector<std::string> { "KORVID Pro Installation", "Congratulations!" }), captions);
    std::vector<std::string> commands = kvtest::StoredRestartCommands();
    for (const char* name : { "kv95pro.exe.del", "kv95pro.bak.del" }) {
        ASSERT_TRUE(FileExists(Dest(name))) << name;
        std::string expected = kvtest::DelCommand("cmd.exe", Dest(name));
        EXPECT_NE(commands.end(), std::find(commands.begin(), commands.end(), expected)) << expected;
    }

    earlier.reset();
    newer.reset();
    // An ended program's file is free only once the system has let go of its image.
    for (const std::string& name : ListTree(dest)) {
        HANDLE file = INVALID_HANDLE_VALUE;
        kvtest::WaitUntil([&] {
            file = CreateFileA(Dest(name).c_str(), DELETE, 0, NULL, OPEN_EXISTING, 0, NULL);
            return file != INVALID_HANDLE_VALUE;
        });
        EXPECT_NE(INVALID_HANDLE_VALUE, file) << name;
        CloseHandle(file);
    }
    SCOPED_TRACE(testing::PrintToString(ListTree(dest)) + " "
                 + testing::PrintToString(kvtest::StoredRestartCommands()));
    RestartUntilGone(Dest("kv95pro.bak.del"));
    // Every product file is gone; the user's read-only log stays as it was, and the folder
    // with it.
    EXPECT_EQ(std::vector<std::string> { "old.log" }, ListTree(dest));
    KV_EXPECT_KEPT(Dest("old.log"), "an earlier log\r\n");
    for (const char* name : { "kv95pro.exe.del", "kv95pro.bak.del", "kvpro32.hlp" }) {
        bool gone = !FileExists(Dest(name));
        EXPECT_TRUE(gone) << name;
    }
}

// An earlier installation recorded inside the Windows folder is updated there and removed
// through its uninstall entry; an install into a folder that holds a switch of the
// uninstaller's gets no uninstall entry, and the log says so.
TEST_F(UserData, RecordedFolderInsideWindowsAndSkippedUninstallEntry)
{
    char windows[MAX_PATH];
    ASSERT_NE(0u, GetWindowsDirectoryA(windows, sizeof windows));
    std::string inside =
        std::string(windows) + "\\KV Faults Recorded " + std::to_string(GetCurrentProcessId());

    CountScenario();
    {
        Sandbox box("recorded");
        WriteProfileStringA("KORVID", "DIR", inside.c_str());
        Install(box, inside);
        EXPECT_EQ(inside, kvtest::WinIni("DIR"));
        EXPECT_TRUE(FileExists(inside + "\\kv95pro.exe"));
        Remove(box, true, NULL);
        for (const std::string& name : ListTree(inside))
            EXPECT_TRUE(EndsWithIni(name)) << name;
        EXPECT_TRUE(kvtest::StoredRestartCommands().empty())
            << testing::PrintToString(kvtest::StoredRestartCommands());
        kvtest::DeleteTree(inside);
    }

    CountScenario();
    CountFaults();
    Clean();
    Sandbox box("noentry");
    std::string switched = root + " -s x\\KORVID Pro";
    Install(box, switched);
    EXPECT_FALSE(kvtest::RegKeyExists(HKEY_LOCAL_MACHINE, kUninstallEntryKey));
    std::string log = box.SetupLog();
    EXPECT_NE(std::string::npos, log.find("Skipped the uninstall entry")) << log;
    kvtest::CloseExplorerWindows();
    Clean();
    kvtest::DeleteTree(root + " -s x");
}
