// The Program Manager client where no server answers: run-without-server.sh starts this
// program in a Wine prefix of its own with no display, so no shell serves "PROGMAN".
// Every operation must return as it does for a lost command.
#include <gtest/gtest.h>
#include <windows.h>
#include <shlobj.h>
#include <string>
#include "progman/progman.h"
#include "support/product_state.h"

// A lost command costs one time-out; a call that never returns is ended by the test's own
// time-out (TIMEOUT in tests/CMakeLists.txt), which guards against a hang only.
#define EXPECT_RETURNS(expected, call) EXPECT_EQ(expected, call) << #call

TEST(ProgmanNoServer, CommandsAreLostAndEveryCallReturns)
{
    char folder[MAX_PATH];
    GetTempPathA(MAX_PATH, folder);

    EXPECT_RETURNS(1, ProgmanOpen());
    EXPECT_EQ(1, g_bDdeActive);
    EXPECT_RETURNS(0, ProgmanExecute(g_ddeInstance, "[CreateGroup(KV No Server)]"));
    EXPECT_RETURNS(1, ProgmanDeleteItem("Help", folder, "kvpro32.pdf", ""));
    EXPECT_RETURNS(1, ProgmanClose());
    EXPECT_EQ(0, g_bDdeActive);

    EXPECT_RETURNS(1, ProgmanCreateGroup("KORVID Pro"));
    EXPECT_EQ(1, g_bDdeActive);
    EXPECT_RETURNS(0, ProgmanAddItem("Help", folder, "kvpro32.pdf", ""));
    EXPECT_RETURNS(0, ProgmanAddItem("", "", "kvpro32.exe", ""));
    EXPECT_RETURNS(1, ProgmanDeleteItem("Help", folder, "kvpro32.pdf", ""));
    EXPECT_RETURNS(1, ProgmanCloseAndDeleteGroup("KORVID Pro"));
    EXPECT_EQ(0, g_bDdeActive);

    std::string programs = kvtest::ProgramsFolder();
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA((programs + "\\KORVID Pro").c_str()));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA((programs + "\\KV No Server").c_str()));
}

// Without a display no window can be made, so there is no combo box to fill either; the
// list is only asked for.
TEST(ProgmanNoServer, GroupListIsNull)
{
    EXPECT_RETURNS((char*)NULL, ProgmanListGroups(NULL));
    EXPECT_EQ(0, g_bDdeActive);
}
