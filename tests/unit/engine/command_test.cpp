// Commands for the next start: the path goes in quotes, and a path the command shell would
// read into (or that would end the line) gives no command at all.
#include <gtest/gtest.h>
#include "engine/engine.h"
#include "support/machine.h"

TEST(ShellCommand, QuotesSafePathsAndRefusesTheRest)
{
    struct Row {
        const char* shell;
        const char* verb;
        const char* path;
        const char* expected; // null: refused
    } rows[] = {
        { "cmd.exe", "del", "C:\\PROG~FBU\\KORV~A5T\\kvpro32.del",
          "cmd.exe /c del \"C:\\PROG~FBU\\KORV~A5T\\kvpro32.del\"" },
        { "command.com", "rmdir", "C:\\KORVID", "command.com /c rmdir \"C:\\KORVID\"" },
        { "cmd.exe", "del", "C:\\My Files (old)\\a.del", "cmd.exe /c del \"C:\\My Files (old)\\a.del\"" },
        { "cmd.exe", "del", "C:\\A&B\\a.del", NULL },
        { "cmd.exe", "del", "C:\\A|B\\a.del", NULL },
        { "cmd.exe", "del", "C:\\A<B", NULL },
        { "cmd.exe", "del", "C:\\A>B", NULL },
        { "cmd.exe", "del", "C:\\A^B", NULL },
        { "cmd.exe", "del", "C:\\%WINDIR%", NULL },
        { "cmd.exe", "del", "C:\\A!B!", NULL },
        { "cmd.exe", "del", "C:\\A\"B", NULL },
        { "cmd.exe", "del", "C:\\A\r\nformat C:", NULL },
        { "cmd.exe", "del", "", NULL },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.path);
        char out[512] = "x";
        EXPECT_EQ(row.expected != NULL, FormatShellCommand(out, sizeof out, row.shell, row.verb, row.path));
        EXPECT_STREQ(row.expected ? row.expected : "", out);
        EXPECT_EQ(row.expected != NULL, IsSafeShellPath(row.path));
    }

    // A command that does not fit is refused whole, never stored cut.
    std::string longPath = "C:\\" + std::string(250, 'k');
    char small[64] = "x";
    EXPECT_FALSE(FormatShellCommand(small, sizeof small, "cmd.exe", "del", longPath.c_str()));
    EXPECT_STREQ("", small);
}

// Only a path the system really converted gives a command; a missing file gives none.
TEST(ShellCommand, RestartCommandNeedsARealShortPath)
{
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    std::string folder = std::string(temp) + "kv long folder name";
    CreateDirectoryA(folder.c_str(), NULL);
    std::string path = folder + "\\kvpro32.del";
    KV_WRITE_FILE(path, "");
    ASSERT_NE(path, kvtest::ShortPath(path)); // the folder's name has blanks

    kvtest::SavedRunState saved;
    char out[512];
    g_bWinNT = 1;
    EXPECT_TRUE(BuildRestartCommand(out, sizeof out, "del", path.c_str()));
    EXPECT_EQ(kvtest::DelCommand("cmd.exe", path), out);
    g_bWinNT = 0;
    EXPECT_TRUE(BuildRestartCommand(out, sizeof out, "del", path.c_str()));
    EXPECT_EQ(kvtest::DelCommand("command.com", path), out);

    DeleteFileA(path.c_str());
    EXPECT_FALSE(BuildRestartCommand(out, sizeof out, "del", path.c_str()));
    EXPECT_STREQ("", out);
    RemoveDirectoryA(folder.c_str());
}
