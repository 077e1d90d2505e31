// The bounded text helpers: they terminate, and report every cut text.
#include <gtest/gtest.h>
#include "base/base.h"
#include <stdio.h>
#include <string.h>

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

// StrFormat against the C library's formatter, for every conversion the program uses, and
// at the buffer's edges: empty, an exact fit, one character over.
#define EXPECT_FORMAT(size, expectFits, format, ...)                                                         \
    do {                                                                                                     \
        SCOPED_TRACE(format);                                                                                \
        char ours[64], theirs[64];                                                                           \
        memset(ours, 'x', sizeof ours);                                                                      \
        snprintf(theirs, size, format, __VA_ARGS__);                                                         \
        EXPECT_EQ(expectFits, StrFormat(ours, size, format, __VA_ARGS__));                                   \
        EXPECT_STREQ(theirs, ours);                                                                          \
    } while (0)

TEST(Text, FormatWritesWhatTheLibraryWrites)
{
    EXPECT_FORMAT(64, true, "%s%s|%s\\%s", "C:\\", "a", "", "b.dll");
    EXPECT_FORMAT(64, true, "nV=%d nM=%d %d", 0, 31, -2147483647 - 1);
    EXPECT_FORMAT(64, true, "%04u%02u%02u", 1999u, 7u, 31u);
    EXPECT_FORMAT(64, true, "%u %lu %u", 0u, 4294967295ul, 7u);
    EXPECT_FORMAT(64, true, "kvun%08lX", 0xABCDEFul);
    EXPECT_FORMAT(64, true, "kvun%08lX %X", 0xFEDCBA98ul, 0u);
    EXPECT_FORMAT(64, true, "%s.%u.del 100%%", "C:\\Dest\\kvpro32.dll", 12u);
    EXPECT_FORMAT(64, true, "[%5d|%05d|%3s|%c]", -42, -42, "a", 'z');
    // "12345" and a terminator: an exact fit, then one over, then a buffer of one.
    EXPECT_FORMAT(6, true, "%s%u", "123", 45u);
    EXPECT_FORMAT(6, false, "%s%u", "123", 456u);
    EXPECT_FORMAT(1, false, "%s", "1");
    EXPECT_FORMAT(1, true, "%s", "");

    char untouched[4] = "abc";
    EXPECT_FALSE(StrFormat(untouched, 0, "%s", ""));
    EXPECT_STREQ("abc", untouched);
}

// The string functions against the C library's; the case-blind compares fold only A to Z.
TEST(Text, StringFunctionsMatchTheLibrary)
{
    auto sign = [](int n) { return n < 0 ? -1 : n > 0 ? 1 : 0; };
    auto isAscii = [](const char* text) {
        for (; *text; text++) {
            if ((unsigned char)*text >= 0x80)
                return false;
        }
        return true;
    };
    const char* texts[] = { "", "a", "A", "ab", "aB", "abc", "b", "_", "Z", "z", "\xe9", "\xc9", "a\xff" };
    for (const char* a : texts) {
        for (const char* b : texts) {
            SCOPED_TRACE(std::string(a) + " | " + b);
            EXPECT_EQ(sign(strcmp(a, b)), sign(StrCompare(a, b)));
            // The program asks only whether two names are the same; the order matters
            // where both are plain ASCII.
            EXPECT_EQ(_stricmp(a, b) == 0, StrCompareNoCase(a, b) == 0);
            EXPECT_EQ(_strnicmp(a, b, 1) == 0, StrCompareNoCaseN(a, b, 1) == 0);
            if (isAscii(a) && isAscii(b)) {
                EXPECT_EQ(sign(_stricmp(a, b)), sign(StrCompareNoCase(a, b)));
            }
            EXPECT_EQ(strstr(a, b), StrFindText(a, b));
        }
        EXPECT_EQ(strlen(a), StrLength(a));
        EXPECT_EQ(strchr(a, 'a'), StrFindChar(a, 'a'));
        EXPECT_EQ(strchr(a, '\0'), StrFindChar(a, '\0'));
        EXPECT_EQ(strrchr(a, 'b'), StrFindLastChar(a, 'b'));
    }
    EXPECT_NE(0, StrCompareNoCase("\xe9", "\xc9"));
    EXPECT_STREQ("b\\c", StrFindText("a\\b\\c", "b\\"));
    EXPECT_STREQ("\\c", StrFindLastChar("a\\b\\c", '\\'));
    EXPECT_EQ(0u, StrLengthMax("", 4));
    EXPECT_EQ(3u, StrLengthMax("abc", 4));
    EXPECT_EQ(4u, StrLengthMax("abcd", 4));
    EXPECT_EQ(4u, StrLengthMax("abcde", 4));
}

TEST(Text, ReadDecimalStopsAfterTheDigitsAndSaturates)
{
    struct Row {
        const char* text;
        unsigned long value;
        size_t digits;
    } rows[] = {
        { "", 0, 0 },
        { "x1", 0, 0 },
        { "0", 0, 1 },
        { "123 -o", 123, 3 },
        { "4294967295", 4294967295ul, 10 },
        { "4294967296", 4294967295ul, 10 },
        { "99999999999999999999x", 4294967295ul, 20 },
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.text);
        const char* end = NULL;
        EXPECT_EQ(r.value, ReadDecimal(r.text, &end));
        EXPECT_EQ(r.text + r.digits, end);
    }
}

// The arguments WinMain gets, as the C library's start-up code leaves them.
TEST(Text, SkipProgramNameLeavesTheArguments)
{
    struct Row {
        const char* commandLine;
        const char* arguments;
    } rows[] = {
        { "", "" },
        { "kvsetup.exe", "" },
        { "kvsetup.exe /S", "/S" },
        { "kvsetup.exe \t  /S /LOG=\"a b\"", "/S /LOG=\"a b\"" },
        { "\"C:\\My Files\\kvsetup.exe\" /S", "/S" },
        { "\"C:\\My Files\\kvsetup.exe\"/S x", "x" },
        { "C:\\My\" \"Files\\kvsetup.exe -f", "-f" },
        { "\"C:\\unended quote", "" },
        { "  /S", "/S" },
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.commandLine);
        EXPECT_STREQ(r.arguments, SkipProgramName(r.commandLine));
    }
}
