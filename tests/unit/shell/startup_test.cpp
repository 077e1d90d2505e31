// Start-up's pure decisions: the main window's rectangle, centring, the NT test of the OS
// variable and the product choices offered and preselected per Windows version.
#include <gtest/gtest.h>
#include "shell/shell.h"

TEST(Startup, MainWindowRectIsFourFifthsWithMinimums)
{
    struct Row {
        int right, bottom;
        WindowRect want;
    } rows[] = {
        { 640, 480, { 20, 40, 600, 400 } },
        { 1024, 768, { 104, 78, 816, 612 } },
        { 1280, 1024, { 128, 104, 1024, 816 } },
        { 1023, 767, { 103, 77, 816, 612 } },   // 1023/5 and (767-612)/2 truncate
        { 800, 400, { 80, 0, 640, 400 } },      // only the height is raised
        { 320, 200, { -140, -100, 600, 400 } }, // larger than the desktop: not clamped
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(testing::Message() << r.right << "x" << r.bottom);
        WindowRect got = MainWindowRect(r.right, r.bottom);
        EXPECT_EQ(r.want.left, got.left);
        EXPECT_EQ(r.want.top, got.top);
        EXPECT_EQ(r.want.width, got.width);
        EXPECT_EQ(r.want.height, got.height);
    }
}

TEST(Startup, CenteredPositionHalvesSeparatelyAndClampsAtZero)
{
    struct Row {
        int dw, dh, w, h, offset;
        LONG x, y;
    } rows[] = {
        { 1024, 768, 400, 300, 0, 312, 234 },
        { 1024, 768, 401, 301, 0, 312, 234 }, // 512-200, not (1024-401)/2 = 311
        { 1024, 768, 400, 300, 50, 312, 284 },
        { 1024, 768, 400, 300, -300, 312, 0 }, // moved above the top: 0
        { 300, 200, 500, 400, 0, 0, 0 },       // larger than the desktop
        { 300, 200, 500, 400, 250, 0, 150 },   // -100 + 250
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(testing::Message()
                     << r.dw << "x" << r.dh << " " << r.w << "x" << r.h << " offset " << r.offset);
        POINT got = CenteredPosition(r.dw, r.dh, r.w, r.h, r.offset);
        EXPECT_EQ(r.x, got.x);
        EXPECT_EQ(r.y, got.y);
    }
}

TEST(Startup, WindowsNTOnlyForUpperCaseNT)
{
    struct Row {
        const char* os;
        int nt;
    } rows[] = {
        { "Windows_NT", 1 }, { "NT", 1 },         { "xNTx", 1 }, { "Windows_nt", 0 },
        { "Nt", 0 },         { "Windows_95", 0 }, { "", 0 },     { NULL, 0 },
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.os ? r.os : "(no variable)");
        EXPECT_EQ(r.nt, IsWindowsNT(r.os));
    }
}

TEST(Startup, ChoiceMasksFollowVersionAndOptions)
{
    struct Row {
        const char* what;
        int nt, major, minor, bonus, explore;
        unsigned offered, preselected;
    } rows[] = {
        { "NT 4, bonus and explorer", 1, 4, 0, 1, 1, 0x1F, 0x1F },
        { "NT 4, explorer off", 1, 4, 0, 1, 0, 0x1F, 0x1D },
        { "NT 4, bonus off", 1, 4, 0, 0, 1, 0x1F, 0x1B },
        { "NT 6.1, both off", 1, 6, 1, 0, 0, 0x1F, 0x19 },
        { "NT 3.51", 1, 3, 51, 1, 1, 0x05, 0x05 },
        { "NT 3.51, options off", 1, 3, 51, 0, 0, 0x05, 0x05 },
        { "95 (4.0)", 0, 4, 0, 1, 1, 0x1F, 0x1F },
        { "3.51 without NT", 0, 3, 51, 1, 0, 0x1F, 0x1D },
        { "3.50 without NT", 0, 3, 50, 0, 1, 0x1F, 0x1B },
        { "3.10 (Win32s)", 0, 3, 10, 1, 1, 0x03, 0x01 },
        { "3.49 without NT", 0, 3, 49, 0, 0, 0x03, 0x01 },
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        unsigned offered = 0xDEAD, preselected = 0xBEEF;
        ComputeChoiceMasks(r.nt, r.major, r.minor, r.bonus, r.explore, &offered, &preselected);
        EXPECT_EQ(r.offered, offered);
        EXPECT_EQ(r.preselected, preselected);
    }
}
