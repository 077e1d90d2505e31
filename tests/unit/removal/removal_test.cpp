// The removal run in this process after a silent install into a scratch folder, its
// message boxes answered from a second thread: what it leaves (nothing of the product but
// what the user keeps), the INI question, files in use and the restart, the other group's
// items, and the recorded folders it refuses to touch.
#include <gtest/gtest.h>
#include <algorithm>
#include "removal/removal.h"
#include "engine/engine.h"
#include "progman/progman.h"
#include "dialogs/dialogs.h"
#include "support/product_state.h"
#include "support/machine.h"

using namespace kvtest;

namespace
{

const char kUserGroup[] = "KV Removal Tools";
const char kHelperList[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Browser Helper Objects";

std::string Message(UINT id)
{
    char text[2048];
    LoadMessage(id, text, sizeof text);
    return text;
}

std::string Namespace(const char* place, const char* clsid)
{
    return std::string("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\") + place + "\\Namespace\\"
        + clsid;
}

// Deletes parent\name and everything below it through relative handles, whatever the
// length of the full path.
void DeleteKeyChain(HKEY parent, const char* name)
{
    HKEY key;
    if (RegOpenKeyExA(parent, name, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS)
        return;
    char child[256];
    while (RegEnumKeyA(key, 0, child, sizeof child) == ERROR_SUCCESS)
        DeleteKeyChain(key, child);
    RegCloseKey(key);
    RegDeleteKeyA(parent, name);
}

class Removal : public CleanMachine
{
protected:
    SavedRunState saved;
    std::string work, dest;

    void SetUp() override
    {
        CleanMachine::SetUp();
        DeleteTree(GroupFolder(kUserGroup));
        work = MakeScratchFolder("rmwork") + "\\";
        // Outside the temporary folder, which the removal refuses to touch.
        dest = "C:\\kv removal " + std::to_string(GetCurrentProcessId());
        DeleteTree(dest);
        ASSERT_TRUE(CreateDirectoryA(dest.c_str(), NULL));
        ASSERT_TRUE(PrepareSilentInstall(work));
    }

    void TearDown() override
    {
        CleanMachine::TearDown();
        DeleteTree(GroupFolder(kUserGroup));
        DeleteTree(dest);
        DeleteTree(work.substr(0, work.size() - 1));
    }

    // A silent install of everything, recorded in win.ini as the wizard records it.
    void InstallEverything()
    {
        char errorText[KV_TEXT_SIZE];
        unsigned int outcome = 0;
        ASSERT_EQ(1,
                  InstallProduct(work.c_str(), dest.c_str(), 0x1F | MASK_NO_QUESTIONS, &outcome, NULL, NULL,
                                 errorText))
            << errorText;
        WriteProfileStringA("KORVID", "INSTOPTS", "12");
        g_bRestartNeeded = 0;
        CloseExplorerWindows();
    }

    // RemoveProduct interactively, every box answered by answer; returns the boxes as
    // "caption|text".
    std::vector<std::string> Remove(std::function<int(const std::string&)> answer)
    {
        g_bSilent = 0;
        std::vector<std::string> boxes;
        {
            BoxDriver driver(NULL, answer);
            EXPECT_EQ(0, RemoveProduct(NULL));
            std::vector<std::string> texts = driver.Texts(), captions = driver.Captions();
            for (size_t i = 0; i < texts.size(); i++)
                boxes.push_back(captions[i] + "|" + texts[i]);
        }
        g_bSilent = 1;
        return boxes;
    }

    static int AnswerIni(const std::string& text, int iniAnswer)
    {
        return text == Message(10052) ? iniAnswer : IDOK;
    }
};

} // namespace

TEST(RemovalNames, DeferredNamesAndInsertedTexts)
{
    struct Row {
        const char* path;
        unsigned int number;
        const char* expected;
    } rows[] = {
        // Files of one stem keep names of their own.
        { "C:\\KORVID\\kvpro32.dll", 0, "C:\\KORVID\\kvpro32.dll.del" },
        { "C:\\KORVID\\kvpro32.hlp", 0, "C:\\KORVID\\kvpro32.hlp.del" },
        { "C:\\KORVID\\kv95pro.bak", 0, "C:\\KORVID\\kv95pro.bak.del" },
        { "C:\\KORVID\\kv95pro.exe", 2, "C:\\KORVID\\kv95pro.exe.2.del" },
        { "C:\\KORVID\\KORVID.ini.bak", 0, "C:\\KORVID\\KORVID.ini.bak.del" },
        { "C:\\KORVID.OLD\\readme", 0, "C:\\KORVID.OLD\\readme.del" },
        { "C:\\KORVID\\.hidden", 17, "C:\\KORVID\\.hidden.17.del" },
        { "C:/KORVID.OLD/readme", 0, "C:/KORVID.OLD/readme.del" },
    };
    for (const Row& row : rows) {
        char out[KV_PATH_SIZE];
        EXPECT_TRUE(DeferredDeleteName(out, sizeof out, row.path, row.number));
        EXPECT_STREQ(row.expected, out);
    }
    // A ".del" name longer than a path may be is refused, not cut.
    std::string longPath = "C:\\" + std::string(254, 'k') + ".d";
    char out[KV_PATH_SIZE] = "x";
    EXPECT_FALSE(DeferredDeleteName(out, sizeof out, longPath.c_str(), 0));
    EXPECT_STREQ("", out);
    longPath = "C:\\" + std::string(250, 'k') + ".d";
    EXPECT_TRUE(DeferredDeleteName(out, sizeof out, longPath.c_str(), 0));
    EXPECT_FALSE(DeferredDeleteName(out, sizeof out, longPath.c_str(), 10));

    char text[64];
    EXPECT_TRUE(InsertText(text, sizeof text, "Deleting icon %s", "KORVID Pro"));
    EXPECT_STREQ("Deleting icon KORVID Pro", text);
    EXPECT_TRUE(InsertText(text, sizeof text, "Check %s for %d files", "C:\\X"));
    EXPECT_STREQ("Check C:\\X for %d files", text);
    EXPECT_FALSE(InsertText(text, sizeof text, "Deleting icon %s", std::string(60, 'i').c_str()));
    EXPECT_STREQ("", text);
}

// The tree goes whole; a subtree whose path is too long to walk stays, and the walk still ends.
TEST(RemovalRegistry, TreeDeleteEndsAlsoWhenASubkeyStays)
{
    const char root[] = "Software\\KV Removal Test";
    DeleteKeyChain(HKEY_CURRENT_USER, root);
    // A chain whose full path is longer than the walk's 1024 characters, made level by level.
    HKEY level;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyA(HKEY_CURRENT_USER, (std::string(root) + "\\a").c_str(), &level));
    for (int i = 0; i < 5; i++) {
        HKEY next;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyA(level, std::string(250, (char)('b' + i)).c_str(), &next));
        RegCloseKey(level);
        level = next;
    }
    RegCloseKey(level);
    for (const std::string& key : { std::string(root) + "\\c\\d", std::string(root) + "\\e" }) {
        HKEY h;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyA(HKEY_CURRENT_USER, key.c_str(), &h));
        RegSetValueExA(h, "v", 0, REG_SZ, (const BYTE*)"x", 2);
        RegCloseKey(h);
    }
    EXPECT_EQ(0, DeleteRegistryTree(root, HKEY_CURRENT_USER));
    EXPECT_TRUE(RegKeyExists(HKEY_CURRENT_USER, (std::string(root) + "\\a").c_str()));
    EXPECT_FALSE(RegKeyExists(HKEY_CURRENT_USER, (std::string(root) + "\\c").c_str()));
    EXPECT_FALSE(RegKeyExists(HKEY_CURRENT_USER, (std::string(root) + "\\e").c_str()));
    DeleteKeyChain(HKEY_CURRENT_USER, root);

    HKEY h;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyA(HKEY_CURRENT_USER, (std::string(root) + "\\x\\y").c_str(), &h));
    RegCloseKey(h);
    EXPECT_EQ(1, DeleteRegistryTree(root, HKEY_CURRENT_USER));
    EXPECT_FALSE(RegKeyExists(HKEY_CURRENT_USER, root));
    EXPECT_EQ(0, DeleteRegistryTree(root, HKEY_CURRENT_USER));
}

// Install, then remove with Yes to the INI question: nothing of the product is left, and a
// second removal finds nothing to remove.
TEST_F(Removal, InstallThenRemoveLeavesNothing)
{
    // A machine without the browser's helper list: the install makes it, the removal takes it.
    DeleteKeyIfEmpty(HKEY_LOCAL_MACHINE, kHelperList);
    ASSERT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, kHelperList));
    InstallEverything();
    // What the install and the product's entry points made, each checked before and after.
    const std::vector<std::pair<HKEY, std::string>> keys = {
        { HKEY_LOCAL_MACHINE, kUninstallEntryKey },
        { HKEY_LOCAL_MACHINE, Namespace("Desktop", kExplorerNamespaceClsid) },
        { HKEY_LOCAL_MACHINE, Namespace("Desktop", kClassicNamespaceClsid) },
        { HKEY_CLASSES_ROOT, "CLSID\\{5B1E0C72-3A94-4F6D-8E21-C7D09A3B4A10}" },
        { HKEY_CLASSES_ROOT, "CLSID\\{5B1E0C72-3A94-4F6D-8E21-C7D09A3B4A01}" },
        { HKEY_CLASSES_ROOT, "CLSID\\{5B1E0C72-3A94-4F6D-8E21-C7D09A3B4A0A}" },
        { HKEY_CLASSES_ROOT, "CLSID\\{5B1E0C72-3A94-4F6D-8E21-C7D09A3B4A20}" },
        { HKEY_LOCAL_MACHINE,
          "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Browser Helper "
          "Objects\\{5B1E0C72-3A94-4F6D-8E21-C7D09A3B4A20}" },
        { HKEY_LOCAL_MACHINE, kHelperList },
        { HKEY_LOCAL_MACHINE, "SOFTWARE\\Oxtavine\\KORVID\\SSL" },
        { HKEY_LOCAL_MACHINE, "SOFTWARE\\Oxtavine\\KORVID\\Scheduler" },
        { HKEY_LOCAL_MACHINE, "SOFTWARE\\Oxtavine\\KORVID\\Browser Plugin" },
    };
    const char runKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
    for (const auto& key : keys)
        ASSERT_TRUE(RegKeyExists(key.first, key.second.c_str())) << key.second;
    ASSERT_NE("<missing>", RegString(HKEY_LOCAL_MACHINE, runKey, "KORVID Queue Scheduler"));
    ASSERT_FALSE(GroupItems("KORVID Pro").empty());
    ASSERT_TRUE(FileExists(dest + "\\KORVID.ini"));
    KV_WRITE_FILE(dest + "\\kvpro32.gid", "KORVID");
    KV_WRITE_FILE(dest + "\\Setup.LOG", "KORVID");

    std::vector<std::string> boxes = Remove([](const std::string& text) { return AnswerIni(text, IDYES); });
    std::vector<std::string> expected = { "KORVID Pro Installation|" + Message(10052), "|" + Message(10014) };
    EXPECT_EQ(expected, boxes);

    EXPECT_FALSE(FileExists(dest)) << ListFiles(dest).size() << " files left";
    for (const auto& key : keys)
        EXPECT_FALSE(RegKeyExists(key.first, key.second.c_str())) << key.second;
    EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, "SOFTWARE\\Oxtavine"));
    EXPECT_EQ("<missing>", RegString(HKEY_LOCAL_MACHINE, runKey, "KORVID Queue Scheduler"));
    for (const char* name : { "DIR", "GROUP", "INSTOPTS", "DEFDIR" })
        EXPECT_EQ("<missing>", WinIni(name)) << name;
    EXPECT_FALSE(FileExists(GroupFolder("KORVID Pro")));
    EXPECT_EQ(0, g_bRestartNeeded);
    EXPECT_TRUE(KeyValues(kRunOnce).empty() || !KeyValues(kRunOnce).count("Oxtavine0"));

    // Removing twice: the installation is no longer recorded.
    boxes = Remove([](const std::string&) { return IDOK; });
    EXPECT_EQ(std::vector<std::string> { "Remove|" + Message(10017) }, boxes);
}

// No to the INI question: the INI files stay and the message names the folder. A group of
// the user's naming keeps the user's own item and loses the product's.
TEST_F(Removal, KeptIniFilesAndTheUsersGroup)
{
    WriteProfileStringA("KORVID", "GROUP", kUserGroup);
    InstallEverything();
    ASSERT_TRUE(FileExists(GroupFolder(kUserGroup) + "\\KORVID Pro.lnk"));
    KV_WRITE_FILE(GroupFolder(kUserGroup) + "\\My Notes.lnk", "KORVID");
    KV_WRITE_FILE(dest + "\\notes", "KORVID");

    std::vector<std::string> boxes = Remove([](const std::string& text) { return AnswerIni(text, IDNO); });
    char expectedText[KV_FORMAT_SIZE];
    ASSERT_TRUE(InsertText(expectedText, sizeof expectedText, Message(10016).c_str(), dest.c_str()));
    std::vector<std::string> expected = { "KORVID Pro Installation|" + Message(10052),
                                          std::string("|") + expectedText };
    EXPECT_EQ(expected, boxes);

    std::vector<std::string> left = ListFiles(dest);
    std::sort(left.begin(), left.end());
    std::vector<std::string> kept = { "KORVID.ini",  "arsites.ini", "avsites.ini", "gmsites.ini",
                                      "gvsites.ini", "hwsites.ini", "notes",       "olsites.ini",
                                      "oxsites.ini", "swsites.ini" };
    EXPECT_EQ(kept, left);
    EXPECT_EQ(std::vector<std::string> { "My Notes" }, GroupItems(kUserGroup));
    EXPECT_EQ("<missing>", WinIni("DIR"));

    // The product's group is gone and another group is the shell's current one: nothing is
    // deleted from that group, and the missing group is not made again.
    KV_WRITE_FILE(GroupFolder(kUserGroup) + "\\KORVID Pro.lnk", "KORVID");
    ASSERT_EQ(1, ProgmanCreateGroup(kUserGroup));
    ProgmanClose();
    WriteProfileStringA("KORVID", "DIR", dest.c_str());
    WriteProfileStringA("KORVID", "INSTOPTS", "12");
    WriteProfileStringA("KORVID", "GROUP", "KV Removal Missing");
    Remove([](const std::string& text) { return AnswerIni(text, IDNO); });
    std::vector<std::string> items = GroupItems(kUserGroup);
    std::sort(items.begin(), items.end());
    EXPECT_EQ((std::vector<std::string> { "KORVID Pro", "My Notes" }), items);
    EXPECT_FALSE(FileExists(GroupFolder("KV Removal Missing")));
}

// A product file in use: renamed to "<name>.del", its deletion and the folder's removal stored for
// the next start with the platform's shell, the restart offered (and declined); the restart
// then deletes the file.
TEST_F(Removal, FileInUseWaitsForTheRestart)
{
    struct Row {
        int winNT;
        const char* key;
        const char* shell;
    } rows[] = { { 1, kRunOnce, "cmd.exe" }, { 0, kRunServicesOnce, "command.com" } };
    std::string program = WinePath(KV_PAYLOAD_DIR_UNIX) + "\\kv95pro.exe";
    std::vector<std::unique_ptr<RunningProgram>> running;
    std::vector<std::string> folders;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.shell);
        std::string folder = dest + "\\" + row.shell;
        folders.push_back(folder);
        ASSERT_TRUE(CreateDirectoryA(folder.c_str(), NULL));
        ASSERT_TRUE(CopyFileA(program.c_str(), (folder + "\\kv95pro.exe").c_str(), FALSE));
        KV_WRITE_FILE(folder + "\\kvpro32.hlp", "KORVID");
        running.emplace_back(new RunningProgram(folder + "\\kv95pro.exe"));
        ASSERT_TRUE(running.back()->Running());
        WriteProfileStringA("KORVID", "DIR", folder.c_str());
        WriteProfileStringA("KORVID", "INSTOPTS", "12");
        WriteProfileStringA("KORVID", "GROUP", "");
        g_bWinNT = row.winNT;

        std::vector<std::string> boxes = Remove([](const std::string&) { return IDCANCEL; });
        EXPECT_EQ(std::vector<std::string> { "Congratulations!|" + Message(95) }, boxes);
        EXPECT_EQ(0, g_bRestartNeeded);
        EXPECT_FALSE(FileExists(folder + "\\kv95pro.exe"));
        EXPECT_FALSE(FileExists(folder + "\\kvpro32.hlp"));
        ASSERT_TRUE(FileExists(folder + "\\kv95pro.exe.del"));
        EXPECT_EQ("<missing>", WinIni("DIR"));

        char shortFile[MAX_PATH], shortFolder[MAX_PATH];
        GetShortPathNameA((folder + "\\kv95pro.exe.del").c_str(), shortFile, sizeof shortFile);
        GetShortPathNameA(folder.c_str(), shortFolder, sizeof shortFolder);
        auto commands = KeyValues(row.key);
        EXPECT_EQ(std::string(row.shell) + " /c del \"" + shortFile + "\"", TextOf(commands["Oxtavine0"]));
        EXPECT_EQ(std::string(row.shell) + " /c rmdir \"" + shortFolder + "\" ",
                  TextOf(commands["Oxtavine1"]));
    }

    // The restart, with the programs ended and a stand-in command.com.
    running.clear();
    StandInShell shell(WinePath(KV_COMMAND_SHIM_UNIX));
    Restart();
    for (const std::string& folder : folders) {
        std::string file = folder + "\\kv95pro.exe.del";
        EXPECT_TRUE(WaitUntil([&] { return !FileExists(file); })) << file;
    }
}

// A recorded folder that fails the destination check is not touched: the message says
// there is nothing to remove, and win.ini and every file stay as they were.
TEST_F(Removal, RefusedFoldersAreNotTouched)
{
    char windows[MAX_PATH], temp[MAX_PATH];
    GetWindowsDirectoryA(windows, sizeof windows);
    GetTempPathA(sizeof temp, temp);
    struct Row {
        std::string dir;
        std::string canary; // a leftover the removal would delete in an accepted folder
    } rows[] = {
        { "C:\\", "C:\\kvcanary.tmp" },
        { windows, std::string(windows) + "\\kvcanary.log" },
        { std::string(temp), std::string(temp) + "kvcanary.bak" },
        { dest.substr(dest.find_last_of('\\') + 1), dest + "\\kvcanary.tmp" },
    };
    char saved[MAX_PATH];
    GetCurrentDirectoryA(sizeof saved, saved);
    SetCurrentDirectoryA(dest.substr(0, dest.find_last_of('\\')).c_str());
    for (const Row& row : rows) {
        SCOPED_TRACE(row.dir);
        KV_WRITE_FILE(row.canary, "KORVID");
        WriteProfileStringA("KORVID", "DIR", row.dir.c_str());
        WriteProfileStringA("KORVID", "INSTOPTS", "12");
        HKEY key;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyA(HKEY_LOCAL_MACHINE, kUninstallEntryKey, &key));
        RegCloseKey(key);
        std::vector<std::string> boxes = Remove([](const std::string&) { return IDOK; });
        EXPECT_EQ(std::vector<std::string> { "Remove|" + Message(10017) }, boxes);
        EXPECT_TRUE(FileExists(row.canary));
        EXPECT_EQ(row.dir, WinIni("DIR"));
        EXPECT_TRUE(RegKeyExists(HKEY_LOCAL_MACHINE, kUninstallEntryKey));
        DeleteFileA(row.canary.c_str());
    }
    SetCurrentDirectoryA(saved);

    // A folder that an earlier installation recorded strictly inside the Windows folder is
    // the product's own: it is removed.
    std::string inside = std::string(windows) + "\\kv removal " + std::to_string(GetCurrentProcessId());
    ASSERT_TRUE(CreateDirectoryA(inside.c_str(), NULL));
    KV_WRITE_FILE(inside + "\\kv95pro.exe", "KORVID");
    KV_WRITE_FILE(inside + "\\kvcanary.tmp", "KORVID");
    WriteProfileStringA("KORVID", "DIR", inside.c_str());
    WriteProfileStringA("KORVID", "INSTOPTS", "12");
    WriteProfileStringA("KORVID", "GROUP", "");
    std::vector<std::string> boxes = Remove([](const std::string&) { return IDOK; });
    EXPECT_EQ(std::vector<std::string> { "|" + Message(10014) }, boxes);
    EXPECT_FALSE(FileExists(inside));
    DeleteTree(inside);
}

// One file at a time: two loaded libraries of one stem wait under names of their own, a
// name an earlier removal still holds is passed over, a read-only file goes at once, a
// folder of the user's is never touched, and a file whose deletion cannot be stored (its
// folder's short path holds a character the shell reads) keeps its own name and attributes.
TEST_F(Removal, DeleteOrDeferOnEveryKindOfFile)
{
    std::string library = WinePath(KV_PAYLOAD_DIR_UNIX) + "\\kvpro32.dll";
    std::string same = dest + "\\same", unsafe = dest + "\\a&b";
    for (const std::string& folder : { same, unsafe, dest + "\\x.bak" })
        ASSERT_TRUE(CreateDirectoryA(folder.c_str(), NULL));
    std::vector<HMODULE> loaded;
    for (const std::string& path :
         { same + "\\kvpro32.dll", same + "\\kvpro32.hlp", unsafe + "\\kvpro32.dll" }) {
        ASSERT_TRUE(CopyFileA(library.c_str(), path.c_str(), FALSE));
        HMODULE module = LoadLibraryA(path.c_str());
        ASSERT_TRUE(module != NULL) << path;
        loaded.push_back(module);
    }
    KV_WRITE_FILE(same + "\\kvpro32.dll.del", "an earlier removal's");
    KV_WRITE_FILE(same + "\\kvscrpt.hlp", "KORVID");
    KV_WRITE_FILE(dest + "\\x.bak\\mine.txt", "mine");
    for (const std::string& path : { same + "\\kvscrpt.hlp", unsafe + "\\kvpro32.dll" })
        ASSERT_TRUE(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY));

    struct Row {
        std::string path;
        int result;
        std::string waiting; // the name it waits under for the restart, "" when none
    } rows[] = {
        { same + "\\kvpro32.dll", 0, same + "\\kvpro32.dll.1.del" },
        { same + "\\kvpro32.hlp", 0, same + "\\kvpro32.hlp.del" },
        { same + "\\kvscrpt.hlp", 1, "" },
        { dest + "\\x.bak", 1, "" },
        { unsafe + "\\kvpro32.dll", 0, "" },
    };
    char errorText[KV_TEXT_SIZE];
    std::vector<std::string> expected;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.path);
        g_bRestartNeeded = 0;
        errorText[0] = '\0';
        EXPECT_EQ(row.result, DeleteOrDefer(row.path.c_str(), errorText));
        EXPECT_EQ(row.waiting.empty() ? 0 : 1, g_bRestartNeeded);
        EXPECT_EQ(row.result ? "" : "failed to delete " + row.path, std::string(errorText));
        if (!row.waiting.empty()) {
            EXPECT_FALSE(FileExists(row.path));
            char shortPath[MAX_PATH] = "";
            EXPECT_NE(0u, GetShortPathNameA(row.waiting.c_str(), shortPath, sizeof shortPath));
            expected.push_back("cmd.exe /c del \"" + std::string(shortPath) + "\"");
        }
    }
    std::vector<std::string> stored;
    for (const auto& value : KeyValues(kRunOnce))
        if (value.first.compare(0, 8, "Oxtavine") == 0)
            stored.push_back(TextOf(value.second));
    EXPECT_EQ(expected, stored);
    EXPECT_EQ("an earlier removal's", ReadFile(same + "\\kvpro32.dll.del"));
    EXPECT_FALSE(FileExists(same + "\\kvscrpt.hlp"));
    EXPECT_EQ("mine", ReadFile(dest + "\\x.bak\\mine.txt"));
    EXPECT_EQ(FILE_ATTRIBUTE_READONLY,
              GetFileAttributesA((unsafe + "\\kvpro32.dll").c_str()) & FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(std::vector<std::string> { "kvpro32.dll" }, ListFiles(unsafe));
    for (HMODULE module : loaded)
        FreeLibrary(module);
    SetFileAttributesA((unsafe + "\\kvpro32.dll").c_str(), FILE_ATTRIBUTE_NORMAL);
}

// A product file that can be neither deleted nor stored for the next start (held open with
// only reading shared) leaves the removal incomplete: no restart is offered and the log names
// the file. A read-only file named like a leftover is the user's: it stays as it was, while
// the writable leftovers go; alone, it leaves a removal that is complete all the same.
TEST_F(Removal, AFileNothingDeletesFailsTheRemovalAndReadOnlyLeftoversStay)
{
    SetCurrentDirectoryA(work.c_str());
    g_bLogging = 1;
    struct Row {
        const char* name;
        bool readOnly;
        bool stays;
    } rows[] = {
        { "mine.bak", true, true },      { "Notes.LOG", true, true },    { "old.tmp", false, false },
        { "kvpro32.gid", false, false }, { "kvpro32.hlp", false, true }, // the held product file
    };
    auto place = [&] {
        for (const Row& row : rows) {
            if (FileExists(dest + "\\" + row.name))
                continue;
            KV_WRITE_FILE(dest + "\\" + row.name, row.name);
            if (row.readOnly) {
                ASSERT_TRUE(SetFileAttributesA((dest + "\\" + row.name).c_str(), FILE_ATTRIBUTE_READONLY));
            }
        }
        WriteProfileStringA("KORVID", "DIR", dest.c_str());
        WriteProfileStringA("KORVID", "INSTOPTS", "12");
        WriteProfileStringA("KORVID", "GROUP", "");
    };
    auto expectLeft = [&](bool heldStays) {
        for (const Row& row : rows) {
            std::string path = dest + "\\" + row.name;
            bool stays = std::string(row.name) == "kvpro32.hlp" ? heldStays : row.stays;
            EXPECT_EQ(stays, FileExists(path)) << row.name;
            if (row.readOnly) {
                EXPECT_EQ((DWORD)FILE_ATTRIBUTE_READONLY,
                          GetFileAttributesA(path.c_str()) & FILE_ATTRIBUTE_READONLY)
                    << row.name;
            }
        }
    };

    place();
    std::string held = dest + "\\kvpro32.hlp";
    HANDLE file = CreateFileA(held.c_str(), GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    EXPECT_EQ(REMOVAL_INCOMPLETE, RemoveProductAt(NULL, NULL, NULL));
    CloseHandle(file);
    EXPECT_EQ(held, std::string(g_szKeptFile));
    EXPECT_EQ(0, g_bRestartNeeded);
    EXPECT_NE(std::string::npos, ReadFile(work + "setup.log").find("Not removed: " + held))
        << ReadFile(work + "setup.log");
    EXPECT_EQ(1603, RemovalExitCode(REMOVAL_INCOMPLETE, 0));
    expectLeft(true);

    // Nothing held: only the user's read-only files stay, and the removal is complete.
    place();
    EXPECT_EQ(REMOVAL_DONE, RemoveProductAt(NULL, NULL, NULL));
    EXPECT_EQ("", std::string(g_szKeptFile));
    expectLeft(false);
    for (const Row& row : rows)
        SetFileAttributesA((dest + "\\" + row.name).c_str(), FILE_ATTRIBUTE_NORMAL);
}
