// The install sequence: places the product group by group, installs or keeps the product
// INI, registers the SSL service and the base product, records the folder in win.ini,
// creates the program group and its items, writes the namespace and uninstall entries,
// runs the libraries' registration entries and sets up the queue scheduler. It stops at
// the first failing step and leaves one failure text. What it asks on its way (the sites
// question, the group name, the icon placement, Retry or Cancel for a failed file) goes
// through the questions its caller hands in; it shows nothing itself.
#include "engine/engine.h"
#include "progman/progman.h"
#include "resources/resource.h"
#include "base/version.h"

const char kProductGroup[] = "KORVID Pro";
const char kExplorerNamespaceClsid[] = "{5b1e0c72-3a94-4f6d-8e21-c7d09a3b4a01}";
const char kClassicNamespaceClsid[] = "{5b1e0c72-3a94-4f6d-8e21-c7d09a3b4a0a}";
const char kDesktopNamespaceFormat[] =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Desktop\\Namespace\\%s";
const char kMyComputerNamespaceFormat[] =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\MyComputer\\Namespace\\%s";
const char kUninstallEntryKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\KORVIDPro";
const char kSslRegistryPath[] = "SOFTWARE\\Oxtavine\\KORVID\\SSL";

// How long each start of the scheduler may take before the install goes on without it.
static const DWORD kSchedulerWaitMs = 30000;

// The default answers: nothing is shown, and what a failed file says goes to the log.
static int KeepProposedGroup(HWND, char*)
{
    return 1;
}

static void KeepIconPlacement(void)
{
}

static int KeepProductIni(HWND)
{
    return 0;
}

static int LogAndGiveUp(HWND, const char* text, const char*)
{
    LogLine(text);
    return 0;
}

const InstallQuestions kDefaultAnswers = { KeepProposedGroup, KeepIconPlacement, KeepProductIni,
                                           LogAndGiveUp };

// Rows that the sequence addresses by name.
enum {
    CLASSIC_PROGRAM = 0,     // kv95pro.exe
    CLASSIC_LIBRARY = 1,     // kvpro32.dll
    EXPLORER_LIBRARY = 0,    // kvproex.dll
    EXPLORER_HELPER = 1,     // nskvch.dll
    EXPLORER_INI_HELPER = 2, // kvini.dll
    COMMON_LINK = 0,         // kvlink.exe
    COMMON_STUB = 1,         // kvstub.dll
    COMMON_LINK_HELP = 4,    // kvlink.hlp
    COMMON_SSL = 15,         // kvssl.dll
};

struct Run {
    const char* workFolder;
    const char* destFolder;
    unsigned int mask;
    unsigned int outcome;
    HWND owner;
    HWND status;
    char* errorText;
    int ok;
    const InstallQuestions* questions;
};

// Which rows of a group are placed.
enum PlaceRule { PLACE_ALL, PLACE_MISSING_REQUIRED, PLACE_MISSING_REPORT };

static void SetFailure(Run& run, const char* text)
{
    if (run.errorText)
        StrCopy(run.errorText, KV_TEXT_SIZE, text);
}

static void SetStatus(Run& run, const char* format, const char* insert)
{
    if (!run.status || !IsWindow(run.status))
        return;
    char text[KV_TEXT_SIZE + 64];
    StrFormat(text, sizeof text, format, insert);
    SetWindowTextA(run.status, text);
}

// returns true when folder\name exists
static bool FileExistsIn(const char* folder, const char* name)
{
    char path[KV_PATH_SIZE];
    if (!JoinPath(path, sizeof path, folder, name))
        return false;
    return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
}

static bool ShouldPlace(const Run& run, const ProductFileEntry& row, PlaceRule rule)
{
    switch (rule) {
    case PLACE_MISSING_REQUIRED:
        return row.required && !FileExistsIn(run.destFolder, row.installedName);
    case PLACE_MISSING_REPORT:
        return !FileExistsIn(run.destFolder, row.reportName);
    default:
        return true;
    }
}

// Places the rows of one group from manifest row base + p; a required failure or the copy
// box's Cancel ends the group with ok at 0. A skipped row is not followed by the cancel
// test, except under PLACE_MISSING_REPORT, where every row is.
static void PlaceGroup(Run& run, ProductFileEntry* rows, int count, int base, PlaceRule rule)
{
    if (!run.ok)
        return;
    for (int p = 0; p < count; p++) {
        ProductFileEntry& row = rows[p];
        if (ShouldPlace(run, row, rule)) {
            row.lastResult = InstallFile(run.workFolder, row.installedName, run.destFolder, run.owner,
                                         run.status, base + p, row.required, run.questions);
            if (row.lastResult == 0) {
                row.status |= FILE_INSTALLED;
            } else if (row.required) {
                row.status |= FILE_FAILED;
                char text[KV_TEXT_SIZE];
                StrFormat(text, sizeof text, "Failed to install required file %s.", row.reportName);
                SetFailure(run, text);
                run.ok = 0;
                return;
            }
        } else if (rule != PLACE_MISSING_REPORT) {
            continue;
        }
        if (g_bCancelRequested) {
            run.ok = 0;
            return;
        }
    }
}

// Decides whether the distribution INI is installed: an existing KORVID.ini is kept unless
// the user, asked, keeps it as original.ini. returns true to install it
static bool ShouldInstallProductIni(Run& run)
{
    if (!FileExistsIn(run.destFolder, "KORVID.ini"))
        return true;
    if (FileExistsIn(run.destFolder, "original.ini") || FileExistsIn(run.destFolder, "avsites.ini"))
        return false;
    if ((run.mask & MASK_NO_QUESTIONS) || !run.questions->askInstallSites(run.owner))
        return false;

    char current[KV_PATH_SIZE], original[KV_PATH_SIZE];
    if (!JoinPath(current, sizeof current, run.destFolder, "KORVID.ini")
        || !JoinPath(original, sizeof original, run.destFolder, "original.ini")
        || !MoveFileA(current, original))
        return false;
    WritePrivateProfileStringA("MySites", NULL, NULL, original);
    return true;
}

static void InstallProductIni(Run& run)
{
    if (!ShouldInstallProductIni(run))
        return;
    char target[KV_PATH_SIZE];
    if (!JoinPath(target, sizeof target, run.destFolder, "KORVID.ini")
        || WriteIniFromTemplate(run.workFolder, target, "$$", run.destFolder, MANIFEST_PRODUCT_INI) != 0) {
        SetFailure(run, "Failed to install INI files.");
        return;
    }
    // Row 48 is the template just written; the bookmark files follow, each only when missing.
    PlaceGroup(run, SiteIniFiles + 1, SITEINI_COUNT - 1, SITEINI_BASE + 1, PLACE_MISSING_REPORT);
}

static void RegisterSsl(Run& run)
{
    typedef int(WINAPI * RegisterSslEntry)(char* registryPath, const char* folder, int reserved);
    ProductLibrary library;
    int result = 0;
    if (OpenProductLibrary(&library, run.destFolder, "kvssl.dll")) {
        RegisterSslEntry entry = (RegisterSslEntry)(void*)ProductLibraryEntry(&library, "DLLRegisterSSL");
        if (entry) {
            char registryPath[260];
            StrCopy(registryPath, sizeof registryPath, kSslRegistryPath);
            result = entry(registryPath, run.destFolder, 0);
        }
        CloseProductLibrary(&library);
    }
    if (result)
        CommonFiles[COMMON_SSL].status |= FILE_REGISTERED;
    else
        run.ok = 0;
}

static void RegisterBase(Run& run)
{
    ProductFileEntry& program = ClassicFiles[CLASSIC_PROGRAM];
    if (!(program.status & FILE_INSTALLED) || !(ClassicFiles[CLASSIC_LIBRARY].status & FILE_INSTALLED))
        return;
    char path[KV_PATH_SIZE];
    if (JoinPath(path, sizeof path, run.destFolder, program.installedName) && RegisterBaseProduct(path)) {
        program.status |= FILE_REGISTERED;
        run.outcome |= RESULT_BASE_REGISTERED;
        return;
    }
    program.status |= FILE_FAILED;
    run.ok = 0;
    SetFailure(run, "Failed to registered base product.");
}

// True when a group name read from where says it cannot be used: too long for a group name
// of size characters, or holding what no Program Manager command can quote (a double quote,
// a control character). Such a name is never sent; the log says why.
static bool SetAsideGroupName(const char* name, size_t size, const char* where)
{
    const char* reason = NULL;
    if (StrLength(name) >= size)
        reason = "too long for a group name";
    else if (!IsQuotableText(name))
        reason = "holds a double quote or a control character";
    if (!reason)
        return false;
    char line[KV_TEXT_SIZE];
    StrFormat(line, sizeof line, "Ignored %s: %s", where, reason);
    LogLine(line);
    return true;
}

// The group name: win.ini's GROUP, then the options file's GROUP32, then the user's answer.
// A name that cannot be used is set aside: the one before it stands (at first the
// product's own group name). group holds KV_TEXT_SIZE characters, as the question needs.
static void AskGroupName(Run& run, char* group, size_t size)
{
    char recorded[KV_TEXT_SIZE * 2];
    GetProfileStringA("KORVID", "GROUP", kProductGroup, recorded, ARRAY_SIZE(recorded));
    if (SetAsideGroupName(recorded, size, "GROUP of win.ini"))
        StrCopy(recorded, sizeof recorded, kProductGroup);
    char asked[KV_TEXT_SIZE * 2];
    ReadOptionsFileString("KORVID", "GROUP32", recorded, asked, ARRAY_SIZE(asked));
    if (SetAsideGroupName(asked, size, "GROUP32 of the options file"))
        StrCopy(asked, sizeof asked, recorded);
    StrCopy(group, size, asked);
    if (!run.questions->askGroupName(run.owner, group))
        run.ok = 0;
    if (group[0] == '\0')
        StrCopy(group, size, kProductGroup);
}

// The items of the group, gathered in the order they are made and sent together, each
// with the row it stands for (none for the Explorer item).
struct GroupItems {
    ProgmanItemRequest items[CLASSIC_COUNT + 1 + EXPLORER_COUNT + UTILITY_COUNT + COMMON_COUNT];
    ProductFileEntry* rows[CLASSIC_COUNT + 1 + EXPLORER_COUNT + UTILITY_COUNT + COMMON_COUNT];
    int count;
};

static void AddItem(Run& run, GroupItems& group, ProductFileEntry* row, const char* title,
                    const char* fileName, const char* command)
{
    if (group.count >= (int)ARRAY_SIZE(group.items))
        return;
    ProgmanItemRequest& item = group.items[group.count];
    item.itemName = title;
    item.folder = run.destFolder;
    item.fileName = fileName;
    item.commandLine = command;
    item.added = 0;
    group.rows[group.count++] = row;
}

static void AddItems(Run& run, GroupItems& group, ProductFileEntry* rows, int count)
{
    for (int p = 0; p < count; p++) {
        ProductFileEntry& row = rows[p];
        if (!row.makeIcon || !(row.status & FILE_INSTALLED)
            || !FileCanBeOpened(run.destFolder, row.installedName))
            continue;
        SetStatus(run, "Creating icon for %s.", row.installedName);
        AddItem(run, group, &row, row.displayName, row.installedName, "");
    }
}

// Sends the gathered items. Only an item the server accepted counts as made; one it did not
// take is logged, in the order the items were gathered.
static void SendItems(Run& run, GroupItems& group)
{
    ProgmanAddItems(group.items, group.count);
    for (int i = 0; i < group.count; i++) {
        const ProgmanItemRequest& item = group.items[i];
        if (item.added) {
            run.outcome |= RESULT_ITEMS_CREATED;
            if (group.rows[i])
                group.rows[i]->status |= FILE_ICON_CREATED;
            continue;
        }
        char line[KV_FORMAT_SIZE];
        if (StrFormat(line, sizeof line, "Item \"%s\" not created",
                      *item.itemName ? item.itemName : item.fileName))
            LogLine(line);
    }
}

// GROUP is written twice on purpose: once before the shell is asked, so that a run that
// stops while the group is being made still leaves the removal its name, and once more when
// the group exists. The install has always made these two writes in this order.
static void CreateProgramGroup(Run& run, const char* group)
{
    WriteProfileStringA("KORVID", "GROUP", group);
    SetStatus(run, "Creating icon group %s", group);
    if (!ProgmanCreateGroup(group)) {
        run.ok = 0;
        SetFailure(run, "Failed to create icon group.");
        return;
    }
    KV_BENCH_PHASE("progman-group");
    // The second write of GROUP (see above).
    WriteProfileStringA("KORVID", "GROUP", group);

    GroupItems items;
    items.count = 0;
    char command[KV_TEXT_SIZE];
    if (run.mask & MASK_CLASSIC)
        AddItems(run, items, ClassicFiles, CLASSIC_COUNT);
    if (run.mask & MASK_EXPLORER) {
        StrFormat(command, sizeof command, "KORVID Pro Explorer.%s", kExplorerNamespaceClsid);
        AddItem(run, items, NULL, "KORVID Pro Explorer", "", command);
        AddItems(run, items, ExplorerFiles, EXPLORER_COUNT);
    }
    if (run.mask & MASK_UTILITIES)
        AddItems(run, items, UtilityFiles, UTILITY_COUNT);
    AddItems(run, items, CommonFiles, COMMON_COUNT);
    // The earlier versions' uninstall item goes, once for each common row, before the items
    // are sent; none of the items has its name.
    char uninstallTitle[KV_PATH_SIZE];
    LoadMessage(IDS_UNINSTALL_ITEM, uninstallTitle, ARRAY_SIZE(uninstallTitle));
    ProgmanDeleteItemTimes(uninstallTitle, COMMON_COUNT);
    SendItems(run, items);
    ProgmanClose();
}

// One shell namespace entry: an existing entry decides the placement, otherwise the entry
// is written where the placement (asked for when allowed) says.
static void PlaceNamespaceEntry(Run& run, const char* clsid, const char* title, bool mayAsk)
{
    char desktopKey[KV_TEXT_SIZE], myComputerKey[KV_TEXT_SIZE], value[KV_LINE_SIZE];
    StrFormat(desktopKey, sizeof desktopKey, kDesktopNamespaceFormat, clsid);
    StrFormat(myComputerKey, sizeof myComputerKey, kMyComputerNamespaceFormat, clsid);
    if (ReadRegistryString(HKEY_LOCAL_MACHINE, desktopKey, NULL, NULL, value, sizeof value)) {
        g_iconLocation = 0;
        return;
    }
    if (ReadRegistryString(HKEY_LOCAL_MACHINE, myComputerKey, NULL, NULL, value, sizeof value)) {
        g_iconLocation = 1;
        return;
    }
    if (mayAsk && !(run.mask & MASK_NO_QUESTIONS))
        run.questions->askIconPlacement();
    WriteRegistryString(HKEY_LOCAL_MACHINE, g_iconLocation ? myComputerKey : desktopKey, NULL, NULL, title);
}

// True when this run placed a file of that name (any letter case), or it is the product
// INI (the first site row), which is written from its template rather than placed.
static bool IsPlacedName(const char* name)
{
    struct Group {
        const ProductFileEntry* rows;
        int count;
    };
    const Group groups[] = { { ClassicFiles, CLASSIC_COUNT },
                             { ExplorerFiles, EXPLORER_COUNT },
                             { UtilityFiles, UTILITY_COUNT },
                             { CommonFiles, COMMON_COUNT },
                             { SiteIniFiles, SITEINI_COUNT } };
    if (lstrcmpiA(name, SiteIniFiles[0].installedName) == 0)
        return true;
    for (const Group& group : groups) {
        for (int p = 0; p < group.count; p++) {
            if ((group.rows[p].status & FILE_INSTALLED) && lstrcmpiA(name, group.rows[p].installedName) == 0)
                return true;
        }
    }
    return false;
}

// The kilobytes (rounded up) of the files this run placed and of the product INI, from one
// listing of the folder (a look-up per file costs a folder search each).
static DWORD PlacedKilobytes(const char* folder)
{
    char pattern[KV_PATH_SIZE];
    WIN32_FIND_DATAA found;
    if (!JoinPath(pattern, sizeof pattern, folder, "*"))
        return 0;
    HANDLE find = FindFirstFileA(pattern, &found);
    if (find == INVALID_HANDLE_VALUE)
        return 0;
    unsigned long long bytes = 0;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && IsPlacedName(found.cFileName))
            bytes += ((unsigned long long)found.nFileSizeHigh << 32) | found.nFileSizeLow;
    } while (FindNextFileA(find, &found));
    FindClose(find);
    return (DWORD)((bytes + 1023) / 1024);
}

// One value of the uninstall entry: a text, or a number when text is null.
struct EntryValue {
    const char* name;
    const char* text;
    DWORD number;
};

// The uninstall entry: its name and command, and what deployment tools and the system's
// list of programs read of the product (all of it goes with the key at the removal).
static void WriteUninstallEntry(Run& run, const char* group)
{
    char command[KV_LONG_TEXT_SIZE], quietCommand[KV_LONG_TEXT_SIZE], icon[KV_PATH_SIZE + 2], date[16];
    if (!FormatUninstallCommand(command, sizeof command, run.destFolder, group)) {
        LogLine("Skipped the uninstall entry: the folder or the group cannot be passed on its command line");
        return;
    }
    if (!StrFormat(quietCommand, sizeof quietCommand, "%s -s", command)
        || !JoinPath(icon, sizeof icon, run.destFolder, ClassicFiles[CLASSIC_PROGRAM].installedName)
        || !StrAppend(icon, sizeof icon, ",0"))
        return;
    SYSTEMTIME today;
    GetLocalTime(&today);
    StrFormat(date, sizeof date, "%04u%02u%02u", today.wYear, today.wMonth, today.wDay);
    const EntryValue values[] = {
        { "DisplayName", "Oxtavine KORVID Pro Uninstall", 0 },
        { "UninstallString", command, 0 },
        { "QuietUninstallString", quietCommand, 0 },
        { "DisplayVersion", KV_VERSION_TEXT, 0 },
        { "Publisher", KV_MAKER_NAME, 0 },
        { "InstallLocation", run.destFolder, 0 },
        { "DisplayIcon", icon, 0 },
        { "InstallDate", date, 0 },
        { "EstimatedSize", NULL, PlacedKilobytes(run.destFolder) },
        { "NoModify", NULL, 1 },
        { "NoRepair", NULL, 1 },
    };
    HKEY key;
    if (RegCreateKeyA(HKEY_LOCAL_MACHINE, kUninstallEntryKey, &key) != ERROR_SUCCESS)
        return;
    for (const EntryValue& value : values) {
        if (value.text)
            RegSetValueExA(key, value.name, 0, REG_SZ, (const BYTE*)value.text,
                           (DWORD)StrLength(value.text) + 1);
        else
            RegSetValueExA(key, value.name, 0, REG_DWORD, (const BYTE*)&value.number, sizeof value.number);
    }
    RegCloseKey(key);
}

static void RegisterStub(Run& run)
{
    ProductFileEntry& stub = CommonFiles[COMMON_STUB];
    if (!(stub.status & FILE_INSTALLED) || (g_bWinNT && g_nWinMajor < 4))
        return;
    int result = RegisterLibrary(run.destFolder, stub.installedName);
    if (result == REGLIB_FAILED) {
        stub.status |= FILE_FAILED;
        SetFailure(run, "Failed to registered stub.");
    } else if (result == REGLIB_SUCCEEDED) {
        stub.status |= FILE_REGISTERED;
    }
}

static void RegisterExplorer(Run& run)
{
    ProductFileEntry& library = ExplorerFiles[EXPLORER_LIBRARY];
    if (!(library.status & FILE_INSTALLED)
        || !((ExplorerFiles[EXPLORER_HELPER].status | ExplorerFiles[EXPLORER_INI_HELPER].status)
             & FILE_INSTALLED))
        return;
    int result = RegisterLibrary(run.destFolder, library.installedName);
    if (result == REGLIB_FAILED) {
        library.status |= FILE_FAILED;
        run.ok = 0;
        SetFailure(run, "Failed to registered explorer.");
    } else if (result == REGLIB_SUCCEEDED) {
        library.status |= FILE_REGISTERED;
        run.outcome |= RESULT_EXPLORER_REGISTERED;
    }
}

// The browser library's registration and entries, then the scheduler's set-up, all with the
// destination folder current.
static void SetUpUtilities(Run& run)
{
    typedef HRESULT(WINAPI * RegisterEntry)(void);
    typedef void(WINAPI * BrowserEntry)(void);
    ProductLibrary library;
    if (OpenProductLibrary(&library, run.destFolder, "kvbho2k0.dll")) {
        RegisterEntry registerServer =
            (RegisterEntry)(void*)ProductLibraryEntry(&library, "DllRegisterServer");
        if (registerServer && registerServer() < 0) {
            run.ok = 0;
            SetFailure(run, "Failed to registered Browser DLL.");
        }
        if (run.ok && (run.mask & MASK_BROWSER)) {
            static const char* const kEntries[] = { "AddNetscapeBhoKey", "AddExplorerBhoKey" };
            for (const char* name : kEntries) {
                BrowserEntry entry = (BrowserEntry)(void*)ProductLibraryEntry(&library, name);
                if (entry)
                    entry();
            }
        }
        CloseProductLibrary(&library);
    }
    KV_BENCH_PHASE("registrations-browser");
    // The scheduler makes no window, so nothing tells when it is ready but its end: the
    // second start waits for the first to end, or it could undo the start-up entry first.
    RunProgramAndWait(run.destFolder, "kvsched.exe", "-install", SW_SHOWNORMAL, kSchedulerWaitMs);
    if (!(run.mask & MASK_QUEUE))
        RunProgramAndWait(run.destFolder, "kvsched.exe", "-install_no_start", SW_SHOWNORMAL,
                          kSchedulerWaitMs);
    KV_BENCH_PHASE("scheduler");
}

// returns 1 on success, 0 on failure
int InstallProduct(const char* workFolder, const char* destFolder, unsigned int installMask,
                   unsigned int* outcome, HWND ownerWindow, HWND statusWindow, char* errorText,
                   const InstallQuestions* questions)
{
    Run run = { workFolder, destFolder, installMask, 0, ownerWindow, statusWindow, errorText, 1, questions };
    if (!run.questions)
        run.questions = &kDefaultAnswers;
    if (outcome)
        *outcome = 0;
    if (errorText)
        errorText[0] = '\0';
    if (!(installMask & (MASK_CLASSIC | MASK_EXPLORER | MASK_UTILITIES | MASK_BROWSER))) {
        SetFailure(run, "Nothing to do!");
        return 1;
    }
    ResetProductFileTable();
    KV_BENCH_PHASE("startup");

    PlaceGroup(run, ClassicFiles, CLASSIC_COUNT, CLASSIC_BASE,
               (installMask & MASK_CLASSIC) ? PLACE_ALL : PLACE_MISSING_REQUIRED);
    KV_BENCH_PHASE("files-classic");
    if (installMask & MASK_EXPLORER)
        PlaceGroup(run, ExplorerFiles, EXPLORER_COUNT, EXPLORER_BASE, PLACE_ALL);
    KV_BENCH_PHASE("files-explorer");
    if (installMask & MASK_UTILITIES)
        PlaceGroup(run, UtilityFiles, UTILITY_COUNT, UTILITY_BASE, PLACE_ALL);
    KV_BENCH_PHASE("files-utilities");
    if (g_bWinNT && g_nWinMajor < 4) {
        static const int kLinkRows[] = { COMMON_LINK, COMMON_STUB, COMMON_LINK_HELP };
        for (int row : kLinkRows) {
            CommonFiles[row].makeIcon = 0;
            CommonFiles[row].required = 0;
        }
    }
    PlaceGroup(run, CommonFiles, COMMON_COUNT, COMMON_BASE, PLACE_ALL);
    KV_BENCH_PHASE("files-common");

    if (run.ok && (installMask & (MASK_CLASSIC | MASK_EXPLORER)))
        InstallProductIni(run);
    KV_BENCH_PHASE("files-ini");
    if (run.ok)
        RegisterSsl(run);
    if (run.ok)
        RegisterBase(run);
    if (run.ok) {
        WriteProfileStringA("KORVID", "DIR", destFolder);
        if (g_bNoPass)
            WriteProfileStringA("KORVID", "SPFLAGS", "1");
    }

    KV_BENCH_PHASE("registrations-ssl-base");

    char group[KV_TEXT_SIZE];
    AskGroupName(run, group, sizeof group);
    if (run.ok)
        CreateProgramGroup(run, group);
    KV_BENCH_PHASE("progman-items");

    if (run.ok && (installMask & MASK_EXPLORER)) {
        PlaceNamespaceEntry(run, kExplorerNamespaceClsid, "KORVID Pro Explorer", true);
        if (run.ok && (installMask & MASK_CLASSIC))
            PlaceNamespaceEntry(run, kClassicNamespaceClsid, "KORVID Pro", false);
    }
    KV_BENCH_PHASE("namespace");
    if (run.ok)
        WriteUninstallEntry(run, group);
    KV_BENCH_PHASE("uninstall-entry");
    if (run.ok)
        RegisterStub(run);
    if (run.ok && (installMask & MASK_EXPLORER))
        RegisterExplorer(run);
    KV_BENCH_PHASE("registrations-stub-explorer");
    if (run.ok && (installMask & MASK_UTILITIES))
        SetUpUtilities(run);

    KV_BENCH_PHASE("install-end");
    run.outcome |= run.ok ? RESULT_SUCCEEDED : RESULT_FAILED_RUN;
    if (outcome)
        *outcome = run.outcome;
    return run.ok;
}
