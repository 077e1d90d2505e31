// The bounded text helpers: they terminate, and report every cut text.
#include <gtest/gtest.h>
#include "base/base.h"

TEST(Text, CopyAppendFormatReportCuts)
{
    char buf[8];
    EXPECT_TRUE(StrCopy(buf, sizeof buf, "1234567"));
    EXPECT_STREQ("1234567", buf);
    EXPECT_FALSE(StrCopy(buf, sizeof buf, "12345678"));
    EXPECT_STREQ("1234567", buf);
    EXPECT_TRUE(StrCopy(buf, sizeof buf, "abc"));
    EXPECT_TRUE(StrAppend(buf, sizeof buf, "defg"));
    EXPECT_FALSE(StrAppend(buf, sizeof buf, "h"));
    EXPECT_STREQ("abcdefg", buf);
    EXPECT_FALSE(StrFormat(buf, sizeof buf, "%s-%d", "abcdef", 12));
    EXPECT_STREQ("abcdef-", buf);
    // A text of exactly the buffer's size: the system's formatter would leave it unterminated.
    EXPECT_TRUE(StrFormat(buf, sizeof buf, "%s", "1234567"));
    EXPECT_STREQ("1234567", buf);
    EXPECT_FALSE(StrFormat(buf, sizeof buf, "%s%d", "1234567", 8));
    EXPECT_STREQ("1234567", buf);
    EXPECT_FALSE(StrCopy(buf, 0, "x"));
}

TEST(Text, JoinPathAddsOneSeparator)
{
    struct Row {
        const char* folder;
        const char* name;
        const char* joined;
        bool slash;
    } rows[] = {
        { "C:\\Dest", "a.dll", "C:\\Dest\\a.dll", true },
        { "C:\\Dest\\", "a.dll", "C:\\Dest\\a.dll", true },
        { "C:\\Dest/", "a.dll", "C:\\Dest/a.dll", true },
        { "C:\\Dest/", "a.dll", "C:\\Dest/\\a.dll", false },
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.joined);
        char out[64];
        EXPECT_TRUE(r.slash ? JoinPath(out, sizeof out, r.folder, r.name)
                            : JoinPathBackslash(out, sizeof out, r.folder, r.name));
        EXPECT_STREQ(r.joined, out);
    }
    char small[10];
    EXPECT_FALSE(JoinPath(small, sizeof small, "C:\\Dest", "a.dll"));
}

TEST(Text, DropFolderSeparatorKeepsADriveRoot)
{
    struct Row {
        const char* folder;
        const char* dropped;
    } rows[] = {
        { "C:\\TEMP\\", "C:\\TEMP" },
        { "C:\\TEMP/", "C:\\TEMP" },
        { "C:\\TEMP", "C:\\TEMP" },
        { "C:\\", "C:\\" },
        { "d:/", "d:/" },
        { "\\", "" },
        { "", "" },
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.folder);
        char folder[16];
        ASSERT_TRUE(StrCopy(folder, sizeof folder, r.folder));
        DropFolderSeparator(folder);
        EXPECT_STREQ(r.dropped, folder);
    }
}
