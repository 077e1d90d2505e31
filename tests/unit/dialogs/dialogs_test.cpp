// The pages' pure rules: the interface page's answer from its boxes, the folder chooser's
// answer as a folder, and the Notepad command for the release notes.
#include <gtest/gtest.h>
#include <string>
#include "dialogs/dialogs.h"

TEST(InterfaceSelection, CompanionsCountOnlyWithTheUtilities)
{
    const unsigned C = CHOICE_CLASSIC, E = CHOICE_EXPLORER, U = CHOICE_UTILITIES, B = CHOICE_BROWSER,
                   Q = CHOICE_QUEUE;
    struct Row {
        unsigned checked;
        unsigned mask;
        int utilities;
    } rows[] = {
        { C | E | U | B | Q, C | E | U | B | Q, 1 },
        { C | B | Q, C, 0 }, // companions without the utilities are dropped
        { U, U, 1 },
        { E | U | Q, E | U | Q, 1 },
        { B, 0, 0 }, // nothing the page accepts: "Nothing Selected!"
        { Q, 0, 0 },
        { 0, 0, 0 },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.checked);
        int utilities = -1;
        EXPECT_EQ(row.mask, InterfaceSelection(row.checked, &utilities));
        EXPECT_EQ(row.utilities, utilities);
    }
}

TEST(BrowseResultFolder, CutsTheNameAndNamesTheProductOnce)
{
    struct Row {
        const char* chosen;
        const char* folder;
    } rows[] = {
        { "C:\\Apps\\a", "C:\\Apps\\KORVID" },
        { "C:\\a", "C:\\KORVID" }, // a drive root
        { "D:\\Tools\\Korvid Pro\\a", "D:\\Tools\\Korvid Pro" },
        { "D:\\my-korvid\\a", "D:\\my-korvid" },
        { "E:\\KORVIDX\\Sub\\a", "E:\\KORVIDX\\Sub" },
        { "E:\\KOR VID\\a", "E:\\KOR VID\\KORVID" },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.chosen);
        char path[KV_PATH_SIZE];
        ASSERT_TRUE(StrCopy(path, sizeof path, row.chosen));
        EXPECT_TRUE(BrowseResultFolder(path, sizeof path));
        EXPECT_STREQ(row.folder, path);
    }
    // A folder that leaves no room for "\KORVID" fails rather than answering a cut folder.
    std::string longFolder = "C:\\" + std::string(KV_PATH_SIZE - 8, 'x') + "\\a";
    char path[KV_PATH_SIZE];
    ASSERT_TRUE(StrCopy(path, sizeof path, longFolder.c_str()));
    EXPECT_FALSE(BrowseResultFolder(path, sizeof path));
}

TEST(FormatNotepadCommand, QuotesThePathAndRefusesWhatCannotBeQuoted)
{
    struct Row {
        const char* folder;
        bool ok;
        const char* command;
    } rows[] = {
        { "C:\\Users\\Jo Smith\\Temp", true, "notepad \"C:\\Users\\Jo Smith\\Temp\\KvNews.txt\"" },
        { "C:\\TEMP\\", true, "notepad \"C:\\TEMP\\KvNews.txt\"" },
        { "C:\\a\" & calc & \"", false, "" },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.folder);
        char command[KV_FORMAT_SIZE] = "";
        EXPECT_EQ(row.ok, FormatNotepadCommand(command, sizeof command, row.folder, "KvNews.txt"));
        if (row.ok) {
            EXPECT_STREQ(row.command, command);
        }
    }
    std::string longFolder = "C:\\" + std::string(KV_PATH_SIZE, 'x');
    char command[KV_FORMAT_SIZE];
    EXPECT_FALSE(FormatNotepadCommand(command, sizeof command, longFolder.c_str(), "KvNews.txt"));
}

// An interface page that cannot be shown (its template is missing from the module) counts
// as Cancel: no selection, and the utilities the options preselected are cleared too; a
// page that is not shown at all leaves the preselection as it stands.
TEST(RunInterfaceDialog, APageThatCannotBeShownCountsAsCancel)
{
    HINSTANCE noPages = GetModuleHandleA("kernel32.dll");
    ASSERT_TRUE(noPages != NULL);
    struct Row {
        unsigned preselected;
        int selection;
        int utilitiesAfter;
    } rows[] = {
        { CHOICE_CLASSIC | CHOICE_UTILITIES | CHOICE_BROWSER, 0, 0 },
        { CHOICE_CLASSIC, 0, 0 },
        { CHOICE_EXPLORER | CHOICE_UTILITIES, CHOICE_EXPLORER | CHOICE_UTILITIES, 1 },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.preselected);
        gbInstallBonusPack = 1;
        EXPECT_EQ(row.selection, RunInterfaceDialog(NULL, noPages, row.preselected, 0x1F));
        EXPECT_EQ(row.utilitiesAfter, gbInstallBonusPack);
    }
    gbInstallBonusPack = 0;
}
