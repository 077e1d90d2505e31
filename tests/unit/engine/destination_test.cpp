// The one destination check, the quoted program command lines, and creating a folder path.
#include <gtest/gtest.h>
#include <string.h>
#include <string>
#include "engine/engine.h"
#include "support/files.h"
#include "support/machine.h"
#include "support/product_state.h"

TEST(Destination, ClassifyRefusesRootsSystemAndWorkFolders)
{
    const char* work = "C:\\users\\me\\Temp\\";
    const char* windows = "C:\\windows";
    const char* system = "C:\\windows\\system32";
    // The longest folder whose product files' paths still fit: 246 characters.
    const std::string longest = "C:\\" + std::string(243, 'k');
    const std::string longestWithBackslash = longest + "\\";
    const std::string tooLong = longest + "k";
    struct Row {
        const char* path;
        int reason;
    } rows[] = {
        { "C:\\Program Files\\KORVID Pro", DEST_ACCEPTED },
        { "D:\\Apps (x86),1\\KORVID", DEST_ACCEPTED },
        { "\\\\server\\share\\KORVID", DEST_ACCEPTED },
        { "C:\\windowsfolder", DEST_ACCEPTED }, // a name that only starts like it
        { "C:\\users\\me\\Tempest", DEST_ACCEPTED },
        { "C:\\", DEST_ROOT },
        { "C:", DEST_RELATIVE },
        { "\\\\server\\share", DEST_ROOT },
        { "\\\\server\\share\\", DEST_ROOT },
        { "\\\\?\\C:\\KORVID", DEST_ROOT },
        { "KORVID", DEST_RELATIVE },
        { "C:KORVID", DEST_RELATIVE },
        { "\\:\\KORVID", DEST_RELATIVE }, // a drive is a letter
        { "1:\\KORVID", DEST_RELATIVE },
        { "\\KORVID", DEST_RELATIVE },
        { "C:\\Program Files\\..\\windows", DEST_RELATIVE },
        { "C:\\a\\.\\b", DEST_RELATIVE },
        { "C:\\WINDOWS", DEST_SYSTEM_FOLDER },
        { "c:\\windows\\", DEST_SYSTEM_FOLDER },
        { "C:\\windows\\KORVID", DEST_SYSTEM_FOLDER },
        { "C:\\Windows\\System32\\KORVID", DEST_SYSTEM_FOLDER },
        { "C:\\users\\me\\Temp", DEST_WORK_FOLDER },
        { "C:\\users\\me\\temp\\KORVID", DEST_WORK_FOLDER },
        { "C:\\users", DEST_WORK_FOLDER }, // holds the work folder
        { longest.c_str(), DEST_ACCEPTED },
        { longestWithBackslash.c_str(), DEST_ACCEPTED },
        { tooLong.c_str(), DEST_FILES_TOO_LONG },
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.path);
        EXPECT_EQ(r.reason, ClassifyDestination(r.path, work, windows, system));
    }
    EXPECT_STRNE("", DestinationRefusalText(DEST_ROOT));
    EXPECT_STRNE("", DestinationRefusalText(DEST_FILES_TOO_LONG));

    // The length the check allows for must hold every name placed in the folder.
    for (const std::string& name : kvtest::InstalledNames())
        EXPECT_GE((size_t)KV_LONGEST_FILE_NAME, name.size()) << name;
    EXPECT_GE((size_t)KV_LONGEST_FILE_NAME, strlen(KV_SCRATCH_NAME));
    EXPECT_GE((size_t)KV_LONGEST_FILE_NAME, strlen(KV_BACKUP_NAME));
    EXPECT_GE((size_t)KV_LONGEST_FILE_NAME, strlen("original.ini"));
}

// A folder an earlier installation recorded may lie inside the Windows, system or work
// folder (so that it can be updated and removed); a new choice may not. Neither may be one
// of them, hold one, or be a root.
TEST(Destination, RecordedFolderMayLieInsideTheWindowsFolder)
{
    const char* work = "C:\\users\\me\\Temp\\";
    const char* windows = "C:\\WINDOWS";
    const char* system = "C:\\WINDOWS\\SYSTEM";
    struct Row {
        const char* path;
        int chosen;   // a new choice
        int recorded; // the recorded folder
    } rows[] = {
        { "C:\\WINDOWS\\KORVID", DEST_SYSTEM_FOLDER, DEST_ACCEPTED },
        { "c:\\windows\\system\\KORVID\\", DEST_SYSTEM_FOLDER, DEST_ACCEPTED },
        { "C:\\users\\me\\Temp\\KORVID", DEST_WORK_FOLDER, DEST_ACCEPTED },
        { "C:\\WINDOWS", DEST_SYSTEM_FOLDER, DEST_SYSTEM_FOLDER },
        { "C:\\windows\\system", DEST_SYSTEM_FOLDER, DEST_SYSTEM_FOLDER },
        { "C:\\users\\me\\Temp", DEST_WORK_FOLDER, DEST_WORK_FOLDER },
        { "C:\\users", DEST_WORK_FOLDER, DEST_WORK_FOLDER },
        { "C:\\", DEST_ROOT, DEST_ROOT },
        { "C:\\WINDOWS\\..\\KORVID", DEST_RELATIVE, DEST_RELATIVE },
        { "C:\\Program Files\\KORVID Pro", DEST_ACCEPTED, DEST_ACCEPTED },
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.path);
        EXPECT_EQ(r.chosen, ClassifyDestination(r.path, work, windows, system));
        EXPECT_EQ(r.recorded, ClassifyRecordedFolder(r.path, work, windows, system));
    }
}

// Through the platform: made absolute, ".." resolved, trailing backslashes gone.
TEST(Destination, CheckMakesTheFolderAbsoluteFirst)
{
    char windows[MAX_PATH], full[KV_PATH_SIZE];
    GetWindowsDirectoryA(windows, MAX_PATH);
    std::string work = kvtest::MakeScratchFolder("destcheck") + "\\";
    std::string beside = work.substr(0, work.size() - 1) + "-beside";
    std::string intoWindows = beside + "\\..\\..\\..\\..\\..\\..\\..\\" + std::string(windows + 3);
    struct Row {
        std::string folder;
        int reason;
        std::string full;
    } rows[] = {
        { beside + "\\", DEST_ACCEPTED, beside },
        { beside + "\\x\\..\\KORVID", DEST_ACCEPTED, beside + "\\KORVID" },
        { intoWindows, DEST_SYSTEM_FOLDER, "" },
        { "KORVID", DEST_RELATIVE, "" },
        { work + "sub", DEST_WORK_FOLDER, "" },
        { std::string(windows, 3), DEST_ROOT, "" },
        { "C:\\" + std::string(300, 'k'), DEST_TOO_LONG, "" },
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.folder);
        EXPECT_EQ(r.reason, CheckDestination(r.folder.c_str(), work.c_str(), full, sizeof full));
        if (!r.full.empty()) {
            EXPECT_STREQ(r.full.c_str(), full);
        }
    }
    kvtest::DeleteTree(work);
}

// A chosen folder (the folder page, DIR32, /DIR=) inside the Windows folder is taken only
// when it is the folder win.ini records for an earlier installation, in any case and with
// or without its trailing backslash; the Windows folder itself never.
TEST(Destination, ChosenFolderInsideWindowsOnlyWhenRecorded)
{
    char windows[MAX_PATH], full[KV_PATH_SIZE], saved[512] = "";
    GetWindowsDirectoryA(windows, MAX_PATH);
    DWORD had = GetProfileStringA("KORVID", "DIR", "", saved, sizeof saved);
    const std::string earlier = std::string(windows) + "\\KV Chosen Earlier";
    struct Row {
        const char* recorded; // win.ini's DIR, NULL for none
        std::string chosen;
        int reason;
    } rows[] = {
        { NULL, earlier, DEST_SYSTEM_FOLDER },
        { earlier.c_str(), earlier, DEST_ACCEPTED },
        { earlier.c_str(), kvtest::Lower(earlier) + "\\", DEST_ACCEPTED },
        { earlier.c_str(), earlier + "\\Sub", DEST_SYSTEM_FOLDER },
        { windows, windows, DEST_SYSTEM_FOLDER },
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.chosen);
        WriteProfileStringA("KORVID", "DIR", r.recorded);
        EXPECT_EQ(r.reason, CheckChosenDestination(r.chosen.c_str(), "C:\\nowhere\\", full, sizeof full));
        if (r.reason == DEST_ACCEPTED) {
            EXPECT_STRCASEEQ(earlier.c_str(), full);
        }
    }
    WriteProfileStringA("KORVID", "DIR", had ? saved : NULL);
}

TEST(Destination, ProgramPathsAreQuotedOrRefused)
{
    struct Row {
        const char* program;
        const char* arguments;
        bool built;
        const char* command;
    } rows[] = {
        { "C:\\Program Files\\KORVID Pro\\kvsched.exe", "-install", true,
          "\"C:\\Program Files\\KORVID Pro\\kvsched.exe\" -install" },
        { "C:\\KORVID\\kvsched.exe", "", true, "\"C:\\KORVID\\kvsched.exe\"" },
        { "C:\\KORVID\\kvsched.exe", nullptr, true, "\"C:\\KORVID\\kvsched.exe\"" },
        { "C:\\a\" & calc.exe & \"\\kvsched.exe", "-remove", false, "" },
        { "C:\\tab\there\\kvsched.exe", "-remove", false, "" },
        { "", "-remove", false, "" },
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.program);
        char command[KV_PATH_SIZE + 32];
        EXPECT_EQ(r.built, FormatProgramCommand(command, sizeof command, r.program, r.arguments));
        EXPECT_STREQ(r.command, command);
    }
    char small[16];
    EXPECT_FALSE(FormatFolderProgramCommand(small, sizeof small, "C:\\KORVID", "kvsched.exe", "-install"));
    // A program path longer than a path may be leaves no stale text behind.
    std::string deep = "C:\\" + std::string(255, 'd');
    char big[1024] = "stale";
    EXPECT_FALSE(FormatFolderProgramCommand(big, sizeof big, deep.c_str(), "kvsched.exe", "-install"));
    EXPECT_STREQ("", big);
}

// A folder path with missing parents is made; an existing folder, also with a trailing
// backslash, counts as made; a file of that name does not.
TEST(Destination, CreateFolderPathSucceedsOnlyForAFolder)
{
    kvtest::SavedRunState saved;
    g_bSilent = 1;
    g_bLogging = 0;
    std::string root = kvtest::MakeScratchFolder("mkpath");
    std::string file = root + "\\plain.txt";
    CloseHandle(CreateFileA(file.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL));
    struct Row {
        std::string path;
        int made;
    } rows[] = {
        { root + "\\a\\b\\c", 1 },
        { root + "\\a\\b\\c", 1 },
        { root + "\\a\\b\\", 1 },
        { root + "\\d\\e\\", 1 },
        { file, 0 },
        { file + "\\x", 0 },
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.path);
        char path[KV_PATH_SIZE];
        ASSERT_TRUE(StrCopy(path, sizeof path, r.path.c_str()));
        EXPECT_EQ(r.made, CreateFolderPath(path) ? 1 : 0);
        EXPECT_EQ(r.path, path); // the caller's text comes back as it was
        DWORD attributes = GetFileAttributesA(path);
        if (r.made) {
            EXPECT_TRUE(attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY));
        }
    }
    kvtest::DeleteTree(root);
}

// The uninstall entry: values unquoted after their switches, refused when one holds a switch.
TEST(Destination, UninstallCommandRefusesValuesThatHoldASwitch)
{
    struct Row {
        const char* folder;
        const char* group;
        const char* command; // "" when refused
    } rows[] = {
        { "C:\\Program Files\\KORVID Pro", "KORVID Pro",
          "\"C:\\Program Files\\KORVID Pro\\unkv32.exe\" -f C:\\Program Files\\KORVID Pro -d C:\\Program "
          "Files\\KORVID Pro -g KORVID Pro" },
        { "C:\\a-f", "x -fast", "\"C:\\a-f\\unkv32.exe\" -f C:\\a-f -d C:\\a-f -g x -fast" },
        { "C:\\KORVID", "x -d C:\\windows", "" },
        { "C:\\KORVID /g y", "KORVID Pro", "" },
        { "C:\\KORVID", "x -G", "" },
        { "C:\\Tools -s KORVID", "KORVID Pro", "" }, // the uninstaller's silent switch
        { "C:\\KORVID", "say \"hi\"", "" },
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.group);
        char command[1024];
        EXPECT_EQ(r.command[0] != '\0', FormatUninstallCommand(command, sizeof command, r.folder, r.group));
        EXPECT_STREQ(r.command, command);
    }
}
