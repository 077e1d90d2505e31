// Files in use at every kind of row at once: a running product program, a loaded product
// library, help files and INI files held open by another program that denies writing and
// deleting. An update and a removal run over them on the NT road, and an update and a
// removal over a running program on the Windows 98 road; after the files are released and
// the machine restarts, every file is whole and new (install) or gone (removal).
#include <gtest/gtest.h>
#include <memory>
#include "faults/faults.h"
#include "support/product_state.h"
#include "support/machine.h"

using namespace kve2e;
using namespace kvfaults;
using kvtest::FileExists;
using kvtest::ReadFile;

namespace
{

// A file opened by the test with only reading shared: it can be neither written, deleted
// nor renamed while held.
class HeldFile
{
public:
    explicit HeldFile(const std::string& path)
        : handle_(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL))
    {
    }
    ~HeldFile()
    {
        Release();
    }
    bool Held() const
    {
        return handle_ != INVALID_HANDLE_VALUE;
    }
    void Release()
    {
        if (Held())
            CloseHandle(handle_);
        handle_ = INVALID_HANDLE_VALUE;
    }

private:
    HANDLE handle_;
};

// An earlier copy of a program or library that still runs or loads: the new bytes with
// text after them.
std::string OldBinary(const std::string& name)
{
    return NewVersion(name.c_str()) + "earlier version";
}

class InUse : public kvtest::ProductFolder
{
protected:
    InUse() : ProductFolder("Faults InUse")
    {
    }
    std::vector<HMODULE> libraries;

    void TearDown() override
    {
        for (HMODULE library : libraries)
            FreeLibrary(library);
        ProductFolder::TearDown();
    }

    void Install(Sandbox& box, const RunOptions& options = RunOptions())
    {
        RunResult run = KV_INSTALL_SILENTLY(box, SilentOptions(dest), EXIT_RESTART_NEEDED, options);
        ASSERT_TRUE(EndedCleanly(run));
        ASSERT_TRUE(RanSilently(run, EXIT_RESTART_NEEDED));
        kvtest::CloseExplorerWindows();
    }
    HMODULE Load(const std::string& name)
    {
        HMODULE library = LoadLibraryA(Dest(name).c_str());
        if (library)
            libraries.push_back(library);
        return library;
    }
    // Counts a product file that is neither the one version nor the other whole.
    void ExpectEither(const std::string& name, const std::string& older, const std::string& newer)
    {
        std::string text = ReadFile(Dest(name));
        bool whole = text == older || text == newer;
        EXPECT_TRUE(whole) << name;
        if (!whole)
            CountLost();
    }
};

bool Mentions(const std::vector<std::string>& commands, const std::string& text)
{
    for (const std::string& command : commands)
        if (command.find(text) != std::string::npos)
            return true;
    return false;
}

} // namespace

// NT: an update over a running program, a loaded library, held help files (an optional
// one, then a required one) and held INI files; then the removal over a running program,
// a loaded library, the update's backups still in use and the held help and INI files.
TEST_F(InUse, EveryKindOfRowOnNt)
{
    Sandbox box("inuse-nt");
    Install(box);

    // Earlier versions under every held file, so that old and new can be told apart.
    const std::vector<std::string> binaries = { "kv95pro.exe", "kvpro32.dll" };
    const std::vector<std::string> texts = { "kvscrpt.hlp", "KvPro32.cnt", "kvpro32.hlp", "KORVID.ini",
                                             "avsites.ini" };
    for (const std::string& name : binaries)
        KV_WRITE_FILE(Dest(name), OldBinary(name));
    for (const std::string& name : texts)
        KV_WRITE_FILE(Dest(name), OldVersion(name));
    std::map<std::string, std::string> before;
    for (const std::string& name : texts)
        before[name] = ReadFile(Dest(name));

    // (a) The update: one program, one library, an optional help file and its index, and two
    // INI files in use.
    CountScenario();
    CountFaults(6);
    auto program = std::make_unique<kvtest::RunningProgram>(Dest("kv95pro.exe"));
    ASSERT_TRUE(program->Running());
    ASSERT_TRUE(Load("kvpro32.dll") != NULL);
    {
        HeldFile help(Dest("kvscrpt.hlp")), index(Dest("KvPro32.cnt")), ini(Dest("KORVID.ini")),
            sites(Dest("avsites.ini"));
        ASSERT_TRUE(help.Held() && index.Held() && ini.Held() && sites.Held());
        ASSERT_TRUE(box.PlaceInstallIni(SilentOptions(dest)));
        RunResult run = box.Run();
        ASSERT_TRUE(EndedCleanly(run));
        kvtest::CloseExplorerWindows();
        // The program and the library were moved aside and the new ones put in their place;
        // the files held against writing keep their earlier version whole; the INI files
        // with the user's sites are kept by every update.
        EXPECT_EQ((DWORD)EXIT_RESTART_NEEDED, run.exitCode) << box.SetupLog();
        for (const std::string& name : binaries) {
            KV_EXPECT_KEPT(Dest(name), NewVersion(name.c_str()));
            std::string backup = Dest(name.substr(0, name.size() - 4) + ".bak");
            KV_EXPECT_KEPT(backup, OldBinary(name));
        }
        for (const char* name : { "kvscrpt.hlp", "KvPro32.cnt", "KORVID.ini", "avsites.ini" })
            KV_EXPECT_KEPT(Dest(name), before[name]);
        std::string log = box.SetupLog();
        EXPECT_NE(std::string::npos, log.find("kvscrpt.hlp")) << log;
        EXPECT_EQ(dest, kvtest::WinIni("DIR"));
        EXPECT_TRUE(DamagedProductFiles(dest).empty());
    }

    // (b) A second update while the required help file is held too: the failure path,
    // with the earlier installation still whole and still recorded.
    CountScenario();
    CountFaults(1);
    {
        before["kvpro32.hlp"] = ReadFile(Dest("kvpro32.hlp"));
        HeldFile help(Dest("kvpro32.hlp")), ini(Dest("KORVID.ini"));
        ASSERT_TRUE(help.Held() && ini.Held());
        ASSERT_TRUE(box.PlaceInstallIni(SilentOptions(dest)));
        RunResult run = box.Run();
        ASSERT_TRUE(EndedCleanly(run));
        kvtest::CloseExplorerWindows();
        std::string log = box.SetupLog();
        EXPECT_EQ((DWORD)EXIT_INSTALL_FAILED, run.exitCode) << log;
        EXPECT_NE(std::string::npos, log.find("kvpro32.hlp")) << log;
        KV_EXPECT_KEPT(Dest("kvpro32.hlp"), before["kvpro32.hlp"]);
        EXPECT_EQ(dest, kvtest::WinIni("DIR"));
        EXPECT_TRUE(DamagedProductFiles(dest).empty());
        for (const std::string& name : binaries)
            KV_EXPECT_KEPT(Dest(name), NewVersion(name.c_str()));
    }

    // (c) The removal: besides the earlier program and library still in use under ".bak",
    // a new program runs and a new library is loaded; help and INI files are held.
    CountScenario();
    CountFaults(8);
    ASSERT_NE("<missing>", kvtest::UninstallValue("UninstallString"));
    auto utility = std::make_unique<kvtest::RunningProgram>(Dest("kvscrpt.exe"));
    ASSERT_TRUE(utility->Running());
    ASSERT_TRUE(Load("kvsyncd.dll") != NULL);
    auto help = std::make_unique<HeldFile>(Dest("kvfind.hlp"));
    auto ini = std::make_unique<HeldFile>(Dest("KORVID.ini"));
    ASSERT_TRUE(help->Held() && ini->Held());
    RunResult run = RunUninstallString(box, " -s");
    ASSERT_TRUE(EndedCleanly(run));
    // Removed but for the held help file, which nothing will delete: the removal failed, and
    // the log names the file.
    EXPECT_EQ((DWORD)EXIT_INSTALL_FAILED, run.exitCode) << box.SetupLog();
    EXPECT_NE(std::string::npos, box.SetupLog().find("Not removed: " + Dest("kvfind.hlp"))) << box.SetupLog();
    EXPECT_EQ("<missing>", kvtest::WinIni("DIR"));
    std::vector<std::string> commands = kvtest::StoredRestartCommands();
    // Every file in use was renamed to "<name>.del" and its deletion stored for the restart;
    // the uninstaller ran from its copy, so its own file went at once.
    EXPECT_FALSE(FileExists(Dest("unkv32.exe")));
    EXPECT_FALSE(FileExists(Dest("unkv32.exe.del")));
    for (const char* name : { "kvscrpt.exe", "kvsyncd.dll", "kv95pro.bak", "kvpro32.bak" }) {
        std::string deferred = Dest(std::string(name) + ".del");
        EXPECT_TRUE(FileExists(deferred)) << deferred;
        EXPECT_TRUE(Mentions(commands, "del \"" + kvtest::ShortPath(deferred) + "\"")) << name;
    }
    for (const char* name : { "kvscrpt.exe", "kvsyncd.dll", "kv95pro.bak", "kvpro32.bak", "kv95pro.exe" })
        EXPECT_FALSE(FileExists(Dest(name))) << name;
    // The held help file can be neither deleted nor renamed: it stays.
    EXPECT_TRUE(FileExists(Dest("kvfind.hlp")));

    // The restart, once every file is free again.
    utility.reset();
    program.reset();
    help.reset();
    ini.reset();
    for (HMODULE library : libraries)
        FreeLibrary(library);
    libraries.clear();
    kvtest::Restart();
    std::vector<std::string> left = ListTree(dest);
    // A silent removal keeps the INI files that hold the user's sites; the help file that was
    // held through the removal is what else is left.
    for (const std::string& name : left) {
        bool kept = name == "kvfind.hlp"
            || (name.size() > 4 && _stricmp(name.c_str() + name.size() - 4, ".ini") == 0);
        EXPECT_TRUE(kept) << name;
    }
    EXPECT_TRUE(kvtest::StoredRestartCommands().empty());
}

// Windows 98: the update stages a running program as ".new" with a copy for the restart,
// and replaces every other file through a backup of the earlier one (a file that already had
// the backup's name stays); the removal before that restart stores the running program's
// deletion under its own name (Windows 98 can neither delete nor rename it); after the
// restart nothing of the product is left, and the staged copy did not bring the program
// back.
TEST_F(InUse, RunningProgramOnWindows98)
{
    Sandbox box("inuse-98");
    Install(box);
    KV_WRITE_FILE(Dest("kv95pro.exe"), OldBinary("kv95pro.exe"));
    KV_WRITE_FILE(Dest("kvpro32.dll"), OldBinary("kvpro32.dll"));
    KV_WRITE_FILE(Dest(KV_BACKUP_NAME), "left by a cut-off run");
    kvtest::StandInShell shell(kvtest::WinePath(KV_COMMAND_SHIM_UNIX));

    CountScenario();
    CountFaults(2);
    auto program = std::make_unique<kvtest::RunningProgram>(Dest("kv95pro.exe"));
    ASSERT_TRUE(program->Running());
    RunOptions options;
    // The uninstaller, whose Windows version the test does not set, takes Windows 98's rules
    // from the explicit setting.
    options.environment = { "OS=", "KV_OLD_SYSTEM=win98" };
    {
        WineVersion version("win98");
        ASSERT_TRUE(box.PlaceInstallIni(SilentOptions(dest)));
        RunResult run = box.Run(options);
        ASSERT_TRUE(EndedCleanly(run));
        kvtest::CloseExplorerWindows();
        EXPECT_EQ((DWORD)EXIT_RESTART_NEEDED, run.exitCode) << box.SetupLog();
    }
    KV_EXPECT_KEPT(Dest("kv95pro.exe"), OldBinary("kv95pro.exe"));
    KV_EXPECT_KEPT(Dest("kv95pro.new"), NewVersion("kv95pro.exe"));
    KV_EXPECT_KEPT(Dest("kvpro32.dll"), NewVersion("kvpro32.dll"));
    // The file that had the backup's name is not this run's: it stays.
    KV_EXPECT_KEPT(Dest(KV_BACKUP_NAME), "left by a cut-off run");
    EXPECT_FALSE(FileExists(Dest("kvswap1.bak")));
    EXPECT_FALSE(FileExists(Dest(KV_SCRATCH_NAME)));
    std::vector<std::string> commands = kvtest::StoredRestartCommands();
    EXPECT_TRUE(Mentions(commands, "command.com /c copy ")) << testing::PrintToString(commands);

    // The removal while the program still runs, before the restart.
    RunResult run = RunUninstallString(box, " -s", options);
    ASSERT_TRUE(EndedCleanly(run));
    EXPECT_EQ((DWORD)EXIT_RESTART_NEEDED, run.exitCode) << box.SetupLog();
    // Windows 98 neither deletes nor renames a running program: its deletion is stored
    // under its own name.
    EXPECT_TRUE(FileExists(Dest("kv95pro.exe")));
    EXPECT_FALSE(FileExists(Dest("kv95pro.exe.del")));
    EXPECT_FALSE(FileExists(Dest("unkv32.exe")));
    commands = kvtest::StoredRestartCommands();
    EXPECT_TRUE(Mentions(commands, "command.com /c del ")) << testing::PrintToString(commands);

    program.reset();
    kvtest::Restart();
    // The restart starts the stored commands without waiting for them: wait until the folder
    // holds only the INI files the removal keeps.
    auto onlyIniFiles = [&] {
        for (const std::string& name : ListTree(dest))
            if (name.size() <= 4 || _stricmp(name.c_str() + name.size() - 4, ".ini") != 0)
                return false;
        return true;
    };
    kvtest::WaitUntil(onlyIniFiles);
    for (const std::string& name : ListTree(dest))
        EXPECT_TRUE(name.size() > 4 && _stricmp(name.c_str() + name.size() - 4, ".ini") == 0) << name;
}
