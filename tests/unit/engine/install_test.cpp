// The install sequence run in this process, silently, into a scratch folder: what each
// install mask places and registers, the product INI's keep-or-install decision, a required
// file that cannot be placed, and the program group's items in Wine's Program Manager.
#include <gtest/gtest.h>
#include <algorithm>
#include <set>
#include "engine/engine.h"
#include "progman/progman.h"
#include "dialogs/dialogs.h"
#include "wizard/wizard.h"
#include "support/product_state.h"
#include "support/machine.h"

using namespace kvtest;

static const char kNamespace[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\%s\\Namespace\\%s";
static const char kExplorerClsid[] = "{5b1e0c72-3a94-4f6d-8e21-c7d09a3b4a01}";
static const char kClassicClsid[] = "{5b1e0c72-3a94-4f6d-8e21-c7d09a3b4a0a}";
static const char kSchedulerKey[] = "SOFTWARE\\Oxtavine\\KORVID\\Scheduler";
static const char kRunKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

class InstallSequence : public CleanMachine
{
protected:
    SavedRunState saved;
    std::string work, dest, payload;

    void SetUp() override
    {
        CleanMachine::SetUp();
        work = MakeScratchFolder("work") + "\\";
        dest = MakeScratchFolder("dest");
        payload = PayloadFolder();
        ASSERT_TRUE(PrepareSilentInstall(work));
    }

    void TearDown() override
    {
        CleanMachine::TearDown();
        DeleteTree(dest);
        DeleteTree(work.substr(0, work.size() - 1));
    }

    int Install(unsigned int mask, unsigned int* outcome, char* errorText)
    {
        return InstallProduct(work.c_str(), dest.c_str(), mask | MASK_NO_QUESTIONS, outcome, NULL, NULL,
                              errorText);
    }

    std::string Dest(const char* name) const
    {
        return dest + "\\" + name;
    }

    void ExpectPlacedFromPayload(const ProductFileEntry* rows, int count)
    {
        for (int p = 0; p < count; p++) {
            SCOPED_TRACE(rows[p].installedName);
            std::string source = payload + "\\" + rows[p].installedName;
            if (!FileExists(source)) { // a row the package does not carry
                EXPECT_FALSE(FileExists(Dest(rows[p].installedName)));
                continue;
            }
            EXPECT_EQ(ReadFile(source), ReadFile(Dest(rows[p].installedName)));
        }
    }

    static std::string NamespaceValue(const char* place, const char* clsid)
    {
        char key[256];
        snprintf(key, sizeof key, kNamespace, place, clsid);
        return RegString(HKEY_LOCAL_MACHINE, key, NULL);
    }
};

TEST_F(InstallSequence, OnlyQueueOnStartupHasNothingToDo)
{
    unsigned int outcome = 0xFFFF;
    char errorText[256] = "old";
    EXPECT_EQ(1, Install(MASK_QUEUE, &outcome, errorText));
    EXPECT_STREQ("Nothing to do!", errorText);
    EXPECT_EQ(0u, outcome);
    EXPECT_TRUE(ListFiles(dest).empty());
    EXPECT_EQ("<missing>", WinIni("DIR"));
}

TEST_F(InstallSequence, FullInstallPlacesRegistersAndMakesTheGroup)
{
    unsigned int outcome = 0;
    char errorText[256] = "";
    ASSERT_EQ(1, Install(0x1F, &outcome, errorText)) << errorText;
    EXPECT_STREQ("", errorText);
    EXPECT_EQ((unsigned)(RESULT_SUCCEEDED | RESULT_ITEMS_CREATED | RESULT_BASE_REGISTERED
                         | RESULT_EXPLORER_REGISTERED),
              outcome);

    ExpectPlacedFromPayload(ClassicFiles, CLASSIC_COUNT);
    ExpectPlacedFromPayload(ExplorerFiles, EXPLORER_COUNT);
    ExpectPlacedFromPayload(UtilityFiles, UTILITY_COUNT);
    ExpectPlacedFromPayload(CommonFiles, COMMON_COUNT);
    ExpectPlacedFromPayload(SiteIniFiles + 1, SITEINI_COUNT - 1);
    char value[512];
    GetPrivateProfileStringA("MySites", "FILENAME", "", value, sizeof value, Dest("KORVID.ini").c_str());
    EXPECT_EQ(dest + "\\original.ini", value);
    EXPECT_TRUE(ListFiles(work.substr(0, work.size() - 1)).size() <= 1); // only the staging name

    EXPECT_EQ(dest, WinIni("DIR"));
    EXPECT_EQ("KORVID Pro", WinIni("GROUP"));
    EXPECT_EQ("<missing>", WinIni("SPFLAGS"));
    EXPECT_EQ(
        Dest("kv95pro.exe"),
        RegString(HKEY_CLASSES_ROOT, "CLSID\\{5B1E0C72-3A94-4F6D-8E21-C7D09A3B4A10}\\InProcServer32", NULL));
    EXPECT_EQ("KORVID Pro Explorer", NamespaceValue("Desktop", kExplorerClsid));
    EXPECT_EQ("KORVID Pro", NamespaceValue("Desktop", kClassicClsid));
    EXPECT_EQ("<missing>", NamespaceValue("MyComputer", kExplorerClsid));
    const char* uninstall = kUninstallEntryKey;
    EXPECT_EQ("Oxtavine KORVID Pro Uninstall", RegString(HKEY_LOCAL_MACHINE, uninstall, "DisplayName"));
    EXPECT_EQ("\"" + dest + "\\unkv32.exe\" -f " + dest + " -d " + dest + " -g KORVID Pro",
              RegString(HKEY_LOCAL_MACHINE, uninstall, "UninstallString"));

    // The product's entry points ran with the destination folder.
    EXPECT_EQ(dest, RegString(HKEY_LOCAL_MACHINE, "SOFTWARE\\Oxtavine\\KORVID\\SSL", "InstallDir"));
    EXPECT_EQ(
        Dest("kvproex.dll"),
        RegString(HKEY_CLASSES_ROOT, "CLSID\\{5B1E0C72-3A94-4F6D-8E21-C7D09A3B4A01}\\InProcServer32", NULL));
    EXPECT_EQ(
        Dest("kvstub.dll"),
        RegString(HKEY_CLASSES_ROOT, "CLSID\\{5B1E0C72-3A94-4F6D-8E21-C7D09A3B4A0A}\\InProcServer32", NULL));
    EXPECT_EQ(
        Dest("kvbho2k0.dll"),
        RegString(HKEY_CLASSES_ROOT, "CLSID\\{5B1E0C72-3A94-4F6D-8E21-C7D09A3B4A20}\\InProcServer32", NULL));
    EXPECT_TRUE(RegKeyExists(HKEY_LOCAL_MACHINE,
                             "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Browser Helper "
                             "Objects\\{5B1E0C72-3A94-4F6D-8E21-C7D09A3B4A20}"));
    EXPECT_EQ(Dest("kvbho2k0.dll"),
              RegString(HKEY_LOCAL_MACHINE, "SOFTWARE\\Oxtavine\\KORVID\\Browser Plugin", "Path"));
    // With QueueOnStartup the scheduler is installed once, starting with Windows.
    EXPECT_EQ("\"" + Dest("kvsched.exe") + "\"",
              RegString(HKEY_LOCAL_MACHINE, kRunKey, "KORVID Queue Scheduler"));

    std::vector<std::string> items = GroupItems("KORVID Pro");
    std::set<std::string> got(items.begin(), items.end());
    std::set<std::string> expected = {
        "KORVID Pro",
        "KORVID Pro Help",
        "KORVID Pro Explorer Help",
        "KORVID Scripting Utility",
        "KORVID Scripting Help",
        "KORVID Find Utility",
        "KORVID Find Help",
        "KORVID Synchronize Utility",
        "KORVID Synchronize Help",
        "KORVID Queuing Utility",
        "KORVID Queue Help",
        "KORVID Icon Placement",
        "KORVID Pro Uninstall",
        "KORVID Pro Release Notes",
    };
    EXPECT_EQ(expected, got); // no "KORVID Pro Explorer": the shell refuses a namespace item
    EXPECT_EQ(items.size(), got.size());
}

TEST_F(InstallSequence, ShellRefusesTheExplorerNamespaceItem)
{
    // The item the sequence sends for the Explorer interface (the client builds this very
    // text from the sequence's arguments) names a namespace, not a file; Wine's Program
    // Manager refuses it while it makes an item for a real file.
    ProgmanItem item;
    ASSERT_TRUE(ResolveProgmanItem(&item, "KORVID Pro Explorer", dest.c_str(), "",
                                   "KORVID Pro Explorer.{5b1e0c72-3a94-4f6d-8e21-c7d09a3b4a01}", ""));
    char refused[PROGMAN_COMMAND_SIZE];
    ASSERT_TRUE(FormatAddItemCommand(refused, sizeof refused, &item));
    EXPECT_EQ("[AddItem(\"KORVID Pro Explorer.{5b1e0c72-3a94-4f6d-8e21-c7d09a3b4a01}\","
              "\"KORVID Pro Explorer\",,,,,\""
                  + dest + "\")]",
              std::string(refused));
    ASSERT_EQ(1, ProgmanCreateGroup("KORVID Pro"));
    EXPECT_EQ(0, ProgmanExecute(g_ddeInstance, refused));
    HANDLE file = CreateFileA(Dest("kv95pro.exe").c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
    CloseHandle(file);
    std::string made = "[AddItem(\"" + Dest("kv95pro.exe") + "\",\"KORVID Pro\",,,,,\"" + dest + "\")]";
    EXPECT_EQ(1, ProgmanExecute(g_ddeInstance, made.c_str()));
    ProgmanClose();
    EXPECT_EQ(std::vector<std::string> { "KORVID Pro" }, GroupItems("KORVID Pro"));
}

TEST_F(InstallSequence, ExplorerOnlyPlacesMissingClassicFilesAndRegistersBaseOnlyWhenBothPlaced)
{
    // Into an empty folder: the required classic files are placed, so the base registers.
    unsigned int outcome = 0;
    char errorText[256] = "";
    ASSERT_EQ(1, Install(MASK_EXPLORER, &outcome, errorText)) << errorText;
    EXPECT_TRUE(FileExists(Dest("kv95pro.exe")));
    EXPECT_TRUE(FileExists(Dest("kvpro32.dll")));
    EXPECT_TRUE(FileExists(Dest("kvpro32.hlp")));
    EXPECT_FALSE(FileExists(Dest("KvPro32.cnt"))); // not required
    EXPECT_TRUE(outcome & RESULT_BASE_REGISTERED);
    EXPECT_FALSE(FileExists(Dest("kvsched.exe"))); // no utilities
    EXPECT_EQ("<missing>", RegString(HKEY_LOCAL_MACHINE, kRunKey, "KORVID Queue Scheduler"));
    EXPECT_FALSE(RegKeyExists(HKEY_CLASSES_ROOT, "CLSID\\{5B1E0C72-3A94-4F6D-8E21-C7D09A3B4A20}"));

    // Over files that are present: they are left alone and the base is not registered.
    RemoveProductState();
    DeleteFileA(Dest("kvpro32.hlp").c_str());
    KV_WRITE_FILE(Dest("kv95pro.exe"), "older program");
    ASSERT_EQ(1, Install(MASK_EXPLORER, &outcome, errorText)) << errorText;
    EXPECT_EQ("older program", ReadFile(Dest("kv95pro.exe")));
    EXPECT_TRUE(FileExists(Dest("kvpro32.hlp")));
    EXPECT_FALSE(outcome & RESULT_BASE_REGISTERED);
    EXPECT_FALSE(
        RegKeyExists(HKEY_CLASSES_ROOT, "CLSID\\{5B1E0C72-3A94-4F6D-8E21-C7D09A3B4A10}\\InProcServer32"));
}

TEST_F(InstallSequence, WithoutQueueOnStartupTheSchedulerIsInstalledWithoutStartUp)
{
    unsigned int outcome = 0;
    char errorText[256] = "";
    ASSERT_EQ(1, Install(MASK_CLASSIC | MASK_UTILITIES, &outcome, errorText)) << errorText;
    // "-install" then "-install_no_start": installed, but not started with Windows.
    EXPECT_TRUE(RegKeyExists(HKEY_LOCAL_MACHINE, kSchedulerKey));
    EXPECT_EQ("<missing>", RegString(HKEY_LOCAL_MACHINE, kRunKey, "KORVID Queue Scheduler"));
    // Without BrowserIntegration the library registers but adds no browser entries.
    EXPECT_TRUE(RegKeyExists(HKEY_CLASSES_ROOT, "CLSID\\{5B1E0C72-3A94-4F6D-8E21-C7D09A3B4A20}"));
    EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, "SOFTWARE\\Oxtavine\\KORVID\\Browser Plugin"));
    EXPECT_FALSE(outcome & RESULT_EXPLORER_REGISTERED);
}

TEST_F(InstallSequence, ExistingProductIniAndSitesAreKept)
{
    WritePrivateProfileStringA("_config_", "MAILADDR", "mine@example.com", Dest("KORVID.ini").c_str());
    WritePrivateProfileStringA("Mine", "HOST", "ftp.mine.example", Dest("oxsites.ini").c_str());
    unsigned int outcome = 0;
    char errorText[256] = "";
    ASSERT_EQ(1, Install(MASK_CLASSIC, &outcome, errorText)) << errorText;
    char value[128];
    GetPrivateProfileStringA("_config_", "MAILADDR", "", value, sizeof value, Dest("KORVID.ini").c_str());
    EXPECT_STREQ("mine@example.com", value); // kept: a silent run asks no question
    EXPECT_FALSE(FileExists(Dest("original.ini")));
    EXPECT_FALSE(FileExists(Dest("avsites.ini"))); // nor are the bookmark files placed

    // A first install writes the product INI and places only the missing bookmark files.
    DeleteFileA(Dest("KORVID.ini").c_str());
    ASSERT_EQ(1, Install(MASK_CLASSIC, &outcome, errorText)) << errorText;
    EXPECT_TRUE(FileExists(Dest("KORVID.ini")));
    EXPECT_TRUE(FileExists(Dest("avsites.ini")));
    GetPrivateProfileStringA("Mine", "HOST", "", value, sizeof value, Dest("oxsites.ini").c_str());
    EXPECT_STREQ("ftp.mine.example", value);
}

TEST_F(InstallSequence, ProductIniQuestionOnlyWithoutEarlierSiteFiles)
{
    unsigned int outcome = 0;
    char errorText[256] = "";
    WritePrivateProfileStringA("_config_", "MAILADDR", "mine@example.com", Dest("KORVID.ini").c_str());
    WritePrivateProfileStringA("MySites", "FILENAME", "mine.ini", Dest("KORVID.ini").c_str());
    // The wizard's sites question; the other questions keep their default answers.
    InstallQuestions sitesAsked = kDefaultAnswers;
    sitesAsked.askInstallSites = kPageQuestions.askInstallSites;
    {
        // With avsites.ini present the INI is kept and nothing is asked.
        WritePrivateProfileStringA("Mine", "HOST", "ftp.mine.example", Dest("avsites.ini").c_str());
        kvtest::BoxDriver answerer("KORVID Sites", [](const std::string&) { return IDYES; });
        ASSERT_EQ(1,
                  InstallProduct(work.c_str(), dest.c_str(), MASK_CLASSIC, &outcome, NULL, NULL, errorText,
                                 &sitesAsked));
        EXPECT_EQ(0u, answerer.Texts().size());
        EXPECT_FALSE(FileExists(Dest("original.ini")));
    }
    {
        // With neither, the user is asked; Yes keeps the old INI as original.ini without its
        // [MySites] section and writes the distribution INI.
        DeleteFileA(Dest("avsites.ini").c_str());
        kvtest::BoxDriver answerer("KORVID Sites", [](const std::string&) { return IDYES; });
        ASSERT_EQ(1,
                  InstallProduct(work.c_str(), dest.c_str(), MASK_CLASSIC, &outcome, NULL, NULL, errorText,
                                 &sitesAsked));
        EXPECT_EQ(1u, answerer.Texts().size());
        char value[128];
        GetPrivateProfileStringA("_config_", "MAILADDR", "", value, sizeof value,
                                 Dest("original.ini").c_str());
        EXPECT_STREQ("mine@example.com", value);
        GetPrivateProfileStringA("MySites", "FILENAME", "<none>", value, sizeof value,
                                 Dest("original.ini").c_str());
        EXPECT_STREQ("<none>", value);
        GetPrivateProfileStringA("MySites", "FILENAME", "", value, sizeof value, Dest("KORVID.ini").c_str());
        EXPECT_EQ(dest + "\\original.ini", value);
        EXPECT_TRUE(FileExists(Dest("avsites.ini")));
    }
}

TEST_F(InstallSequence, RequiredFileThatCannotBePlacedFailsTheInstall)
{
    // kvpro32.hlp is required and not a program: held open without sharing, it cannot be
    // written, and no in-use handling applies to it.
    HANDLE held = CreateFileA(Dest("kvpro32.hlp").c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
    ASSERT_NE(INVALID_HANDLE_VALUE, held);
    unsigned int outcome = 0;
    char errorText[256] = "";
    EXPECT_EQ(0, Install(0x1F, &outcome, errorText));
    CloseHandle(held);
    EXPECT_STREQ("Failed to install required file kvpro32.hlp.", errorText);
    EXPECT_EQ((unsigned)RESULT_FAILED_RUN, outcome);
    EXPECT_TRUE(ClassicFiles[3].status & FILE_FAILED);
    EXPECT_EQ("<missing>", WinIni("DIR"));
    EXPECT_FALSE(FileExists(Dest("kvscrpt.exe"))); // later groups are not entered
    EXPECT_FALSE(FileExists(GroupFolder("KORVID Pro")));
    EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, kUninstallEntryKey));
}

// The questions as the engine puts them: each answer records its question in s_asked.
static std::vector<std::string> s_asked;
static int s_groupAnswer;
static int s_retries;

static int RecordGroup(HWND, char* group)
{
    s_asked.push_back(std::string("group ") + group);
    return s_groupAnswer;
}

static void RecordIconPlacement(void)
{
    s_asked.push_back("icon");
    g_iconLocation = 1;
}

static int RecordSites(HWND)
{
    s_asked.push_back("sites");
    return 0;
}

static int RecordRetry(HWND, const char* text, const char*)
{
    s_asked.push_back(std::string("retry ") + text);
    return s_retries-- > 0;
}

TEST_F(InstallSequence, QuestionsGoThroughTheHandedInCallbacksInOrder)
{
    static const InstallQuestions kRecorded = { RecordGroup, RecordIconPlacement, RecordSites, RecordRetry };
    const std::string failed = "retry Copy of kvpro32.hlp to <dest> failed. (32)";
    struct Row {
        const char* name;
        bool earlierIni; // a KORVID.ini without original.ini or avsites.ini
        bool helpHeld;   // kvpro32.hlp held open without sharing
        int groupAnswer; // 1 OK, 0 Cancel
        int retries;     // Retry answers before Cancel
        std::vector<std::string> asked;
        int result;
        const char* errorText;
    };
    const Row rows[] = {
        { "every question, in order", true, false, 1, 0, { "sites", "group KORVID Pro", "icon" }, 1, "" },
        { "Cancel to the group name", false, false, 0, 0, { "group KORVID Pro" }, 0, "" },
        { "Retry, then Cancel",
          false,
          true,
          1,
          1,
          { failed, failed, "group KORVID Pro" },
          0,
          "Failed to install required file kvpro32.hlp." },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        RemoveProductState();
        DeleteTree(dest);
        CreateDirectoryA(dest.c_str(), NULL);
        if (row.earlierIni)
            WritePrivateProfileStringA("_config_", "MAILADDR", "mine@example.com",
                                       Dest("KORVID.ini").c_str());
        HANDLE held = row.helpHeld
            ? CreateFileA(Dest("kvpro32.hlp").c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL)
            : INVALID_HANDLE_VALUE;
        s_asked.clear();
        s_groupAnswer = row.groupAnswer;
        s_retries = row.retries;
        g_iconLocation = 0;
        unsigned int outcome = 0;
        char errorText[256] = "";
        EXPECT_EQ(row.result,
                  InstallProduct(work.c_str(), dest.c_str(), MASK_CLASSIC | MASK_EXPLORER, &outcome, NULL,
                                 NULL, errorText, &kRecorded));
        if (held != INVALID_HANDLE_VALUE)
            CloseHandle(held);
        CloseExplorerWindows();

        std::vector<std::string> asked = row.asked;
        for (std::string& question : asked)
            if (question.find("<dest>") != std::string::npos)
                question.replace(question.find("<dest>"), 6, dest);
        EXPECT_EQ(asked, s_asked);
        EXPECT_STREQ(row.errorText, errorText);
        EXPECT_EQ(row.result == 1, FileExists(GroupFolder("KORVID Pro")));
        // The placement answered: My Computer; after a Cancel nothing is placed.
        EXPECT_EQ(row.result == 1 ? "KORVID Pro Explorer" : "<missing>",
                  NamespaceValue("MyComputer", kExplorerClsid));
    }
}

TEST_F(InstallSequence, NoPasswordAndIconsInMyComputer)
{
    g_bNoPass = 1;
    g_iconLocation = 1;
    unsigned int outcome = 0;
    char errorText[256] = "";
    ASSERT_EQ(1, Install(MASK_CLASSIC | MASK_EXPLORER, &outcome, errorText)) << errorText;
    EXPECT_EQ("1", WinIni("SPFLAGS"));
    EXPECT_EQ("KORVID Pro Explorer", NamespaceValue("MyComputer", kExplorerClsid));
    EXPECT_EQ("KORVID Pro", NamespaceValue("MyComputer", kClassicClsid));
    EXPECT_EQ("<missing>", NamespaceValue("Desktop", kExplorerClsid));

    // An existing desktop entry wins over the preset placement on the next install.
    DeleteRegTree(HKEY_LOCAL_MACHINE,
                  "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\MyComputer\\Namespace\\{5b1e0c72-"
                  "3a94-4f6d-8e21-c7d09a3b4a0a}");
    char key[256];
    snprintf(key, sizeof key, kNamespace, "Desktop", kExplorerClsid);
    WriteRegistryString(HKEY_LOCAL_MACHINE, key, NULL, NULL, "KORVID Pro Explorer");
    ASSERT_EQ(1, Install(MASK_CLASSIC | MASK_EXPLORER, &outcome, errorText)) << errorText;
    EXPECT_EQ(0, g_iconLocation);
    EXPECT_EQ("KORVID Pro", NamespaceValue("Desktop", kClassicClsid));
}
