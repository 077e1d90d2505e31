// The Program Manager client where no server answers: run-without-server.sh starts this
// program in a Wine prefix of its own with no display, so no shell serves "PROGMAN".
// Every operation must return as it does for a lost command, each within its time-out.
#include <gtest/gtest.h>
#include <windows.h>
#include <shlobj.h>
#include <string>
#include "progman/progman.h"

namespace
{

// One command costs at most one time-out; allow as much again for a slow machine.
const DWORD LIMIT_MS = 2 * PROGMAN_TIMEOUT;

class Stopwatch
{
public:
    Stopwatch() : m_start(GetTickCount())
    {
    }
    DWORD Elapsed() const
    {
        return GetTickCount() - m_start;
    }

private:
    DWORD m_start;
};

#define EXPECT_QUICK(expected, call)                                                                         \
    do {                                                                                                     \
        Stopwatch watch;                                                                                     \
        EXPECT_EQ(expected, call);                                                                           \
        EXPECT_LT(watch.Elapsed(), LIMIT_MS) << #call;                                                       \
    } while (0)

std::string ProgramsFolder()
{
    char path[MAX_PATH] = "";
    SHGetFolderPathA(NULL, CSIDL_PROGRAMS, NULL, SHGFP_TYPE_CURRENT, path);
    return path;
}

} // namespace

TEST(ProgmanNoServer, CommandsAreLostAndEveryCallReturns)
{
    char folder[MAX_PATH];
    GetTempPathA(MAX_PATH, folder);

    EXPECT_QUICK(1, ProgmanOpen());
    EXPECT_EQ(1, g_bDdeActive);
    EXPECT_QUICK(0, ProgmanExecute(g_ddeInstance, "[CreateGroup(KV No Server)]"));
    EXPECT_QUICK(1, ProgmanDeleteItem("Help", folder, "kvpro32.pdf", ""));
    EXPECT_QUICK(1, ProgmanClose());
    EXPECT_EQ(0, g_bDdeActive);

    EXPECT_QUICK(1, ProgmanCreateGroup("KORVID Pro"));
    EXPECT_EQ(1, g_bDdeActive);
    EXPECT_QUICK(0, ProgmanAddItem("Help", folder, "kvpro32.pdf", ""));
    EXPECT_QUICK(0, ProgmanAddItem("", "", "kvpro32.exe", ""));
    EXPECT_QUICK(1, ProgmanDeleteItem("Help", folder, "kvpro32.pdf", ""));
    EXPECT_QUICK(1, ProgmanCloseAndDeleteGroup("KORVID Pro"));
    EXPECT_EQ(0, g_bDdeActive);

    std::string programs = ProgramsFolder();
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA((programs + "\\KORVID Pro").c_str()));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA((programs + "\\KV No Server").c_str()));
}

// Without a display no window can be made, so there is no combo box to fill either; the
// list is only asked for.
TEST(ProgmanNoServer, GroupListIsNull)
{
    EXPECT_QUICK((char*)NULL, ProgmanListGroups(NULL));
    EXPECT_EQ(0, g_bDdeActive);
}
