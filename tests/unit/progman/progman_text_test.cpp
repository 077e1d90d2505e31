// The Program Manager command texts and the group-list handling, called directly.
#include <gtest/gtest.h>
#include <string.h>
#include <string>
#include <vector>
#include "progman/progman.h"

namespace
{

struct ItemRow {
    const char* what;
    const char* itemName;
    const char* folder;
    const char* fileName;
    const char* commandLine;
    const char* deleteCommand;
    const char* addCommand;
};

const char CURRENT[] = "C:\\work now";

// Resolves an item and builds its two commands in buffers of the client's size.
void BuildItem(const ItemRow& r, std::string* del, std::string* add)
{
    ProgmanItem item;
    ASSERT_TRUE(ResolveProgmanItem(&item, r.itemName, r.folder, r.fileName, r.commandLine, CURRENT));
    char text[PROGMAN_COMMAND_SIZE];
    ASSERT_TRUE(FormatDeleteItemCommand(text, sizeof text, item.itemName));
    *del = text;
    ASSERT_TRUE(FormatAddItemCommand(text, sizeof text, &item));
    *add = text;
}

} // namespace

TEST(ProgmanText, ItemCommands)
{
    const ItemRow rows[] = {
        { "folder without trailing backslash", "KORVID Pro Help", "C:\\KORVID Pro", "kvpro32.pdf", "",
          "[DeleteItem(\"KORVID Pro Help\")]",
          "[AddItem(\"C:\\KORVID Pro\\kvpro32.pdf\",\"KORVID Pro Help\",,,,,\"C:\\KORVID Pro\")]" },
        { "folder with trailing backslash", "KORVID Pro Help", "C:\\KORVID Pro\\", "kvpro32.pdf", "",
          "[DeleteItem(\"KORVID Pro Help\")]",
          "[AddItem(\"C:\\KORVID Pro\\kvpro32.pdf\",\"KORVID Pro Help\",,,,,\"C:\\KORVID Pro\\\")]" },
        { "folder with trailing slash", "Help", "C:/KORVID/", "kvpro32.pdf", nullptr,
          "[DeleteItem(\"Help\")]", "[AddItem(\"C:/KORVID/kvpro32.pdf\",\"Help\",,,,,\"C:/KORVID/\")]" },
        { "file name with a backslash", "Tool", "C:\\KORVID", "D:\\tools\\kvtool.exe", "",
          "[DeleteItem(\"Tool\")]", "[AddItem(\"D:\\tools\\kvtool.exe\",\"Tool\",,,,,\"C:\\KORVID\")]" },
        { "empty item name", "", "C:\\KORVID", "kvpro32.exe", "", "[DeleteItem(\"kvpro32.exe\")]",
          "[AddItem(\"C:\\KORVID\\kvpro32.exe\",\"kvpro32.exe\",,,,,\"C:\\KORVID\")]" },
        { "null item name", nullptr, "C:\\KORVID", "kvpro32.exe", nullptr, "[DeleteItem(\"kvpro32.exe\")]",
          "[AddItem(\"C:\\KORVID\\kvpro32.exe\",\"kvpro32.exe\",,,,,\"C:\\KORVID\")]" },
        { "empty folder", "Help", "", "kvpro32.pdf", "", "[DeleteItem(\"Help\")]",
          "[AddItem(\"C:\\work now\\kvpro32.pdf\",\"Help\",,,,,\"C:\\work now\")]" },
        { "null folder", "Help", nullptr, "kvpro32.pdf", "", "[DeleteItem(\"Help\")]",
          "[AddItem(\"C:\\work now\\kvpro32.pdf\",\"Help\",,,,,\"C:\\work now\")]" },
        { "given command line, no file", "KORVID Pro Explorer", "C:\\KORVID", "",
          "KORVID Pro Explorer.{5b1e0c72-3a94-4f6d-8e21-c7d09a3b4a01}",
          "[DeleteItem(\"KORVID Pro Explorer\")]",
          "[AddItem(\"KORVID Pro Explorer.{5b1e0c72-3a94-4f6d-8e21-c7d09a3b4a01}\","
          "\"KORVID Pro Explorer\",,,,,\"C:\\KORVID\")]" },
        { "brackets, parentheses and commas stay inside the quotes", "a (b), [c]", "C:\\x (86),y", "f.exe",
          "", "[DeleteItem(\"a (b), [c]\")]",
          "[AddItem(\"C:\\x (86),y\\f.exe\",\"a (b), [c]\",,,,,\"C:\\x (86),y\")]" },
    };
    for (const ItemRow& r : rows) {
        SCOPED_TRACE(r.what);
        std::string del, add;
        BuildItem(r, &del, &add);
        EXPECT_EQ(r.deleteCommand, del);
        EXPECT_EQ(r.addCommand, add);
    }
}

TEST(ProgmanText, GroupCommands)
{
    char text[PROGMAN_COMMAND_SIZE];
    ASSERT_TRUE(FormatCreateGroupCommand(text, sizeof text, "KORVID Pro"));
    EXPECT_STREQ("[CreateGroup(\"KORVID Pro\")]", text);
    ASSERT_TRUE(FormatDeleteGroupCommand(text, sizeof text, "korvid pro"));
    EXPECT_STREQ("[DeleteGroup(\"korvid pro\")]", text);
    ASSERT_TRUE(FormatCreateGroupCommand(text, sizeof text, "x)][DeleteGroup(Accessories)][("));
    EXPECT_STREQ("[CreateGroup(\"x)][DeleteGroup(Accessories)][(\")]", text);
    ASSERT_TRUE(FormatDeleteItemCommand(text, sizeof text, ""));
    EXPECT_STREQ("[DeleteItem(\"\")]", text);
}

// A double quote or a control character cannot stand inside the quotes: nothing is built.
TEST(ProgmanText, UnquotableFieldsAreRefused)
{
    const char* const refused[] = { "a \"b\" c", "x\")][DeleteGroup(\"Accessories", "tab\there", "line\r\n" };
    char text[PROGMAN_COMMAND_SIZE];
    for (const char* name : refused) {
        SCOPED_TRACE(name);
        EXPECT_FALSE(IsSafeProgmanText(name));
        EXPECT_FALSE(FormatCreateGroupCommand(text, sizeof text, name));
        EXPECT_STREQ("", text);
        EXPECT_FALSE(FormatDeleteGroupCommand(text, sizeof text, name));
        EXPECT_FALSE(FormatDeleteItemCommand(text, sizeof text, name));
        ProgmanItem item;
        ASSERT_TRUE(ResolveProgmanItem(&item, name, "C:\\KORVID", "f.exe", "", CURRENT));
        EXPECT_FALSE(FormatAddItemCommand(text, sizeof text, &item));
        ASSERT_TRUE(ResolveProgmanItem(&item, "Help", name, "f.exe", "", CURRENT));
        EXPECT_FALSE(FormatAddItemCommand(text, sizeof text, &item));
    }
    EXPECT_TRUE(IsSafeProgmanText("KORVID Pro (x86), [1]"));
    EXPECT_TRUE(IsSafeProgmanText(nullptr));
}

// A working folder or a default command line longer than a path fails; a long item name
// or command line does not, and the client's buffer size holds the whole command.
TEST(ProgmanText, LongFieldsFailOrFitWhole)
{
    std::string folder260 = "C:\\" + std::string(257, 'f');
    std::string folder261 = folder260 + "g";
    std::string folder250 = "C:\\" + std::string(247, 'f');
    ProgmanItem item;
    EXPECT_TRUE(ResolveProgmanItem(&item, "x", folder260.c_str(), "D:\\a.exe", "", CURRENT));
    EXPECT_FALSE(ResolveProgmanItem(&item, "x", folder261.c_str(), "a.exe", "", CURRENT));
    EXPECT_FALSE(ResolveProgmanItem(&item, "x", "", "a.exe", "", folder261.c_str()));
    EXPECT_FALSE(ResolveProgmanItem(&item, "x", folder250.c_str(), "kvpro32.exe", "", CURRENT));
    EXPECT_TRUE(ResolveProgmanItem(&item, "x", folder250.c_str(), "kvpro32.exe", "run me", CURRENT));

    std::string name(700, 'n');
    std::string commandLine(900, 'c');
    ASSERT_TRUE(ResolveProgmanItem(&item, name.c_str(), folder260.c_str(), "", commandLine.c_str(), CURRENT));
    std::string expected = "[AddItem(\"" + commandLine + "\",\"" + name + "\",,,,,\"" + folder260 + "\")]";

    char small[PROGMAN_COMMAND_SIZE];
    EXPECT_FALSE(FormatAddItemCommand(small, sizeof small, &item));
    size_t size = ProgmanCommandSize(name.size() + commandLine.size() + folder260.size());
    std::string buffer(size, '\0');
    ASSERT_TRUE(FormatAddItemCommand(&buffer[0], size, &item));
    EXPECT_EQ(expected, buffer.c_str());
    EXPECT_EQ((size_t)PROGMAN_COMMAND_SIZE, ProgmanCommandSize(0));
    EXPECT_EQ((size_t)PROGMAN_COMMAND_SIZE, ProgmanCommandSize(400));
}

// A batch is the items' AddItem commands one after another; an item whose command cannot be
// quoted or does not fit whole leaves the batch as it was, so that what is sent is whole.
TEST(ProgmanText, BatchHoldsWholeCommandsOnly)
{
    ProgmanItem help, tool, hostile;
    ASSERT_TRUE(ResolveProgmanItem(&help, "KORVID Pro Help", "C:\\KORVID Pro", "kvpro32.hlp", "", CURRENT));
    ASSERT_TRUE(ResolveProgmanItem(&tool, "", "C:\\KORVID Pro", "kvfind.exe", "", CURRENT));
    ASSERT_TRUE(ResolveProgmanItem(&hostile, "x\")][DeleteGroup(\"Accessories", "C:\\KORVID Pro", "a.exe", "",
                                   CURRENT));
    const std::string first =
        "[AddItem(\"C:\\KORVID Pro\\kvpro32.hlp\",\"KORVID Pro Help\",,,,,\"C:\\KORVID Pro\")]";
    const std::string both =
        first + "[AddItem(\"C:\\KORVID Pro\\kvfind.exe\",\"kvfind.exe\",,,,,\"C:\\KORVID Pro\")]";

    char batch[PROGMAN_BATCH_SIZE] = "";
    EXPECT_TRUE(AppendAddItemCommand(batch, sizeof batch, &help));
    EXPECT_FALSE(AppendAddItemCommand(batch, sizeof batch, &hostile));
    EXPECT_EQ(first, batch);
    EXPECT_TRUE(AppendAddItemCommand(batch, sizeof batch, &tool));
    EXPECT_EQ(both, batch);

    // Sizes around the exact fit of the second command: one short leaves the first alone.
    for (size_t size : { both.size() + 1, both.size() }) {
        SCOPED_TRACE(size);
        std::vector<char> small(size, 'z');
        small[0] = '\0';
        ASSERT_TRUE(AppendAddItemCommand(small.data(), size, &help));
        bool fits = size > both.size();
        EXPECT_EQ(fits, AppendAddItemCommand(small.data(), size, &tool));
        EXPECT_EQ(fits ? both : first, small.data());
    }
    char tiny[8] = "";
    EXPECT_FALSE(AppendAddItemCommand(tiny, sizeof tiny, &help));
    EXPECT_STREQ("", tiny);
}

TEST(ProgmanText, GroupListKeepsWholeNames)
{
    struct Row {
        const char* what;
        const char* data; // null: no reply
        size_t dataSize;  // bytes handed over, 0: the text and its NUL
        bool whole;
        const char* list;
    } rows[] = {
        { "fits", "Tools\r\nGames\r\n", 0, true, "Tools\r\nGames\r\n" },
        { "just fits", "ABCDEFGHIJ\r\nKLM", 0, true, "ABCDEFGHIJ\r\nKLM" },
        { "cut inside a name", "Accessories\r\nGames\r\n", 0, false, "Accessories" },
        { "cut right at a separator", "ABCDEFGHIJ\r\nKLM\r\n", 0, false, "ABCDEFGHIJ\r\nKLM" },
        { "a name one byte too long", "ABCDEFGHIJ\r\nKLMN\r\n", 0, false, "ABCDEFGHIJ" },
        { "one name longer than the list", "ABCDEFGHIJKLMNOPQRSTUVWXYZ\r\n", 0, false, "" },
        { "no reply", nullptr, 0, true, "" },
        { "reply without its NUL", "Games\r\nTools", 12, true, "Games\r\nTools" },
        { "bytes after the NUL are ignored", "Games\0garbage that is long", 27, true, "Games" },
    };
    // The list buffer is 16 bytes; the bytes after it must stay untouched.
    const size_t listSize = 16;
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        char buffer[64];
        memset(buffer, 'Z', sizeof buffer);
        size_t size = r.dataSize ? r.dataSize : (r.data ? strlen(r.data) + 1 : 0);
        EXPECT_EQ(r.whole, CopyGroupList(buffer, listSize, r.data, size));
        EXPECT_STREQ(r.list, buffer);
        for (size_t i = listSize; i < sizeof buffer; i++)
            ASSERT_EQ('Z', buffer[i]) << "byte " << i;
    }
    // "just fits" for a 16-byte list only when the NUL fits too; cut inside a name otherwise.
    char exact[15];
    EXPECT_FALSE(CopyGroupList(exact, sizeof exact, "ABCDEFGHIJ\r\nKLM", 16));
    EXPECT_STREQ("ABCDEFGHIJ", exact);
}

TEST(ProgmanText, GroupListSplitsAtRunsOfLineEnds)
{
    struct Row {
        const char* what;
        const char* list;
        std::vector<std::string> names;
    } rows[] = {
        { "names each followed by CR LF",
          "Accessories\r\nStartUp\r\nGames\r\n",
          { "Accessories", "StartUp", "Games" } },
        { "runs, lone CR and LF, no last separator", "\r\n\nA\n\r\r\nB C\rD", { "A", "B C", "D" } },
        { "empty list", "", {} },
        { "separators only", "\r\n\r\n", {} },
        { "name too long for the buffer passed over", "ok\r\nmuch-too-long\r\nend", { "ok", "end" } },
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        std::vector<std::string> got;
        const char* cursor = r.list;
        char name[12];
        while (NextGroupName(&cursor, name, sizeof name))
            got.push_back(name);
        EXPECT_EQ(r.names, got);
        EXPECT_FALSE(NextGroupName(&cursor, name, sizeof name));
    }
}

// The folder form of a group name: only the characters no folder name holds change, and a
// form that does not fit fails whole.
TEST(ProgmanText, GroupFolderForm)
{
    struct Row {
        const char* name;
        const char* form;
    } rows[] = {
        { "KORVID Pro", "KORVID Pro" },
        { "KV: Tools/1?", "KV_ Tools_1_" },
        { "a*b\\c<d>e|f", "a_b_c_d_e_f" },
        { "Caf\xE9 2.0 (x86)", "Caf\xE9 2.0 (x86)" },
        { "", "" },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        char form[32];
        ASSERT_TRUE(GroupFolderForm(form, sizeof form, row.name));
        EXPECT_STREQ(row.form, form);
    }
    char small[4];
    EXPECT_FALSE(GroupFolderForm(small, sizeof small, "a:bcd"));
}
