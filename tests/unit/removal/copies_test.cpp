// The uninstaller's copies in the temporary folder: their folders' names, the exit codes of
// a removal, and which folders a later run deletes (under a scratch temporary folder).
#include <gtest/gtest.h>
#include <stdio.h>
#include <string>
#include <vector>
#include "removal/removal.h"
#include "support/machine.h"
#include "support/product_state.h"

using namespace kvtest;

TEST(UninstallerCopies, FolderNamesAndExitCodes)
{
    char name[16];
    ASSERT_TRUE(UninstallerFolderName(name, sizeof name, 0x1A2B3C4Dul));
    EXPECT_STREQ("kvun1A2B3C4D", name);
    ASSERT_TRUE(UninstallerFolderName(name, sizeof name, 0));
    EXPECT_STREQ("kvun00000000", name);
    EXPECT_FALSE(UninstallerFolderName(name, 12, 0));

    struct Row {
        const char* name;
        bool matches;
    } names[] = {
        { "kvun1A2B3C4D", true },
        { "KVUN00000000", true },
        { "kvunabcdef09", true },
        { "kvun1A2B3C4", false },
        { "kvun1A2B3C4D0", false },
        { "kvun1A2B3C4G", false },
        { "kvun1A2B3C4D.tmp", false },
        { "xkvun1A2B3C4", false },
        { "kvun", false },
        { "", false },
    };
    for (const Row& row : names)
        EXPECT_EQ(row.matches, IsUninstallerFolderName(row.name)) << row.name;

    struct Code {
        int outcome, restartStarted, code;
    } codes[] = {
        { REMOVAL_DONE, 0, 0 },
        { REMOVAL_RESTART_NEEDED, 0, 3010 },
        { REMOVAL_RESTART_NEEDED, 1, 1641 },
        { REMOVAL_REFUSED, 0, 1603 },
    };
    for (const Code& row : codes)
        EXPECT_EQ(row.code, RemovalExitCode(row.outcome, row.restartStarted)) << row.outcome;
}

class UninstallerCopyFolders : public testing::Test
{
protected:
    kvtest::ScratchTemp scratch { "copies" };
    const std::string temp = scratch.Folder();

    void Make(const std::string& relative, bool folder)
    {
        std::string path = temp + "\\" + relative;
        if (folder) {
            ASSERT_TRUE(CreateDirectoryA(path.c_str(), NULL)) << path;
            return;
        }
        KV_WRITE_FILE(path, "MZ copy");
    }
};

// Only folders of the pattern that hold the copy alone (or nothing) go; a copy in use stays.
TEST_F(UninstallerCopyFolders, ALaterRunDeletesOnlyWhatTheUninstallerLeft)
{
    struct Row {
        const char* path;
        bool folder;
        bool stays;
    } rows[] = {
        { "kvun0000000A", true, false },
        { "kvun0000000A\\unkv32.exe", false, false },
        { "kvun0000000B", true, false }, // empty: a copy that was never written
        { "kvun0000000C", true, true },
        { "kvun0000000C\\unkv32.exe", false, true },
        { "kvun0000000C\\notes.txt", false, true }, // not only the copy
        { "kvun0000000D", true, true },
        { "kvun0000000D\\sub", true, true },
        { "kvun0000000E", true, true },
        { "kvun0000000E\\unkv32.exe", false, true }, // in use
        { "kvun0000000F", false, true },             // a file of the pattern
        { "kvunXYZ", true, true },
        { "kvunXYZ\\unkv32.exe", false, true },
        { "other", true, true },
        { "other\\unkv32.exe", false, true },
    };
    for (const Row& row : rows)
        Make(row.path, row.folder);
    HANDLE held = CreateFileA((temp + "\\kvun0000000E\\unkv32.exe").c_str(), GENERIC_READ, FILE_SHARE_READ,
                              NULL, OPEN_EXISTING, 0, NULL);
    ASSERT_NE(INVALID_HANDLE_VALUE, held);

    EXPECT_EQ(2, RemoveUninstallerCopies());
    CloseHandle(held);
    for (const Row& row : rows)
        EXPECT_EQ(row.stays, FileExists(temp + "\\" + row.path)) << row.path;
}

// Each copy gets a folder of its own, new each time, holding only the copy.
TEST_F(UninstallerCopyFolders, EachCopyGetsANewFolderOfItsOwn)
{
    Make("program.exe", false);
    std::vector<std::string> copies;
    for (int i = 0; i < 3; i++) {
        char copy[MAX_PATH + 1];
        ASSERT_EQ(1, MakeUninstallerCopy((temp + "\\program.exe").c_str(), copy, sizeof copy));
        std::string folder = std::string(copy).substr(0, std::string(copy).find_last_of('\\'));
        EXPECT_EQ(temp, folder.substr(0, temp.size()));
        EXPECT_TRUE(IsUninstallerFolderName(folder.substr(temp.size() + 1).c_str())) << folder;
        EXPECT_EQ(std::vector<std::string> { "unkv32.exe" }, ListFiles(folder));
        EXPECT_EQ("MZ copy", ReadFile(copy));
        for (const std::string& earlier : copies)
            EXPECT_NE(earlier, copy);
        copies.push_back(copy);
    }
    // A program that is not there leaves no folder behind.
    char copy[MAX_PATH + 1];
    EXPECT_EQ(0, MakeUninstallerCopy((temp + "\\missing.exe").c_str(), copy, sizeof copy));
    EXPECT_EQ(3, RemoveUninstallerCopies());
    EXPECT_EQ(std::vector<std::string> { "program.exe" }, ListFiles(temp));
}

// A copy held for its start can be read and run but not written, replaced, renamed or
// deleted; once let go, it can. The copy runs from the held file (the command shim: it runs
// "cmd.exe /c exit 7").
TEST_F(UninstallerCopyFolders, AHeldCopyRunsButCannotBeSwapped)
{
    std::string program = temp + "\\program.exe";
    ASSERT_TRUE(CopyFileA(WinePath(KV_COMMAND_SHIM_UNIX).c_str(), program.c_str(), FALSE));
    char copy[MAX_PATH + 1];
    HANDLE held = INVALID_HANDLE_VALUE;
    ASSERT_EQ(1, MakeUninstallerCopy(program.c_str(), copy, sizeof copy, &held));
    ASSERT_NE(INVALID_HANDLE_VALUE, held);
    std::string other = temp + "\\other.exe";
    KV_WRITE_FILE(other, "MZ planted");

    HANDLE writer = CreateFileA(copy, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                NULL, OPEN_EXISTING, 0, NULL);
    EXPECT_EQ(INVALID_HANDLE_VALUE, writer);
    if (writer != INVALID_HANDLE_VALUE)
        CloseHandle(writer);
    EXPECT_FALSE(CopyFileA(other.c_str(), copy, FALSE));
    EXPECT_FALSE(MoveFileA(copy, (temp + "\\moved.exe").c_str()));
    EXPECT_FALSE(DeleteFileA(copy));
    EXPECT_TRUE(ReadFile(program) == ReadFile(copy));

    std::string line = std::string("\"") + copy + "\" /c exit 7";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    ASSERT_TRUE(CreateProcessA(copy, &line[0], NULL, NULL, FALSE, 0, NULL, NULL, &startup, &process));
    CloseHandle(held);
    DWORD code = 0;
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(process.hProcess, 60000));
    GetExitCodeProcess(process.hProcess, &code);
    EXPECT_EQ(7u, code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    EXPECT_TRUE(DeleteFileA(copy));
}
