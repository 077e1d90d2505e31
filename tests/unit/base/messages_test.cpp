// Messages by number, the formatter's inserts, and setup.log in the current folder.
#include <gtest/gtest.h>
#include <direct.h>
#include <stdio.h>
#include <string.h>
#include <string>
#include "base/base.h"
#include "support/machine.h"
#include "support/product_state.h"

TEST(Messages, LoadMessageLoadsCutsAndFallsBack)
{
    // A message loads whole, and a buffer too small for it takes its start.
    char whole[256], cut[10];
    ASSERT_EQ(1, LoadMessage(10029, whole, sizeof whole));
    EXPECT_GT(strlen(whole), sizeof cut - 1);
    EXPECT_EQ(1, LoadMessage(10029, cut, sizeof cut));
    EXPECT_EQ(std::string(whole, sizeof cut - 1), cut);

    // A missing message gives its number, cut likewise.
    struct Row {
        int size;
        const char* text;
    } rows[] = {
        { 20, "12345 DEBUG - Unabl" },
        { 256, "12345 DEBUG - Unable to load string" },
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.text);
        char buffer[256];
        memset(buffer, 'x', sizeof buffer);
        EXPECT_EQ(0, LoadMessage(12345, buffer, r.size));
        EXPECT_STREQ(r.text, buffer);
    }

    char untouched[8] = "keep";
    EXPECT_EQ(0, LoadMessage(10006, untouched, 0));
    EXPECT_STREQ("keep", untouched);
}

TEST(Messages, FormatTextFillsNumberedInserts)
{
    char out[KV_FORMAT_SIZE];
    EXPECT_GT(FormatText(out, "Creation of %1!s! failed. (%2!u!)", "C:\\X", (DWORD_PTR)5), 0);
    EXPECT_STREQ("Creation of C:\\X failed. (5)", out);

    char format[256];
    ASSERT_EQ(1, LoadMessage(10007, format, sizeof format));
    FormatText(out, format, "C:\\Temp\\", "kvpro32.dll", "C:\\Dest", "kvpro32.dll");
    EXPECT_STREQ("Copying C:\\Temp\\kvpro32.dll to C:\\Dest\\kvpro32.dll", out);

    // A text too long for the 1024-character buffer leaves the output as it was.
    std::string longText(1500, 'a');
    StrCopy(out, sizeof out, "before");
    EXPECT_EQ(0, FormatText(out, "%1!s!", longText.c_str()));
    EXPECT_STREQ("before", out);
}

class SetupLog : public testing::Test
{
protected:
    void SetUp() override
    {
        folder_ = kvtest::MakeScratchFolder("log");
        ASSERT_EQ(0, _chdir(folder_.c_str()));
    }
    void TearDown() override
    {
        saved_.Restore();
        kvtest::DeleteTree(folder_);
    }
    std::string LogPath() const
    {
        return folder_ + "\\setup.log";
    }

    std::string folder_;
    kvtest::SavedRunState saved_;
};

TEST_F(SetupLog, AppendsLinesAcrossRunsAndWritesNothingWhenOff)
{
    g_bLogging = 0;
    LogLine("not written");
    EXPECT_FALSE(kvtest::FileExists(LogPath()));

    // An earlier run's lines stay; each call adds one complete line after them.
    KV_WRITE_FILE(LogPath(), "g_bSilent=1\r\n");
    g_bLogging = 1;
    LogLine("first line");
    EXPECT_EQ("g_bSilent=1\r\nfirst line\r\n", kvtest::ReadFile(LogPath()));
    LogLine("second line");
    g_bLogging = 0;
    LogLine("dropped");
    EXPECT_EQ("g_bSilent=1\r\nfirst line\r\nsecond line\r\n", kvtest::ReadFile(LogPath()));
}
