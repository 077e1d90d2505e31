// Hostile input: Install.ini files made by a seeded generator (random bytes, huge lines,
// thousands of sections, values at and around every buffer size, duplicated keys, missing
// sections), and hostile values in win.ini's [KORVID] for an install and for a removal.
// Every run ends on its own with a defined exit code, touches nothing outside its
// destination, never works with a cut path, and deletes nothing outside the product folder.
#include <gtest/gtest.h>
#include <algorithm>
#include <random>
#include "faults/faults.h"
#include "support/pages.h"
#include "support/product_state.h"
#include "support/machine.h"

using namespace kve2e;
using namespace kvfaults;
using kvtest::FileExists;

namespace
{

// No blanks, so that a path under it is easy to find in the log.
const std::string kRoot = "C:\\KVFaultsInput";
const char kHeader[] = "[INSTALL]\r\nQUIET=TRUE\r\nLOGGING=TRUE\r\n";
const int kSizes[] = { 255, 256, 259, 260, 511, 512, 1023, 1024, 2048 };

bool Defined(DWORD code)
{
    return code == EXIT_INSTALLED || code == EXIT_INSTALL_FAILED || code == EXIT_RESTART_NEEDED;
}

std::string RandomBytes(std::mt19937& random, size_t count, bool printable)
{
    std::string bytes(count, '\0');
    for (char& c : bytes)
        c = printable ? (char)(0x20 + random() % 0x5f) : (char)(random() & 0xff);
    return bytes;
}

// Closes whatever the run shows: Cancel on a page, Yes to the question whether to quit,
// OK to a message.
void CloseEverything(HWND window)
{
    if (!kvtest::IsDialog(window))
        return;
    if (GetDlgItem(window, IDCANCEL) && kvtest::IsEnabled(window, IDCANCEL) && !GetDlgItem(window, IDYES))
        kvtest::Press(window, IDCANCEL);
    else if (GetDlgItem(window, IDYES))
        kvtest::Press(window, IDYES);
    else
        kvtest::Press(window, IDOK);
}

struct Outcome {
    RunResult run;
    std::string log;
};

// Runs the setup with the options text; the product state and kRoot are removed afterwards.
Outcome RunWithOptions(const std::string& options, const char* tag)
{
    Outcome outcome;
    Sandbox box(tag);
    EXPECT_TRUE(box.PlaceSetup());
    EXPECT_TRUE(box.PlaceInstallIni(options));
    RunOptions runOptions;
    runOptions.timeoutMs = 90000;
    runOptions.onVisibleWindow = CloseEverything;
    outcome.run = box.Run(runOptions);
    outcome.log = box.SetupLog();
    kvtest::CloseExplorerWindows();
    return outcome;
}

// The names directly under folder (files and folders).
std::vector<std::string> Entries(const std::string& folder)
{
    std::vector<std::string> names;
    kvtest::ForEachEntry(folder, [&](const WIN32_FIND_DATAA& found) { names.push_back(found.cFileName); });
    return names;
}

// The top-level folders of drive C:.
std::vector<std::string> DriveFolders()
{
    std::vector<std::string> names = Entries("C:");
    std::sort(names.begin(), names.end());
    return names;
}

// What every row must show: a defined end, product files only inside dest, nothing made
// under kRoot but the way to dest (and the planted folder), and no path under kRoot in the
// log that is a cut form of dest or of a hostile value.
void CheckRow(const Outcome& outcome, const std::string& dest, const std::vector<std::string>& drive,
              const std::vector<std::string>& values = {}, const std::string& planted = "")
{
    if (!EndedCleanly(outcome.run))
        return;
    EXPECT_TRUE(Defined(outcome.run.exitCode)) << outcome.run.exitCode;
    std::string inside = dest.substr(kRoot.size() + 1) + "\\";
    std::string plantedInside = planted.empty() ? "" : planted.substr(kRoot.size() + 1) + "\\";
    for (const std::string& name : ListTree(kRoot)) {
        if (plantedInside.empty() || name.compare(0, plantedInside.size(), plantedInside) != 0) {
            EXPECT_EQ(0u, name.find(inside)) << name;
        }
    }
    std::string first = inside.substr(0, inside.find('\\'));
    for (const std::string& name : Entries(kRoot))
        EXPECT_TRUE(name == first || (!planted.empty() && kRoot + "\\" + name == planted)) << name;
    std::vector<std::string> wholes = values;
    wholes.push_back(dest);
    for (const std::string& line : SplitLines(outcome.log)) {
        // A line longer than the log's buffer is logged cut on purpose.
        if (line.size() >= KV_FORMAT_SIZE - 1)
            continue;
        for (size_t at = line.find(kRoot); at != std::string::npos; at = line.find(kRoot, at + 1)) {
            size_t end = line.find_first_of("\"", at);
            std::string path = line.substr(at, end == std::string::npos ? std::string::npos : end - at);
            if (path.compare(0, dest.size() + 1, dest + "\\") == 0)
                continue;
            for (const std::string& whole : wholes)
                EXPECT_FALSE(path.size() < whole.size() && whole.compare(0, path.size(), path) == 0)
                    << "cut path in the log: " << line;
        }
    }
    std::vector<std::string> now = DriveFolders();
    now.erase(std::remove(now.begin(), now.end(), kRoot.substr(3)), now.end());
    EXPECT_EQ(drive, now);
}

std::string UninstallCommand()
{
    return kvtest::UninstallValue("UninstallString");
}

void Clean()
{
    kvtest::RemoveProductState();
    kvtest::DeleteOxtavineValues(kvtest::kRunOnce);
    kvtest::DeleteTree(kRoot);
}

} // namespace

// Generated option files, each row seeded so that a failure repeats.
TEST(InputFuzz, InstallIniRows)
{
    Clean();
    const std::vector<std::string> drive = DriveFolders();
    const std::string dest = kRoot + "\\KORVID Pro";
    const std::string korvid = "[KORVID]\r\nDIR32=" + dest + "\r\n";
    struct Row {
        std::string name;
        std::string text;
        std::string dest;
        int faults;
    };
    std::vector<Row> rows;
    for (unsigned seed = 1; seed <= 3; seed++) {
        std::mt19937 random(seed);
        rows.push_back({ "random bytes " + std::to_string(seed), RandomBytes(random, 4096, false), dest, 1 });
        rows.push_back({ "header, then random bytes " + std::to_string(seed),
                         kHeader + korvid + RandomBytes(random, 8192, false), dest, 1 });
    }
    {
        std::mt19937 random(11);
        rows.push_back({ "a line of 150 KB in [INSTALL]",
                         kHeader + ("LINE1=" + RandomBytes(random, 150000, true)) + "\r\n" + korvid, dest,
                         1 });
        rows.push_back({ "a line of 120 KB without a break",
                         kHeader + korvid + RandomBytes(random, 120000, true), dest, 1 });
        std::string many = kHeader + korvid;
        for (int s = 0; s < 3000; s++) {
            many += "[S" + std::to_string(random()) + "]\r\n";
            for (int k = 0; k < 3; k++)
                many += "K" + std::to_string(k) + "=" + RandomBytes(random, 12, true) + "\r\n";
        }
        rows.push_back({ "3000 sections of 3 keys", many, dest, 1 });
        std::string keys = kHeader;
        for (int k = 0; k < 5000; k++)
            keys += "KEY" + std::to_string(k) + "=" + std::to_string(random()) + "\r\n";
        rows.push_back({ "5000 keys in [INSTALL]", keys + korvid, dest, 1 });
    }
    // Every key the program reads, each value exactly at or around a buffer size.
    for (int size : kSizes) {
        std::string value(size, 'T');
        std::string text = kHeader;
        for (const char* key : { "ALLOWRBT", "NOPASSWORD", "BONUS", "DESKTOP", "EXPLORER", "LINE1", "LINE2" })
            text += std::string(key) + "=" + value + "\r\n";
        // The folder at the size where a folder can be one; beside a usable folder where the
        // group name and the options are what is at the size.
        bool longFolder = size == 255 || size == 259 || size == 260 || size == 511 || size == 1024;
        std::string folder = longFolder ? kvtest::FolderOfLength(kRoot, size) : dest;
        text += "[KORVID]\r\nDIR32=" + folder + "\r\nGROUP32=" + std::string(size, 'G') + "\r\n";
        rows.push_back({ "values of " + std::to_string(size), text, folder, 9 });
    }
    rows.push_back({ "duplicated keys and sections",
                     std::string(kHeader) + "QUIET=FALSE\r\n" + korvid + "DIR32=" + kRoot
                         + "\\Other\r\n[INSTALL]\r\nQUIET=FALSE\r\n" + "[KORVID]\r\nDIR32=" + kRoot
                         + "\\Third\r\n",
                     dest, 2 });
    rows.push_back({ "no [INSTALL] section", korvid, dest, 1 });
    rows.push_back({ "no [KORVID] section, the folder from win.ini", kHeader, dest, 1 });
    rows.push_back({ "empty keys",
                     "[INSTALL]\r\nQUIET=TRUE\r\nLOGGING=\r\n=\r\n[]\r\n[KORVID]\r\nDIR32=\r\nGROUP32=\r\n",
                     dest, 2 });

    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        CountScenario();
        CountFaults(row.faults);
        if (row.name.find("win.ini") != std::string::npos || row.name == "empty keys")
            WriteProfileStringA("KORVID", "DIR", dest.c_str());
        Outcome outcome = RunWithOptions(row.text, "input");
        CheckRow(outcome, row.dest, drive);
        if (outcome.run.exitCode == EXIT_RESTART_NEEDED) {
            EXPECT_EQ(row.dest, kvtest::WinIni("DIR")) << outcome.log.substr(0, 2000);
            // A group name too long for the program is not used cut.
            size_t at = row.text.find("GROUP32=");
            std::string group = kvtest::WinIni("GROUP"), asked;
            if (at != std::string::npos)
                asked = row.text.substr(at + 8, row.text.find("\r\n", at) - at - 8);
            EXPECT_TRUE(group == asked || asked.compare(0, group.size(), group) != 0) << group.size();
        }
        Clean();
    }
}

// win.ini [KORVID] values that no install wrote, met by an install and by a removal. The
// folder a hostile DIR names holds sentinel files, named as the removal's product files and
// leftovers are, which must survive.
TEST(InputWinIni, HostileKorvidSection)
{
    Clean();
    const std::vector<std::string> drive = DriveFolders();
    const std::string dest = kRoot + "\\KORVID Pro";
    const std::string sentinelFolder = kRoot + "\\Sentinel";
    char windows[MAX_PATH] = "";
    GetWindowsDirectoryA(windows, sizeof windows);
    const std::string huge = kRoot + "\\" + std::string(5000, 'h');
    const std::string sentinelFile = sentinelFolder + "\\kept.txt";

    struct Row {
        const char* name;
        std::vector<std::pair<const char*, std::string>> values; // key, value ("" removes)
        bool installs;                                           // the install is expected to go into dest
        bool removes;                                            // the removal is expected to remove dest
        std::string folder;                                      // where sentinels are planted ("" for none)
    };
    const std::vector<Row> rows = {
        { "no [KORVID] section", {}, true, false, "" },
        { "a huge DIR", { { "DIR", huge } }, false, false, "" },
        { "DIR naming a file", { { "DIR", sentinelFile } }, false, false, sentinelFolder },
        { "a relative DIR", { { "DIR", "KORVID Pro" } }, false, false, "" },
        { "DIR that does not exist", { { "DIR", dest } }, true, true, "" },
        { "DIR naming the Windows folder", { { "DIR", windows } }, false, false, windows },
        { "a huge GROUP", { { "DIR", dest }, { "GROUP", std::string(5000, 'g') } }, true, true, "" },
        { "GROUP with a double quote", { { "DIR", dest }, { "GROUP", "KV \"Pro\" Tools" } }, true, true, "" },
        { "DEFDIR different from DIR",
          { { "DIR", dest }, { "DEFDIR", sentinelFolder } },
          true,
          true,
          sentinelFolder },
        { "INSTOPTS and PRO garbage",
          { { "DIR", dest }, { "INSTOPTS", "x\"\x01yz" }, { "PRO", std::string(3000, '9') } },
          true,
          false,
          "" },
    };
    const char* sentinels[] = { "kept.txt", "kv95pro.exe", "kvpro32.hlp", "kvfaults.bak", "kvfaults.log" };

    auto plant = [&](const std::string& folder) {
        CreateDirectoryA(kRoot.c_str(), NULL);
        CreateDirectoryA(folder.c_str(), NULL);
        for (const char* name : sentinels) {
            HANDLE file = CreateFileA((folder + "\\" + name).c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, NULL);
            DWORD written = 0;
            WriteFile(file, "sentinel", 8, &written, NULL);
            CloseHandle(file);
        }
    };
    auto survived = [&](const std::string& folder) {
        for (const char* name : sentinels) {
            std::string path = folder + "\\" + name;
            KV_EXPECT_KEPT(path, "sentinel");
            DeleteFileA(path.c_str());
        }
    };
    auto write = [](const Row& row) {
        for (const auto& value : row.values)
            WriteProfileStringA("KORVID", value.first, value.second.c_str());
    };

    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        // The install: the update road reads DIR and GROUP.
        CountScenario();
        CountFaults((int)row.values.size());
        kvtest::RemoveProductState();
        if (!row.folder.empty())
            plant(row.folder);
        write(row);
        Outcome install = RunWithOptions(SilentOptions(dest), "winini");
        std::vector<std::string> values;
        for (const auto& value : row.values)
            values.push_back(value.second);
        CheckRow(install, dest, drive, values, row.folder == sentinelFolder ? sentinelFolder : "");
        if (row.installs) {
            EXPECT_EQ((DWORD)EXIT_RESTART_NEEDED, install.run.exitCode) << install.log;
            EXPECT_EQ(dest, kvtest::WinIni("DIR"));
            std::string group = kvtest::WinIni("GROUP");
            // A name the program cannot use whole is not used cut; one that cannot be quoted
            // makes no group (the server reads no escape for a double quote).
            EXPECT_TRUE(group.size() < KV_TEXT_SIZE) << group.size();
            EXPECT_TRUE(group.find('"') == std::string::npos || kvtest::GroupItems(group.c_str()).empty());
        } else {
            EXPECT_EQ((DWORD)EXIT_INSTALL_FAILED, install.run.exitCode) << install.log;
            EXPECT_FALSE(FileExists(dest + "\\kv95pro.exe"));
        }
        if (!row.folder.empty())
            survived(row.folder);

        // The removal through the uninstall entry, with the same hostile values written over
        // what an install recorded.
        CountScenario();
        CountFaults((int)row.values.size());
        kvtest::RemoveProductState();
        {
            Outcome first = RunWithOptions(SilentOptions(dest), "winini-setup");
            ASSERT_EQ((DWORD)EXIT_RESTART_NEEDED, first.run.exitCode) << first.log;
        }
        std::string command = UninstallCommand();
        ASSERT_FALSE(command.empty());
        if (row.values.empty())
            WriteProfileStringA("KORVID", NULL, NULL);
        write(row);
        if (!row.folder.empty())
            plant(row.folder);
        Outcome removal;
        {
            Sandbox box("winini-removal");
            RunOptions options;
            options.onVisibleWindow = CloseEverything;
            removal.run = box.RunCommand(command + " -s", options);
        }
        // A refusal exits 1603.
        if (EndedCleanly(removal.run)) {
            EXPECT_EQ(row.removes ? 0u : (DWORD)EXIT_INSTALL_FAILED, removal.run.exitCode);
        }
        // The product folder goes only when DIR still names it; a refusal keeps the record.
        EXPECT_EQ(!row.removes, FileExists(dest + "\\kv95pro.exe"));
        if (!row.values.empty()) {
            EXPECT_EQ(row.removes, kvtest::WinIni("DIR") == "<missing>");
        }
        if (!row.removes) {
            std::vector<std::string> damaged = DamagedProductFiles(dest);
            EXPECT_TRUE(damaged.empty());
        }
        if (!row.folder.empty())
            survived(row.folder);
        Clean();
    }
    EXPECT_EQ(drive, DriveFolders());
}
