// Placing one file: resource bytes, LZ expansion, the product INI from its template, and
// InstallFile's failure handling and in-use handling, against real files under Wine.
#include <gtest/gtest.h>
#include <ctype.h>
#include <direct.h>
#include <stdio.h>
#include <string.h>
#include "engine/engine.h"
#include "wizard/wizard.h"
#include "support/machine.h"
#include "support/product_state.h"

namespace
{

const char kSampleTemplate[] =
    "[First]\r\nFILENAME=$$\\original.ini\r\n\r\nBOTH=$$;$$\r\nEND=x$$\r\nplain line\r\nLAST=$$";
const char kSzddMagic[] = "SZDD\x88\xF0\x27\x33";

} // namespace

TEST(PlacementNames, AlternateNameReplacesTheProgramExtension)
{
    struct Row {
        const char* target;
        const char* suffix;
        const char* alternate;
    } rows[] = {
        { "C:\\Dest\\kvpro32.dll", ".bak", "C:\\Dest\\kvpro32.bak" },
        { "C:\\Dest\\kv95pro.exe", ".new", "C:\\Dest\\kv95pro.new" },
        { "C:\\Dest\\a.dll.exe", ".bak", "C:\\Dest\\a.bak" },
        { "C:\\Dest\\a.exe.dll", ".bak", "C:\\Dest\\a.exe.bak" },
        { "C:/Dest/kvfind.exe", ".new", "C:/Dest/kvfind.new" },
        { "C:\\tools.dll\\kvfind.exe", ".bak", "C:\\tools.dll\\kvfind.bak" },
        // Not programs: other extensions, capitals, and a program-like folder name.
        { "C:\\Dest\\kvpro32.hlp", ".bak", NULL },
        { "C:\\Dest\\KVPRO32.DLL", ".bak", NULL },
        { "C:\\tools.exe\\kvpro32.hlp", ".bak", NULL },
        { "C:\\tools.dll\\", ".bak", NULL },
    };
    // A refusal leaves the buffer empty, whatever it held before.
    for (const Row& r : rows) {
        SCOPED_TRACE(r.target);
        char out[64] = "stale";
        EXPECT_EQ(r.alternate != NULL, AlternateFileName(out, sizeof out, r.target, r.suffix));
        EXPECT_STREQ(r.alternate ? r.alternate : "", out);
    }
    // Too long for the buffer, by the kept part or by the suffix.
    char small[16] = "stale";
    EXPECT_FALSE(AlternateFileName(small, sizeof small, "C:\\Dest\\kvpro32.dll", ".bak"));
    EXPECT_STREQ("", small);
    char tight[16] = "stale";
    EXPECT_FALSE(AlternateFileName(tight, sizeof tight, "C:\\kvpro32.dll", ".backup"));
    EXPECT_STREQ("", tight);
}

// The payload's checksum is the CRC-32 of zip and gzip.
TEST(PlacementNames, Crc32OfKnownTexts)
{
    EXPECT_EQ(0xCBF43926u, Crc32("123456789", 9));
    EXPECT_EQ(0u, Crc32("", 0));
    EXPECT_EQ(0xE8B7BE43u, Crc32("a", 1));
}

TEST(PlacementNames, PlaceholderIsReplacedEverywhereWithinBounds)
{
    struct Row {
        const char* line;
        const char* placeholder;
        const char* expected;
    } rows[] = {
        { "FILENAME=$$\\original.ini\n", "$$", "FILENAME=C:\\Dest\\original.ini\n" },
        { "BOTH=$$;$$\n", "$$", "BOTH=C:\\Dest;C:\\Dest\n" },
        { "$$", "$$", "C:\\Dest" },
        { "$$$", "$$", "C:\\Dest$" },
        { "[MySites]\n", "$$", "[MySites]\n" },
        { "keep $$\n", "", "keep $$\n" },
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.line);
        char out[128];
        EXPECT_TRUE(SubstitutePlaceholder(out, sizeof out, r.line, r.placeholder, "C:\\Dest"));
        EXPECT_STREQ(r.expected, out);
    }
    // The replacement is not searched again.
    char out[64];
    EXPECT_TRUE(SubstitutePlaceholder(out, sizeof out, "a$$b", "$$", "<$$>"));
    EXPECT_STREQ("a<$$>b", out);

    // The result must fit the buffer, terminator included.
    std::string folder(10, 'f');
    EXPECT_TRUE(SubstitutePlaceholder(out, 24, "X=$$\\$$", "$$", folder.c_str()));
    EXPECT_EQ(23u, strlen(out));
    EXPECT_FALSE(SubstitutePlaceholder(out, 23, "X=$$\\$$", "$$", folder.c_str()));
    EXPECT_FALSE(SubstitutePlaceholder(out, 23, "X=$$ and a long tail", "$$", folder.c_str()));
}

class Placement : public testing::Test
{
protected:
    void SetUp() override
    {
        workDir_ = kvtest::MakeScratchFolder("work");
        work_ = workDir_ + "\\";
        dest_ = kvtest::MakeScratchFolder("dest");
        char unique[MAX_PATH];
        ASSERT_NE(0u, GetTempFileNameA(workDir_.c_str(), "KVD", 0, unique));
        StrCopy(g_szStagingName, sizeof g_szStagingName, strrchr(unique, '\\') + 1);
        staging_ = work_ + g_szStagingName;
        ASSERT_EQ(0, _chdir(workDir_.c_str()));

        g_bWinNT = 1;
        g_bSilent = 0;
        g_bAllowReboot = 0;
        g_bRestartNeeded = 0;
        g_bLogging = 0;
        kvtest::DeleteOxtavineValues(kvtest::kRunOnce);
        kvtest::DeleteOxtavineValues(kvtest::kRunServicesOnce);
    }

    void TearDown() override
    {
        saved_.Restore();
        Unlock();
        FreeInUse();
        if (templates_)
            FreeLibrary(templates_);
        kvtest::DeleteTree(workDir_);
        kvtest::DeleteTree(dest_);
        kvtest::DeleteOxtavineValues(kvtest::kRunOnce);
        kvtest::DeleteOxtavineValues(kvtest::kRunServicesOnce);
    }

    // Holds a file open without sharing, until Unlock or the end of the test.
    void Lock(const std::string& path, DWORD access, DWORD disposition)
    {
        lock_ = CreateFileA(path.c_str(), access, 0, NULL, disposition, 0, NULL);
        ASSERT_NE(INVALID_HANDLE_VALUE, lock_);
    }
    void Unlock()
    {
        if (lock_ != INVALID_HANDLE_VALUE)
            CloseHandle(lock_);
        lock_ = INVALID_HANDLE_VALUE;
    }
    // Loads a library from the destination, so its file is in use until the test ends.
    HMODULE LoadInUse(const char* name)
    {
        HMODULE library = LoadLibraryA(Dest(name).c_str());
        if (library)
            libraries_.push_back(library);
        return library;
    }
    void FreeInUse()
    {
        for (HMODULE library : libraries_)
            FreeLibrary(library);
        libraries_.clear();
    }

    // The tests' own template module: INIFILE1 is empty, INIFILE2 the sample template.
    HMODULE Templates()
    {
        if (!templates_)
            templates_ = LoadLibraryA(TemplatesPath().c_str());
        EXPECT_TRUE(templates_ != NULL);
        return templates_;
    }
    static std::string TemplatesPath()
    {
        return kvtest::WinePath(KV_TEST_TEMPLATES_UNIX);
    }
    std::string Dest(const char* name) const
    {
        return dest_ + "\\" + name;
    }
    std::string Log() const
    {
        return kvtest::ReadFile(work_ + "setup.log");
    }

    std::string workDir_, work_, dest_, staging_;
    HMODULE templates_ = NULL;
    HANDLE lock_ = INVALID_HANDLE_VALUE;
    std::vector<HMODULE> libraries_;

    kvtest::SavedRunState saved_;
};

TEST_F(Placement, ExpandFileCopiesPrefersPackedNameAndRefusesATargetInUse)
{
    // A file that is not packed is copied unchanged; the buffer keeps its name.
    KV_WRITE_FILE(work_ + "plain.txt", "hello\r\n");
    char source[MAX_PATH];
    StrCopy(source, sizeof source, (work_ + "plain.txt").c_str());
    EXPECT_EQ(1, ExpandFile(source, Dest("out.txt").c_str()));
    EXPECT_EQ("hello\r\n", kvtest::ReadFile(Dest("out.txt")));
    EXPECT_EQ(work_ + "plain.txt", source);

    // The packed name (last character '_') is opened first, and stays in the buffer.
    KV_WRITE_FILE(work_ + "both.txt", "plain");
    KV_WRITE_FILE(work_ + "both.tx_", "packed");
    StrCopy(source, sizeof source, (work_ + "both.txt").c_str());
    EXPECT_EQ(1, ExpandFile(source, Dest("both.txt").c_str()));
    EXPECT_EQ("packed", kvtest::ReadFile(Dest("both.txt")));
    EXPECT_EQ(work_ + "both.tx_", source);

    // The same file, named with other capitals: nothing is done.
    StrCopy(source, sizeof source, Dest("OUT.TXT").c_str());
    EXPECT_EQ(1, ExpandFile(source, Dest("out.txt").c_str()));
    EXPECT_EQ("hello\r\n", kvtest::ReadFile(Dest("out.txt")));

    // A missing or empty source fails.
    StrCopy(source, sizeof source, (work_ + "missing.txt").c_str());
    EXPECT_EQ(0, ExpandFile(source, Dest("missing.txt").c_str()));
    KV_WRITE_FILE(work_ + "empty.txt", "");
    StrCopy(source, sizeof source, (work_ + "empty.txt").c_str());
    EXPECT_EQ(0, ExpandFile(source, Dest("empty.txt").c_str()));

    // A target that cannot be opened for writing fails with the sharing violation, and
    // no file under the packed name ("kvpro32.dl_") appears in its place.
    KV_WRITE_FILE(Dest("kvpro32.dll"), "old");
    Lock(Dest("kvpro32.dll"), GENERIC_READ, OPEN_EXISTING);
    StrCopy(source, sizeof source, (work_ + "plain.txt").c_str());
    EXPECT_EQ(0, ExpandFile(source, Dest("kvpro32.dll").c_str()));
    EXPECT_EQ((DWORD)ERROR_SHARING_VIOLATION, GetLastError());
    Unlock();
    EXPECT_EQ("old", kvtest::ReadFile(Dest("kvpro32.dll")));
    EXPECT_FALSE(kvtest::FileExists(Dest("kvpro32.dl_")));

    // Targets longer than the old 128-character limit of OpenFile work up to 260.
    std::string deep = dest_ + "\\" + std::string(200 - dest_.size(), 'd');
    ASSERT_TRUE(CreateDirectoryA(deep.c_str(), NULL));
    std::string target = deep + "\\kvpro32.hlp";
    ASSERT_GT(target.size(), 200u);
    StrCopy(source, sizeof source, (work_ + "plain.txt").c_str());
    EXPECT_EQ(1, ExpandFile(source, target.c_str()));
    EXPECT_EQ("hello\r\n", kvtest::ReadFile(target));
}

TEST_F(Placement, ResourceBytesAndTemplatesFromTheirResources)
{
    HMODULE module = Templates();
    ASSERT_TRUE(module);
    g_hInstance = module;

    // The resource's bytes land unchanged, with or without a trailing backslash.
    EXPECT_EQ(1, WriteResourceToFile(module, 49, workDir_.c_str(), "one.ini"));
    EXPECT_EQ(kSampleTemplate, kvtest::ReadFile(work_ + "one.ini"));
    KV_WRITE_FILE(work_ + "two.ini", "to be replaced by a longer or shorter text");
    EXPECT_EQ(1, WriteResourceToFile(module, 49, work_.c_str(), "two.ini"));
    EXPECT_EQ(kSampleTemplate, kvtest::ReadFile(work_ + "two.ini"));
    EXPECT_EQ(0, WriteResourceToFile(module, 6, work_.c_str(), "absent.dll"));
    EXPECT_EQ(0, WriteResourceToFile(module, 0, work_.c_str(), "kv95pro.exe"));
    EXPECT_FALSE(kvtest::FileExists(work_ + "kv95pro.exe"));

    // Every placeholder carries the destination folder; other lines pass unchanged, and the
    // staged copy of the template goes.
    std::string ini = Dest("KORVID.ini");
    EXPECT_EQ(0, WriteIniFromTemplate(work_.c_str(), ini.c_str(), "$$", dest_.c_str(), 49));
    std::string d = dest_;
    EXPECT_EQ("[First]\r\nFILENAME=" + d + "\\original.ini\r\n\r\nBOTH=" + d + ";" + d + "\r\nEND=x" + d
                  + "\r\nplain line\r\nLAST=" + d,
              kvtest::ReadFile(ini));
    EXPECT_FALSE(kvtest::FileExists(staging_));

    // An empty template, a line that would not fit 1024 characters, and a missing
    // resource fail, and leave no product INI behind.
    struct Row {
        const char* what;
        int index;
        std::string replacement;
    } rows[] = {
        { "empty template", 48, dest_ },
        { "line too long", 49, std::string(520, 'x') },
        { "no resource", 6, dest_ },
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        DeleteFileA(ini.c_str());
        EXPECT_EQ(-1, WriteIniFromTemplate(work_.c_str(), ini.c_str(), "$$", r.replacement.c_str(), r.index));
        EXPECT_FALSE(kvtest::FileExists(ini));
        EXPECT_FALSE(kvtest::FileExists(staging_));
    }
}

TEST_F(Placement, FailedFileIsSilentOrLoggedOrAsksRetryCancel)
{
    // Row 6 is absent from the package: its placement fails.
    int boxes = 0;
    {
        kvtest::BoxDriver driver("Install", [&](const std::string&) {
            boxes++;
            return IDCANCEL;
        });
        EXPECT_EQ(1, InstallFile(work_.c_str(), "kvini.dll", dest_.c_str(), NULL, NULL, 6, 0));
    }
    EXPECT_EQ(0, boxes);

    // Silent: the progress text and the failure go to the log, no box.
    g_bSilent = 1;
    g_bLogging = 1;
    {
        kvtest::BoxDriver driver("Install", [&](const std::string&) {
            boxes++;
            return IDCANCEL;
        });
        EXPECT_EQ(1, InstallFile(work_.c_str(), "kvini.dll", dest_.c_str(), NULL, NULL, 6, 1));
        // A file the product can do without asks nothing, but leaves its line.
        EXPECT_EQ(1, InstallFile(work_.c_str(), "kvini.dll", dest_.c_str(), NULL, NULL, 6, 0));
    }
    EXPECT_EQ(0, boxes);
    std::string failed = "Copy of kvini.dll to " + dest_ + " failed. (1814)";
    std::string copying = "Copying " + work_ + "kvini.dll to " + dest_ + "\\kvini.dll\r\n";
    EXPECT_EQ(copying + failed + "\r\n" + copying + "Optional file kvini.dll not placed in " + dest_
                  + " (1814)\r\n",
              Log());

    // Interactive: the wizard's box asks; Retry tries again, Cancel gives up.
    g_bSilent = 0;
    kvtest::BoxDriver driver("Install",
                             [&](const std::string&) { return ++boxes == 1 ? IDRETRY : IDCANCEL; });
    EXPECT_EQ(1, InstallFile(work_.c_str(), "kvini.dll", dest_.c_str(), NULL, NULL, 6, 1, &kPageQuestions));
    EXPECT_EQ(std::vector<std::string>({ failed, failed }), driver.Texts());
    EXPECT_FALSE(kvtest::FileExists(Dest("kvini.dll")));
}

TEST_F(Placement, NonProgramFileThatCannotBeWrittenFailsWithoutInUseHandling)
{
    g_hInstance = Templates();
    Lock(Dest("kvpro32.hlp"), GENERIC_WRITE, CREATE_ALWAYS);

    g_bSilent = 1;
    g_bLogging = 1;
    g_bAllowReboot = 1;
    EXPECT_EQ(1, InstallFile(work_.c_str(), "kvpro32.hlp", dest_.c_str(), NULL, NULL, 49, 1));
    EXPECT_NE(std::string::npos, Log().find("Copy of kvpro32.hlp to " + dest_ + " failed. (32)\r\n"))
        << Log();
    EXPECT_EQ(std::vector<std::string>({ "kvpro32.hlp" }), kvtest::ListFiles(dest_));
    EXPECT_TRUE(kvtest::KeyValues(kvtest::kRunOnce).count("Oxtavine0") == 0);
    EXPECT_TRUE(kvtest::KeyValues(kvtest::kRunServicesOnce).count("Oxtavine0") == 0);
    EXPECT_EQ(0, g_bRestartNeeded);
    EXPECT_FALSE(kvtest::FileExists(staging_));

    // Interactive: the file is freed while the box is up, and Retry places it.
    g_bSilent = 0;
    int boxes = 0;
    kvtest::BoxDriver driver("Install", [&](const std::string&) {
        if (++boxes > 1)
            return IDCANCEL;
        Unlock();
        return IDRETRY;
    });
    EXPECT_EQ(0,
              InstallFile(work_.c_str(), "kvpro32.hlp", dest_.c_str(), NULL, NULL, 49, 1, &kPageQuestions));
    EXPECT_EQ(std::vector<std::string>({ "Copy of kvpro32.hlp to " + dest_ + " failed. (32)" }),
              driver.Texts());
    EXPECT_EQ(kSampleTemplate, kvtest::ReadFile(Dest("kvpro32.hlp")));
}

// The rows that the package carries as plain text, and the files they come from.
static std::string SourceOf(int index, const char* installedName)
{
    if (index == MANIFEST_PRODUCT_INI)
        return kvtest::PayloadFile("templates\\KORVID.ini");
    if (index == MANIFEST_INSTALL_INI)
        return kvtest::PayloadFile("templates\\Install.ini");
    return kvtest::PayloadFile(installedName);
}

TEST_F(Placement, EveryPackedResourceExpandsToItsSource)
{
    int placed = 0;
    for (const auto& g : kvtest::kFileGroups) {
        for (int p = 0; p < g.count; p++) {
            int index = g.base + p;
            const char* name = g.rows[p].installedName;
            SCOPED_TRACE(name);
            if (!FileManifest[index].resourceName) {
                EXPECT_EQ(1, InstallFile(work_.c_str(), name, dest_.c_str(), NULL, NULL, index, 0));
                EXPECT_FALSE(kvtest::FileExists(Dest(name)));
                continue;
            }
            std::string resource = kvtest::ResourceBytes(g_hInstance, FileManifest[index].resourceName);
            ASSERT_FALSE(resource.empty()) << "resource " << FileManifest[index].resourceName;
            if (index != MANIFEST_PRODUCT_INI) {
                EXPECT_EQ(0, resource.compare(0, 8, kSzddMagic, 8)) << "not SZDD packed";
            }
            std::string source = kvtest::ReadFile(SourceOf(index, name));
            ASSERT_FALSE(source.empty()) << SourceOf(index, name);
            EXPECT_EQ(0, InstallFile(work_.c_str(), name, dest_.c_str(), NULL, NULL, index, 1));
            EXPECT_TRUE(kvtest::ReadFile(Dest(name)) == source) << "differs from its source";
            EXPECT_FALSE(kvtest::FileExists(staging_));
            placed++;
        }
    }
    EXPECT_EQ(47, placed);

    // The options template is written unchanged into a folder, replacing a file there.
    KV_WRITE_FILE(work_ + "Install.ini", "stale");
    EXPECT_EQ(1, WriteResourceToFile(g_hInstance, MANIFEST_INSTALL_INI, workDir_.c_str(), "Install.ini"));
    EXPECT_EQ(kvtest::ReadFile(SourceOf(MANIFEST_INSTALL_INI, NULL)),
              kvtest::ReadFile(work_ + "Install.ini"));
    EXPECT_EQ(0u, GetFileAttributesA((work_ + "Install.ini").c_str()) & FILE_ATTRIBUTE_READONLY);
}

TEST_F(Placement, ProductIniPointsEverySiteFileIntoTheDestination)
{
    std::string ini = Dest("KORVID.ini");
    ASSERT_EQ(0, WriteIniFromTemplate(work_.c_str(), ini.c_str(), "$$", dest_.c_str(), MANIFEST_PRODUCT_INI));
    struct Row {
        const char* section;
        const char* file;
    } rows[] = {
        { "MySites", "original.ini" },
        { "Hardware", "hwsites.ini" },
        { "Online Services", "olsites.ini" },
        { "Anti-Virus", "avsites.ini" },
        { "Games", "gmsites.ini" },
        { "Oxtavine", "oxsites.ini" },
        { "Archives and Mirrors", "arsites.ini" },
        { "Software", "swsites.ini" },
        { "US Government", "gvsites.ini" },
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.section);
        char value[MAX_PATH] = "";
        GetPrivateProfileStringA(r.section, "FILENAME", "", value, sizeof value, ini.c_str());
        EXPECT_EQ(kvtest::Lower(dest_ + "\\" + r.file), kvtest::Lower(value));
    }
    char value[64] = "";
    GetPrivateProfileStringA("_config_", "MAILADDR", "", value, sizeof value, ini.c_str());
    EXPECT_STREQ("qlmrx66@", value);
    EXPECT_EQ(std::string::npos, kvtest::ReadFile(ini).find("$$"));
    EXPECT_FALSE(kvtest::FileExists(staging_));
}

TEST_F(Placement, FilesInUseOnNTAreMovedAsideToBak)
{
    // A running program: the old version is the same program with bytes appended, which
    // it does not read.
    std::string programBytes = kvtest::ReadFile(kvtest::PayloadFile("kv95pro.exe"));
    ASSERT_FALSE(programBytes.empty());
    KV_WRITE_FILE(Dest("kv95pro.exe"), programBytes + "old version");
    kvtest::RunningProgram program(Dest("kv95pro.exe"));
    ASSERT_TRUE(program.Running());

    EXPECT_EQ(0, InstallFile(work_.c_str(), "kv95pro.exe", dest_.c_str(), NULL, NULL, 0, 1));
    EXPECT_TRUE(programBytes + "old version" == kvtest::ReadFile(Dest("kv95pro.bak")));
    EXPECT_TRUE(programBytes == kvtest::ReadFile(Dest("kv95pro.exe")));
    EXPECT_EQ(1, g_bRestartNeeded);
    EXPECT_TRUE(program.Running());
    program.End();

    // A loaded library, in a silent run without ALLOWRBT: placed the same way, but no
    // restart is asked for.
    HMODULE module = Templates();
    ASSERT_TRUE(CopyFileA(TemplatesPath().c_str(), Dest("kvpro32.dll").c_str(), FALSE));
    ASSERT_TRUE(LoadInUse("kvpro32.dll"));
    g_hInstance = module;
    g_bSilent = 1;
    g_bRestartNeeded = 0;
    EXPECT_EQ(0, InstallFile(work_.c_str(), "kvpro32.dll", dest_.c_str(), NULL, NULL, 49, 1));
    EXPECT_TRUE(kvtest::ReadFile(TemplatesPath()) == kvtest::ReadFile(Dest("kvpro32.bak")));
    EXPECT_EQ(kSampleTemplate, kvtest::ReadFile(Dest("kvpro32.dll")));
    EXPECT_EQ(0, g_bRestartNeeded);
    EXPECT_FALSE(kvtest::FileExists(staging_));
    EXPECT_EQ(0u, kvtest::KeyValues(kvtest::kRunOnce).count("Oxtavine0"));
    FreeInUse();
}

TEST_F(Placement, FilesInUseOn95WaitAsNewUntilTheRestartCopies)
{
    g_bWinNT = 0;
    std::string programBytes = kvtest::ReadFile(kvtest::PayloadFile("kv95pro.exe"));
    ASSERT_FALSE(programBytes.empty());
    KV_WRITE_FILE(Dest("kv95pro.exe"), programBytes + "old version");
    kvtest::RunningProgram program(Dest("kv95pro.exe"));
    ASSERT_TRUE(program.Running());

    HMODULE module = Templates();
    ASSERT_TRUE(CopyFileA(TemplatesPath().c_str(), Dest("kvpro32.dll").c_str(), FALSE));
    ASSERT_TRUE(LoadInUse("kvpro32.dll"));
    std::string libraryBytes = kvtest::ResourceBytes(module, "INIFILE2");
    auto runOnce = kvtest::KeyValues(kvtest::kRunOnce);

    EXPECT_EQ(0, InstallFile(work_.c_str(), "kv95pro.exe", dest_.c_str(), NULL, NULL, 0, 1));
    HINSTANCE setupModule = g_hInstance;
    g_hInstance = module;
    EXPECT_EQ(0, InstallFile(work_.c_str(), "kvpro32.dll", dest_.c_str(), NULL, NULL, 49, 1));
    g_hInstance = setupModule;

    EXPECT_TRUE(programBytes == kvtest::ReadFile(Dest("kv95pro.new")));
    EXPECT_TRUE(libraryBytes == kvtest::ReadFile(Dest("kvpro32.new"))) << Dest("kvpro32.new");
    EXPECT_EQ(1, g_bRestartNeeded);
    auto commands = kvtest::KeyValues(kvtest::kRunServicesOnce);
    EXPECT_EQ("command.com /c copy \"" + kvtest::ShortPath(Dest("kv95pro.new")) + "\" \""
                  + kvtest::ShortPath(Dest("kv95pro.exe")) + "\"",
              kvtest::TextOf(commands["Oxtavine0"]));
    EXPECT_EQ("command.com /c copy \"" + kvtest::ShortPath(Dest("kvpro32.new")) + "\" \""
                  + kvtest::ShortPath(Dest("kvpro32.dll")) + "\"",
              kvtest::TextOf(commands["Oxtavine1"]));
    EXPECT_EQ(runOnce, kvtest::KeyValues(kvtest::kRunOnce));

    // The restart: the files are free again, and the stored commands run through the
    // stand-in command.com.
    program.End();
    FreeInUse();
    {
        kvtest::StandInShell shell(kvtest::WinePath(KV_COMMAND_SHIM_UNIX));
        kvtest::Restart();
        for (const auto& file : { std::make_pair(Dest("kv95pro.exe"), programBytes),
                                  std::make_pair(Dest("kvpro32.dll"), libraryBytes) })
            EXPECT_TRUE(kvtest::WaitUntil([&] { return kvtest::ReadFile(file.first) == file.second; }))
                << file.first;
    }

    commands = kvtest::KeyValues(kvtest::kRunServicesOnce);
    EXPECT_EQ(0u, commands.count("Oxtavine0") + commands.count("Oxtavine1"));
}

// Windows 95 and 98 replace a file through a backup of the earlier one. Whatever fails, and
// wherever, the earlier file stays whole at its name: a target in use is not touched, and a
// new file that cannot move after the earlier one went aside (held open here without
// delete sharing) brings the earlier one back. No backup of the run's own is left in any
// case, and a file that already had the backup's name is never taken.
TEST_F(Placement, ReplacingThroughABackupKeepsTheEarlierFileOnEveryFailure)
{
    enum Block { NONE, READ_ONLY, TARGET_OPEN, NEW_OPEN };
    struct Row {
        const char* what;
        bool earlier;
        Block block;
        bool staleBackup;
        int result;
    } rows[] = {
        { "no earlier file", false, NONE, false, 1 },
        { "earlier file", true, NONE, false, 1 },
        { "read-only earlier file", true, READ_ONLY, false, 1 },
        { "a file with the backup's name", true, NONE, true, 1 },
        { "earlier file open elsewhere", true, TARGET_OPEN, false, 0 },
        { "new file cannot move", true, NEW_OPEN, false, 0 },
    };
    const std::string target = Dest("kvpro32.hlp"), fresh = Dest("fresh.tmp"), backup = Dest(KV_BACKUP_NAME);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        SetFileAttributesA(target.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(target.c_str());
        KV_WRITE_FILE(fresh, "new text");
        if (row.earlier)
            KV_WRITE_FILE(target, "earlier text");
        if (row.staleBackup)
            KV_WRITE_FILE(backup, "stale");
        if (row.block == READ_ONLY)
            SetFileAttributesA(target.c_str(), FILE_ATTRIBUTE_READONLY);
        if (row.block == TARGET_OPEN)
            Lock(target, GENERIC_READ, OPEN_EXISTING);
        if (row.block == NEW_OPEN)
            Lock(fresh, GENERIC_READ, OPEN_EXISTING);

        EXPECT_EQ(row.result, ReplaceKeepingBackup(fresh.c_str(), target.c_str()));
        DWORD error = GetLastError();
        Unlock();
        if (row.result) {
            EXPECT_EQ("new text", kvtest::ReadFile(target));
            EXPECT_FALSE(kvtest::FileExists(fresh));
        } else {
            EXPECT_EQ((DWORD)ERROR_SHARING_VIOLATION, error);
            EXPECT_EQ("earlier text", kvtest::ReadFile(target));
            EXPECT_EQ("new text", kvtest::ReadFile(fresh));
        }
        // A file that already had the backup's name is not this run's: it stays as it was,
        // and no backup of this run's is left under another name.
        if (row.staleBackup)
            EXPECT_EQ("stale", kvtest::ReadFile(backup));
        else
            EXPECT_FALSE(kvtest::FileExists(backup));
        EXPECT_FALSE(kvtest::FileExists(Dest("kvswap1.bak")));
        DeleteFileA(backup.c_str());
        DeleteFileA(fresh.c_str());
    }

    // A placement on Windows 98 takes this way: the earlier file is replaced, and neither
    // the scratch file nor a backup of the run's stays.
    g_bWinNT = 0;
    g_bSilent = 1;
    SetFileAttributesA(target.c_str(), FILE_ATTRIBUTE_NORMAL);
    KV_WRITE_FILE(Dest("kv95pro.exe"), "earlier program");
    KV_WRITE_FILE(backup, "stale");
    EXPECT_EQ(0, InstallFile(work_.c_str(), "kv95pro.exe", dest_.c_str(), NULL, NULL, 0, 1));
    EXPECT_TRUE(kvtest::ReadFile(kvtest::PayloadFile("kv95pro.exe"))
                == kvtest::ReadFile(Dest("kv95pro.exe")));
    // The file that had the backup's name is not the run's: it stays, and the run's own
    // backup under the next name is gone.
    EXPECT_EQ("stale", kvtest::ReadFile(backup));
    EXPECT_FALSE(kvtest::FileExists(Dest("kvswap1.bak")));
    EXPECT_FALSE(kvtest::FileExists(Dest(KV_SCRATCH_NAME)));
    EXPECT_EQ(0, g_bRestartNeeded);
}
