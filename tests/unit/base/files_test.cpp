// The text files of the program without a C library: lines written with CR LF, and read
// back line by line as a text-mode file of a C program is read.
#include <gtest/gtest.h>
#include "base/base.h"
#include "support/product_state.h"

class TextFiles : public testing::Test
{
protected:
    void SetUp() override
    {
        folder_ = kvtest::MakeScratchFolder("textfiles");
        path_ = folder_ + "\\file.txt";
    }
    void TearDown() override
    {
        kvtest::DeleteTree(folder_);
    }
    // Every line ReadTextLine returns with a buffer of size characters, joined by "|".
    std::string ReadLines(const std::string& bytes, size_t size)
    {
        KV_WRITE_FILE(path_, bytes);
        TextReader reader;
        EXPECT_TRUE(OpenTextReader(&reader, path_.c_str()));
        std::string lines;
        char line[1024];
        int read;
        while ((read = ReadTextLine(&reader, line, size)) > 0)
            lines += std::string(line) + "|";
        EXPECT_EQ(0, read);
        CloseTextReader(&reader);
        return lines;
    }

    std::string folder_, path_;
};

TEST_F(TextFiles, AppendWritesCrLfAndKeepsWhatWasThere)
{
    EXPECT_TRUE(AppendTextLine(path_.c_str(), ""));
    EXPECT_TRUE(AppendTextLine(path_.c_str(), "one\ntwo"));
    EXPECT_EQ("\r\none\r\ntwo\r\n", kvtest::ReadFile(path_));
    EXPECT_FALSE(AppendTextLine((folder_ + "\\missing\\x.log").c_str(), "x"));

    HANDLE file = CreateForWriting(path_.c_str());
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    EXPECT_TRUE(WriteText(file, "[a]\nb=1\n", false));
    CloseHandle(file);
    EXPECT_EQ("[a]\r\nb=1\r\n", kvtest::ReadFile(path_));
}

TEST_F(TextFiles, ReadsLinesAsATextModeFile)
{
    struct Row {
        const char* name;
        std::string bytes;
        size_t size;
        std::string lines;
    } rows[] = {
        { "empty", "", 8, "" },
        { "crlf", "[a]\r\nb=1\r\n", 8, "[a]\n|b=1\n|" },
        { "last line without its end", "a\r\nb", 8, "a\n|b|" },
        { "lone cr kept", "a\rb\r\r\n", 8, "a\rb\r\n|" },
        { "ctrl-z ends the text",
          "a\r\n\x1a"
          "b\r\n",
          8, "a\n|" },
        { "exact fit", "1234567\r\n", 9, "1234567\n|" },
        { "one over", "12345678\r\n", 9, "12345678|\n|" },
        { "cr lf across the read buffer", std::string(511, 'x') + "\r\ny", 1024,
          std::string(511, 'x') + "\n|y|" },
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        EXPECT_EQ(r.lines, ReadLines(r.bytes, r.size));
    }

    TextReader reader;
    EXPECT_FALSE(OpenTextReader(&reader, (folder_ + "\\missing.txt").c_str()));
    CloseTextReader(&reader);
}

TEST_F(TextFiles, CurrentFolderAndEnvironmentReportWhatDoesNotFit)
{
    char buffer[8];
    SetEnvironmentVariableA("KV_TEST_VALUE", "1234567");
    EXPECT_STREQ("1234567", ReadEnvironment("KV_TEST_VALUE", buffer, sizeof buffer));
    SetEnvironmentVariableA("KV_TEST_VALUE", "12345678");
    EXPECT_EQ(NULL, ReadEnvironment("KV_TEST_VALUE", buffer, sizeof buffer));
    SetEnvironmentVariableA("KV_TEST_VALUE", NULL);
    EXPECT_EQ(NULL, ReadEnvironment("KV_TEST_VALUE", buffer, sizeof buffer));

    char folder[KV_PATH_SIZE];
    EXPECT_TRUE(GetCurrentFolder(folder, sizeof folder));
    EXPECT_FALSE(GetCurrentFolder(buffer, 2));
    EXPECT_TRUE(PathExists(folder));
    EXPECT_FALSE(PathExists((folder_ + "\\missing").c_str()));
}
