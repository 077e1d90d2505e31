// Destination folders and group names with blanks, dots and the accented letters of the
// ANSI code page (Install.ini is read in the ANSI code page, 1252 here): each is installed
// silently, recorded, given its Start Menu folder, and removed again by the uninstall entry,
// touching nothing beside the folder. The names Windows cannot keep as written are refused.
#include <gtest/gtest.h>
#include "faults/faults.h"
#include "support/product_state.h"

using namespace kve2e;
using namespace kvfaults;
using kvtest::FileExists;

namespace
{

const char kRoot[] = "C:\\KV Faults Names";
const char kKept[] = "kept beside the product\r\n";

// Creates the folder and every folder above it. returns whether it exists
bool MakeFolders(const std::string& folder)
{
    for (size_t at = folder.find('\\', 3); at != std::string::npos; at = folder.find('\\', at + 1))
        CreateDirectoryA(folder.substr(0, at).c_str(), NULL);
    CreateDirectoryA(folder.c_str(), NULL);
    return FileExists(folder);
}

// Every file under root is the bystander or lies in the folder.
void ExpectOnlyInFolder(const std::string& root, const std::string& parent, const std::string& dest)
{
    std::string bystander = parent.substr(root.size() + 1) + "\\keep.txt";
    std::string inside = dest.substr(root.size() + 1) + "\\";
    for (const std::string& name : ListTree(root))
        EXPECT_TRUE(name == bystander || name.compare(0, inside.size(), inside) == 0) << name;
}

} // namespace

TEST(Names, BlanksDotsAndAccentsInstallAndRemove)
{
    // The Install.ini bytes below are code page 1252.
    ASSERT_EQ(1252u, GetACP());
    struct Row {
        const char* folder;      // below kRoot
        const char* group;       // as Install.ini gives it
        const char* recorded;    // as the install records it
        const char* groupFolder; // the Start Menu folder the shell makes of it
    } rows[] = {
        { "Mon Logiciel 2.0\\KORVID. Pro", "KORVID. Pro 2.0", "KORVID. Pro 2.0", "KORVID. Pro 2.0" },
        { "v1.2.3.final\\K.O.R.V.I.D..Pro", "K.O.R.V.I.D..Tools", "K.O.R.V.I.D..Tools",
          "K.O.R.V.I.D..Tools" },
        // The INI reading drops the blanks around a value, so a group cannot start with one.
        { " Leading Blank\\ KORVID Pro", " Leading Group", "Leading Group", "Leading Group" },
        { "Logiciels \xC9"
          "dit\xE9"
          "s\\Gr\xF6\xDF"
          "e \xDC \xF8\xD8\\KORVID Pro",
          "Caf\xE9 Gr\xF6\xDF"
          "e \xD8",
          "Caf\xE9 Gr\xF6\xDF"
          "e \xD8",
          "Caf\xE9 Gr\xF6\xDF"
          "e \xD8" },
        { "Tools & More (x86)\\KORVID; Pro", "KV: Tools/1?", "KV: Tools/1?", "KV_ Tools_1_" },
    };
    const std::string root = kRoot;
    for (const Row& row : rows) {
        const std::string dest = root + "\\" + row.folder;
        const std::string parent = dest.substr(0, dest.find_last_of('\\'));
        SCOPED_TRACE(dest + " / " + row.group);
        CountScenario();
        kvtest::RemoveProductState();
        kvtest::DeleteTree(root);
        // A bystander beside the folder.
        ASSERT_TRUE(MakeFolders(parent));
        HANDLE keep =
            CreateFileA((parent + "\\keep.txt").c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
        ASSERT_NE(INVALID_HANDLE_VALUE, keep);
        DWORD written = 0;
        WriteFile(keep, kKept, sizeof kKept - 1, &written, NULL);
        CloseHandle(keep);

        Sandbox box("names");
        RunResult run = box.RunWith(SilentOptions(dest, "", std::string("GROUP32=") + row.group));
        kvtest::CloseExplorerWindows();
        ASSERT_TRUE(EndedCleanly(run));
        EXPECT_EQ((DWORD)EXIT_RESTART_NEEDED, run.exitCode) << box.SetupLog();
        for (const std::string& name : ProductFileNames())
            EXPECT_TRUE(NewVersion(name.c_str()) == kvtest::ReadFile(dest + "\\" + name)) << name;
        EXPECT_EQ(dest, kvtest::WinIni("DIR"));
        EXPECT_EQ(row.recorded, kvtest::WinIni("GROUP"));
        EXPECT_FALSE(kvtest::GroupItems(row.groupFolder).empty());
        ExpectOnlyInFolder(root, parent, dest);

        std::string command = kvtest::UninstallValue("UninstallString");
        run = RunUninstallString(box, " -s");
        kvtest::CloseExplorerWindows();
        ASSERT_TRUE(EndedCleanly(run));
        EXPECT_EQ(0u, run.exitCode) << command;
        EXPECT_EQ(kvtest::SiteIniNames(), ListTree(dest)); // the INIs hold the user's sites
        EXPECT_EQ("<missing>", kvtest::WinIni("DIR"));
        EXPECT_FALSE(kvtest::RegKeyExists(HKEY_LOCAL_MACHINE, kUninstallEntryKey));
        // The items go; a group of another name than the product's own stays, since other
        // programs may have items in it.
        EXPECT_TRUE(kvtest::GroupItems(row.groupFolder).empty());
        ExpectOnlyInFolder(root, parent, dest);
        KV_EXPECT_KEPT(parent + "\\keep.txt", kKept);
        kvtest::DeleteTree(kvtest::GroupFolder(row.groupFolder));
    }
    kvtest::RemoveProductState();
    kvtest::DeleteTree(root);
}

// Folders Windows would not keep as written. A dot or blank ending the last segment, or a
// dot ending an inner one, is dropped when the folder is made full, and the product goes
// and is recorded where Windows puts it. A blank ending an inner segment, or a double quote
// (no file name holds one), leaves a folder that cannot be made: the silent run refuses it
// with exit 1603 and its log line, and makes and records nothing.
TEST(Names, FoldersWindowsCannotKeepAreTakenAsWindowsNamesThemOrRefused)
{
    const std::string root = kRoot;
    struct Row {
        const char* folder;
        const char* installedInto; // below kRoot; null when refused
    } rows[] = {
        { "Trailing.\\KORVID Pro", "Trailing\\KORVID Pro" },
        { "KORVID Pro.", "KORVID Pro" },
        { "KORVID Pro ", "KORVID Pro" },
        { "Trailing \\KORVID Pro", NULL },
        { "Say \"Hi\"\\KORVID Pro", NULL },
    };
    for (const Row& row : rows) {
        const std::string dest = root + "\\" + row.folder;
        SCOPED_TRACE(dest);
        CountScenario();
        kvtest::RemoveProductState();
        kvtest::DeleteTree(root);
        ASSERT_TRUE(CreateDirectoryA(root.c_str(), NULL));
        Sandbox box("names-refused");
        RunResult run = box.RunWith(SilentOptions(dest));
        kvtest::CloseExplorerWindows();
        ASSERT_TRUE(EndedCleanly(run));
        if (row.installedInto) {
            std::string into = root + "\\" + row.installedInto;
            EXPECT_EQ((DWORD)EXIT_RESTART_NEEDED, run.exitCode) << box.SetupLog();
            EXPECT_EQ(into, kvtest::WinIni("DIR"));
            for (const std::string& name : ProductFileNames())
                EXPECT_TRUE(NewVersion(name.c_str()) == kvtest::ReadFile(into + "\\" + name)) << name;
        } else {
            EXPECT_EQ((DWORD)EXIT_INSTALL_FAILED, run.exitCode);
            EXPECT_NE(std::string::npos, box.SetupLog().find("Failed to create DestDir \"" + dest + "\""))
                << box.SetupLog();
            EXPECT_EQ("<missing>", kvtest::WinIni("DIR"));
            EXPECT_EQ(std::vector<std::string>(), ListTree(root));
        }
        kvtest::RemoveProductState();
    }
    kvtest::DeleteTree(root);
}
