// The destination's drive as the install meets it: a disk that fills up half-way, a
// read-only drive, read-only earlier files, and destination paths near and past the path
// limit. Whatever fails, every file that was there stays whole (a product file old or new),
// no scratch file stays behind and nothing is recorded for a failed install.
#include <gtest/gtest.h>
#include <algorithm>
#include "faults/faults.h"
#include "resources/resource.h"
#include "support/pages.h"
#include "support/product_state.h"

using namespace kve2e;
using namespace kvfaults;
using kvtest::FileExists;
using kvtest::ReadFile;

namespace
{

const char kFailed[] = "Some portion of installation process failed.";

// A user's file of the given size: a pattern that no product file holds.
std::string UserBytes(size_t size)
{
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; i++)
        bytes[i] = (char)(i * 7 + i / 251);
    return bytes;
}

// The log lines that start with prefix.
std::vector<std::string> LinesStartingWith(const std::string& log, const std::string& prefix)
{
    std::vector<std::string> found;
    for (const std::string& line : kvtest::SplitLines(log))
        if (line.compare(0, prefix.size(), prefix) == 0)
            found.push_back(line);
    return found;
}

// What a failed install leaves in folder: nothing recorded, no scratch or aside file, and
// every product file old or new whole.
void ExpectFailedInstallLeftNoTrace(const std::string& folder)
{
    EXPECT_EQ("<missing>", kvtest::WinIni("DIR"));
    EXPECT_EQ("<missing>", kvtest::WinIni("DEFDIR"));
    EXPECT_FALSE(kvtest::RegKeyExists(HKEY_LOCAL_MACHINE, kUninstallEntryKey));
    EXPECT_FALSE(FileExists(folder + "\\" KV_SCRATCH_NAME));
    for (const std::string& name : ListTree(folder)) {
        std::string lower = name;
        std::transform(lower.begin(), lower.end(), lower.begin(), ::tolower);
        EXPECT_TRUE(lower.find(".bak") == std::string::npos && lower.find(".new") == std::string::npos)
            << name;
    }
    std::vector<std::string> damaged = DamagedProductFiles(folder);
    EXPECT_TRUE(damaged.empty()) << damaged.size() << " damaged, the first " << damaged[0];
}

// The one "Copy of NAME to FOLDER failed. (ERROR)" line of a log; "" unless there is
// exactly one.
std::string OnlyCopyFailure(const std::string& log)
{
    std::vector<std::string> lines;
    for (const std::string& line : LinesStartingWith(log, "Copy of "))
        if (line.find(" failed. (") != std::string::npos)
            lines.push_back(line);
    EXPECT_EQ(1u, lines.size()) << log;
    return lines.size() == 1 ? lines[0] : "";
}

// The file a copy-failed line names.
std::string FailedFileOf(const std::string& line)
{
    size_t end = line.find(" to ");
    return end == std::string::npos ? "" : line.substr(8, end - 8);
}

class DiskFull : public kvtest::CleanMachine
{
protected:
    std::string drive = SmallDrive();
    std::string dest = drive + "\\KORVID Pro";
    std::string keep = drive + "\\keep.dat";
    std::string keepBytes = UserBytes(64 * 1024);

    void SetUp() override
    {
        ASSERT_FALSE(drive.empty()) << "run-faults.sh maps the small drive";
        CleanMachine::SetUp();
        KV_WRITE_FILE(keep, keepBytes);
        ASSERT_TRUE(CreateDirectoryA(dest.c_str(), NULL));
        PlaceOldVersion(dest);
    }
    void TearDown() override
    {
        CleanMachine::TearDown();
        kvtest::DeleteTree(dest);
        DeleteFileA(keep.c_str());
        EXPECT_TRUE(kvtest::ListFiles(drive + "\\").empty());
    }

    // What every run that fails on the full disk leaves: the user's file and the earlier
    // product whole, nothing recorded.
    void ExpectNothingLost()
    {
        KV_EXPECT_KEPT(keep, keepBytes);
        ExpectFailedInstallLeftNoTrace(dest);
    }
};

} // namespace

// A silent install that runs out of space stops at the first required file that does not
// fit, says which and why, and leaves the earlier files whole.
TEST_F(DiskFull, SilentInstallStopsAndKeepsTheEarlierFiles)
{
    CountScenario();
    CountFaults();
    Sandbox box("diskfull");
    RunResult run = box.RunWith(SilentOptions(dest));
    ASSERT_TRUE(EndedCleanly(run));
    EXPECT_EQ((DWORD)EXIT_INSTALL_FAILED, run.exitCode) << box.SetupLog();

    std::string log = box.SetupLog();
    std::string line = OnlyCopyFailure(log);
    std::string file = FailedFileOf(line);
    EXPECT_EQ("Copy of " + file + " to " + dest + " failed. (" + std::to_string(ERROR_DISK_FULL) + ")", line);
    EXPECT_EQ(1u, LinesStartingWith(log, "Failed to install required file " + file + ".").size()) << log;
    EXPECT_EQ(1u, LinesStartingWith(log, kFailed).size()) << log;
    ExpectNothingLost();
}

// The same interactively: the Retry/Cancel box names the file, comes back after a Retry
// that fails again, and a Cancel ends the install with message 10028.
TEST_F(DiskFull, InteractiveRetryThenCancelKeepsTheEarlierFiles)
{
    CountScenario();
    CountFaults();
    Sandbox box("diskfull-ui");
    ASSERT_TRUE(box.PlaceSetup());
    ASSERT_TRUE(box.PlaceInstallIni("[INSTALL]\r\nQUIET=FALSE\r\nLOGGING=TRUE\r\nDESKTOP=FALSE\r\n"));
    std::vector<std::string> retryTexts;
    std::string failedText;
    auto retryBox = [&](int button) {
        return kvtest::BoxAnswer("Install", button,
                                 [&](const std::string& text) { retryTexts.push_back(text); });
    };
    kvtest::PageScript script({
        { kvtest::kCaption, IDC_WELCOME_INSTALL, [](HWND page) { kvtest::Press(page, IDOK); } },
        { kvtest::kFolderPage, IDC_FOLDER_EDIT,
          [&](HWND page) {
              kvtest::SetControlText(page, IDC_FOLDER_EDIT, dest);
              kvtest::Press(page, IDOK);
          } },
        { kvtest::kInterfacePage, IDC_IFACE_CLASSIC, [](HWND page) { kvtest::Press(page, IDOK); } },
        retryBox(IDRETRY),
        retryBox(IDCANCEL),
        // The sequence asks for the group after a stop too; the answer is not used.
        { kvtest::kGroupPage, IDC_GROUP_COMBO, [](HWND page) { kvtest::Press(page, IDCANCEL); } },
        kvtest::BoxAnswer(kvtest::kNoCaption, IDOK, [&](const std::string& text) { failedText = text; }),
    });
    RunOptions options;
    options.timeoutMs = 90000;
    options.onVisibleWindow = [&](HWND window) { script.Offer(window); };
    RunResult run = box.Run(options);
    EXPECT_TRUE(script.Done()) << "waiting for " << script.Waiting() << "; windows:" << run.WindowsSeen();
    ASSERT_TRUE(EndedCleanly(run));

    ASSERT_EQ(2u, retryTexts.size());
    EXPECT_EQ(retryTexts[0], retryTexts[1]);
    std::string file = FailedFileOf(retryTexts[0]);
    EXPECT_EQ("Copy of " + file + " to " + dest + " failed. (" + std::to_string(ERROR_DISK_FULL) + ")",
              retryTexts[0]);
    EXPECT_EQ(std::string(kFailed) + "\r\nFailed to install required file " + file + ".", failedText);
    ExpectNothingLost();
}

// The destination on a read-only drive: the install refuses at its first file and changes
// nothing there.
TEST(ReadOnly, DriveRefusesTheInstallAndKeepsItsFiles)
{
    std::string drive = ReadOnlyDrive();
    ASSERT_FALSE(drive.empty()) << "run-faults.sh maps the read-only drive";
    std::string dest = drive + "\\KORVID Pro";
    std::string keep = dest + "\\keep.txt";
    std::string keepBytes = ReadFile(keep);
    ASSERT_EQ("kept\r\n", keepBytes);
    kvtest::RemoveProductState();
    CountScenario();
    CountFaults();
    {
        Sandbox box("readonly");
        RunResult run = box.RunWith(SilentOptions(dest));
        ASSERT_TRUE(EndedCleanly(run));
        EXPECT_EQ((DWORD)EXIT_INSTALL_FAILED, run.exitCode) << box.SetupLog();
        std::string log = box.SetupLog();
        std::string line = OnlyCopyFailure(log);
        EXPECT_EQ(0u, line.find("Copy of kv95pro.exe to " + dest + " failed. (")) << log;
        EXPECT_EQ(1u, LinesStartingWith(log, "Failed to install required file kv95pro.exe.").size()) << log;
        KV_EXPECT_KEPT(keep, keepBytes);
        EXPECT_EQ(std::vector<std::string> { "keep.txt" }, ListTree(dest));
        ExpectFailedInstallLeftNoTrace(dest);
    }
    kvtest::RemoveProductState();
}

namespace
{

// Removes a recorded installation with the uninstaller, silently, then what it leaves (the
// uninstaller itself) with the folder.
void RemoveInstalled(Sandbox& box, const std::string& folder)
{
    if (kvtest::UninstallValue("UninstallString") != "<missing>") {
        RunResult run = RunUninstallString(box, " -s");
        EXPECT_TRUE(EndedCleanly(run));
        EXPECT_EQ(0u, run.exitCode) << box.SetupLog();
    }
    kvtest::CloseExplorerWindows();
    kvtest::RemoveProductState();
    kvtest::DeleteTree(folder);
}

} // namespace

// Earlier product files marked read-only are replaced like any others: the install
// completes, every file is its new version and none is left read-only or set aside.
TEST(ReadOnly, EarlierFilesMarkedReadOnlyAreReplaced)
{
    const std::string root = "C:\\KV Faults ReadOnly";
    const std::string dest = root + "\\KORVID Pro";
    kvtest::RemoveProductState();
    kvtest::DeleteTree(root);
    ASSERT_TRUE(CreateDirectoryA(root.c_str(), NULL));
    ASSERT_TRUE(CreateDirectoryA(dest.c_str(), NULL));
    PlaceOldVersion(dest);
    std::vector<std::string> names = ProductFileNames();
    for (const std::string& name : names)
        ASSERT_TRUE(SetFileAttributesA((dest + "\\" + name).c_str(), FILE_ATTRIBUTE_READONLY));
    CountScenario();
    CountFaults((int)names.size());
    Sandbox box("readonly-files");
    RunResult run = box.RunWith(SilentOptions(dest));
    ASSERT_TRUE(EndedCleanly(run));
    EXPECT_EQ((DWORD)EXIT_RESTART_NEEDED, run.exitCode) << box.SetupLog();
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        std::string path = dest + "\\" + name;
        bool isNew = FileExists(path) && ReadFile(path) == NewVersion(name.c_str());
        EXPECT_TRUE(isNew);
        if (!isNew)
            CountLost();
        EXPECT_EQ(0u, GetFileAttributesA(path.c_str()) & FILE_ATTRIBUTE_READONLY);
    }
    EXPECT_FALSE(FileExists(dest + "\\" KV_SCRATCH_NAME));
    for (const std::string& name : ListTree(dest))
        EXPECT_EQ(std::string::npos, name.find(".bak")) << name;
    EXPECT_EQ(dest, kvtest::WinIni("DIR"));
    RemoveInstalled(box, root);
}

namespace
{

} // namespace

// Destinations near and past the path limit: a folder whose every product file's path fits
// gets the whole product, recorded with its full path; a longer one is refused before
// anything is made, with the reason in the log.
TEST(LongPath, DestinationsInstallWholeOrAreRefused)
{
    const std::string root = "C:\\KV Faults Long";
    struct Row {
        size_t length;
        const char* refusal; // the reason logged, nullptr when it installs
    } rows[] = {
        { 200, nullptr },
        { 259, "too long a path for the product's files to fit inside it" },
        { 260, "longer than a path may be" }, // a path holds at most MAX_PATH - 1
        { 300, "longer than a path may be" },
    };
    for (const Row& r : rows) {
        std::string dest = kvtest::FolderOfLength(root, r.length);
        ASSERT_EQ(r.length, dest.size());
        SCOPED_TRACE(r.length);
        kvtest::RemoveProductState();
        kvtest::DeleteTree(root);
        CountScenario();
        CountFaults();
        Sandbox box("longpath");
        RunResult run = box.RunWith(SilentOptions(dest));
        ASSERT_TRUE(EndedCleanly(run));
        std::string log = box.SetupLog();
        if (r.refusal) {
            EXPECT_EQ((DWORD)EXIT_INSTALL_FAILED, run.exitCode) << log;
            std::vector<std::string> refused = LinesStartingWith(log, "Refused DestDir \"" + dest + "\": ");
            EXPECT_EQ(1u, refused.size()) << log;
            if (!refused.empty()) {
                EXPECT_EQ(r.refusal, refused[0].substr(refused[0].rfind(": ") + 2));
            }
            EXPECT_FALSE(FileExists(root)) << "nothing is made";
            EXPECT_EQ("<missing>", kvtest::WinIni("DIR"));
            EXPECT_EQ("<missing>", kvtest::WinIni("DEFDIR"));
            EXPECT_FALSE(kvtest::RegKeyExists(HKEY_LOCAL_MACHINE, kUninstallEntryKey));
            EXPECT_FALSE(FileExists(kvtest::GroupFolder("KORVID Pro")));
        } else {
            EXPECT_EQ((DWORD)EXIT_RESTART_NEEDED, run.exitCode) << log;
            for (const std::string& name : ProductFileNames()) {
                bool isNew = ReadFile(dest + "\\" + name) == NewVersion(name.c_str());
                EXPECT_TRUE(isNew) << name;
            }
            EXPECT_EQ(dest, kvtest::WinIni("DIR"));
            EXPECT_EQ(dest, kvtest::WinIni("DEFDIR"));
            EXPECT_EQ("\"" + dest + "\\unkv32.exe\" -f " + dest + " -d " + dest + " -g KORVID Pro",
                      kvtest::UninstallValue("UninstallString"));
            EXPECT_NE(std::string::npos,
                      kvtest::RegString(HKEY_LOCAL_MACHINE,
                                        "Software\\Microsoft\\Windows\\CurrentVersion\\Run",
                                        "KORVID Queue Scheduler")
                          .find("\"" + dest + "\\kvsched.exe\""));
            EXPECT_FALSE(kvtest::GroupItems("KORVID Pro").empty());
            EXPECT_FALSE(FileExists(dest + "\\" KV_SCRATCH_NAME));
        }
        RemoveInstalled(box, root);
    }
}
