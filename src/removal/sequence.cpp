// The removal sequence, in this order: the uninstall entry, the shell namespace entries, the
// Explorer view, the utilities with the queue scheduler, the base product, the common files
// with the SSL record, the Program Manager items and group, and the leftovers of the folder.
// No step stops the sequence; a file in use is renamed to "<name>.del" and its deletion
// stored for the next start.
#include "removal/removal.h"
#include "engine/engine.h"
#include "progman/progman.h"
#include "resources/resource.h"

static const char kCaption[] = "KORVID Pro Installation";
static const char kProductIni[] = "KORVID.ini";
static const char kExplorerItem[] = "KORVID Pro Explorer";
static const char kBrowserHelperList[] =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Browser Helper Objects";
// How long the queue scheduler's "-remove" may take before its file is deleted anyway.
static const DWORD kSchedulerWaitMs = 5000;

char g_szSparedName[KV_PATH_SIZE];
char g_szKeptFile[KV_PATH_SIZE];

// Rows that the sequence addresses by name.
enum {
    UTILITY_SCHEDULER = 14, // kvsched.exe, manifest row 24
    COMMON_STUB = 1,        // kvstub.dll, manifest row 31
};

// Everything one run needs besides its steps.
struct Removal {
    const char* folder;
    unsigned int mask;
    char* errorText;
    HWND owner;
    HWND status;
};

void SetRemovalStatus(HWND statusWindow, const char* text)
{
    if (!statusWindow || !IsWindow(statusWindow))
        return;
    SetWindowTextA(statusWindow, text);
    UpdateWindow(statusWindow);
}

// Shows string id, or the literal when the string cannot be loaded.
static void ShowStatus(const Removal& run, UINT id, const char* literal)
{
    char text[KV_TEXT_SIZE];
    if (!LoadMessage(id, text, ARRAY_SIZE(text)))
        StrCopy(text, sizeof text, literal);
    SetRemovalStatus(run.status, text);
}

// Leaves "failed to delete <path>" in errorText; a path too long for it is named by its file
// name alone, so that the text is never cut.
static void SetDeleteFailure(char* errorText, const char* path)
{
    if (!errorText)
        return;
    const char* slash = StrFindLastChar(path, '\\');
    if (!StrFormat(errorText, KV_TEXT_SIZE, "failed to delete %s", path)
        && !StrFormat(errorText, KV_TEXT_SIZE, "failed to delete %s", slash ? slash + 1 : path))
        StrCopy(errorText, KV_TEXT_SIZE, "failed to delete a file");
}

// The most ".del" names tried for one file: earlier removals whose restart has not come
// yet may still hold the first ones.
static const unsigned int kDeferredNameTries = 100;

// returns true with a ".del" name for path that no file holds yet
static bool FreeDeferredName(const char* path, char* deferred, size_t size)
{
    for (unsigned int n = 0; n < kDeferredNameTries; n++) {
        if (!DeferredDeleteName(deferred, size, path, n))
            return false;
        if (GetFileAttributesA(deferred) == INVALID_FILE_ATTRIBUTES)
            return true;
    }
    return false;
}

// True when the deletion of the file under its ".del" name can be stored: the folder's
// own command can be built (its short path is safe for the shell), the new name holds
// nothing the shell reads, and a short file name still fits after the folder.
static bool CanStoreDeferredDelete(const char* deferred)
{
    char folder[KV_PATH_SIZE];
    if (!StrCopy(folder, sizeof folder, deferred))
        return false;
    char* name = (char*)FileNamePart(folder);
    if (name == folder || !IsSafeShellPath(name))
        return false;
    name[-1] = '\0';
    char command[KV_LINE_SIZE];
    // "\" and an 8.3 name of at most 12 characters join the folder's short path.
    return BuildRestartCommand(command, sizeof command, "del", folder)
        && StrLength(command) + 13 < sizeof command;
}

// returns 1 when the file is gone (or was never there), 0 when it stays for now
int DeleteOrDefer(const char* path, char* errorText)
{
    DWORD attributes = GetFileAttributesA(path);
    // A folder of the user's that bears the name is no file of the product's.
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return 1;
    // Neither DeleteFileA nor the stored "del" deletes a read-only file.
    bool readOnly = (attributes & FILE_ATTRIBUTE_READONLY) != 0;
    if (readOnly) {
        DWORD writable = attributes & ~(DWORD)FILE_ATTRIBUTE_READONLY;
        SetFileAttributesA(path, writable ? writable : FILE_ATTRIBUTE_NORMAL);
    }
    if (DeleteFileA(path))
        return 1;
    SetDeleteFailure(errorText, path);

    // Only the ".del" name is stored: the file's own name may hold a fresh copy by the time
    // the machine restarts, from an install made in between. The file is renamed only when
    // its command can be stored, and goes back under its own name when storing fails.
    char deferred[KV_PATH_SIZE];
    char command[KV_LINE_SIZE];
    bool renamed = FreeDeferredName(path, deferred, sizeof deferred) && CanStoreDeferredDelete(deferred)
        && MoveFileA(path, deferred);
    if (renamed) {
        if (BuildRestartCommand(command, sizeof command, "del", deferred) && ScheduleAtRestart(command)) {
            g_bRestartNeeded = 1;
            return 0;
        }
        MoveFileA(deferred, path);
    } else if (!g_bWinNT && BuildRestartCommand(command, sizeof command, "del", path)
               && ScheduleAtRestart(command)) {
        // Windows 95 and 98 neither delete nor rename the file of a running program: its
        // own name is the only one it has until the next start.
        g_bRestartNeeded = 1;
        return 0;
    }
    // Nothing will delete the file: it stays as it was, and the removal is incomplete.
    if (readOnly)
        SetFileAttributesA(path, attributes);
    StrCopy(g_szKeptFile, sizeof g_szKeptFile, path);
    return 0;
}

// returns 1 when root\subKey and everything below it went, else 0
int DeleteRegistryTree(const char* subKey, HKEY root)
{
    HKEY key;
    if (RegOpenKeyExA(root, subKey, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS)
        return 0;
    int result = 1;
    // A subkey that cannot be removed is stepped over; every other one goes, so each
    // round either removes a subkey or moves on, and the walk ends.
    DWORD index = 0;
    char name[256];
    while (RegEnumKeyA(key, index, name, sizeof name) == ERROR_SUCCESS) {
        if (RegDeleteKeyA(key, name) == ERROR_SUCCESS)
            continue;
        char path[KV_LONG_TEXT_SIZE];
        if (StrFormat(path, sizeof path, "%s\\%s", subKey, name))
            DeleteRegistryTree(path, root);
        HKEY left;
        if (RegOpenKeyExA(key, name, 0, KEY_READ, &left) == ERROR_SUCCESS) {
            RegCloseKey(left);
            result = 0;
            index++;
        }
    }
    RegCloseKey(key);
    RegDeleteKeyA(root, subKey);
    return result;
}

int RemoveNamespaceEntries(void)
{
    const char* formats[] = { kDesktopNamespaceFormat, kMyComputerNamespaceFormat };
    const char* classes[] = { kExplorerNamespaceClsid, kClassicNamespaceClsid };
    for (const char* clsid : classes) {
        for (const char* format : formats) {
            char key[KV_TEXT_SIZE];
            if (StrFormat(key, sizeof key, format, clsid))
                RegDeleteKeyA(HKEY_LOCAL_MACHINE, key);
        }
    }
    return 1;
}

// Deletes each row's file in folder, showing its full path first. A path that does not fit
// is not touched at all, nor the spared file.
static void DeleteFiles(const Removal& run, const ProductFileEntry* rows, int count)
{
    for (int p = 0; p < count; p++) {
        char path[KV_PATH_SIZE];
        if (StrCompareNoCase(rows[p].reportName, g_szSparedName) == 0
            || !JoinPath(path, sizeof path, run.folder, rows[p].reportName))
            continue;
        SetRemovalStatus(run.status, path);
        DeleteOrDefer(path, run.errorText);
    }
}

static void RemoveUtilities(const Removal& run)
{
    ShowStatus(run, IDS_UNREGISTERING_BROWSER, "Unregistering KORVID Browser DLL");
    CallLibraryEntry(run.folder, "kvbho2k0.dll", "DllUnregisterServer");
    // The browser's helper list that the library's registration made on a machine without one.
    DeleteKeyIfEmpty(HKEY_LOCAL_MACHINE, kBrowserHelperList);
    // The scheduler removes its start-up entry; its file is deleted only once it has ended.
    ShowStatus(run, IDS_UNREGISTERING_SCHEDULER, "Unregistering KORVID Queue Scheduler");
    RunProgramAndWait(run.folder, "kvsched.exe", "-remove", SW_SHOWNORMAL, kSchedulerWaitMs);
    for (int p = 0; p < UTILITY_COUNT; p++) {
        char path[KV_PATH_SIZE];
        if (!JoinPath(path, sizeof path, run.folder, UtilityFiles[p].reportName))
            continue;
        SetRemovalStatus(run.status, path);
        if (p == UTILITY_SCHEDULER)
            RunProgramAndWait(run.folder, UtilityFiles[p].reportName, "-remove", SW_HIDE, kSchedulerWaitMs);
        DeleteOrDefer(path, run.errorText);
    }
}

// What the install's SSL registration recorded, and the maker's keys once they are empty.
static void RemoveSslRecord(void)
{
    DeleteRegistryTree(kSslRegistryPath, HKEY_LOCAL_MACHINE);
    DeleteKeyIfEmpty(HKEY_LOCAL_MACHINE, "SOFTWARE\\Oxtavine\\KORVID");
    DeleteKeyIfEmpty(HKEY_LOCAL_MACHINE, "SOFTWARE\\Oxtavine");
}

static void DeleteItems(const Removal& run, const ProductFileEntry* rows, int count, const char* itemTemplate)
{
    for (int p = 0; p < count; p++) {
        if (!rows[p].makeIcon)
            continue;
        char text[KV_TEXT_SIZE * 2];
        if (InsertText(text, sizeof text, itemTemplate, rows[p].displayName))
            SetRemovalStatus(run.status, text);
        ProgmanDeleteItem(rows[p].displayName, run.folder, rows[p].installedName, "");
    }
}

// The items go only from the product's own group, selected first: the server deletes from
// its current group, which may be any program's. A group the server does not list gets no
// command at all.
static void RemoveProgramItems(const Removal& run)
{
    ShowStatus(run, IDS_LOCATING_GROUP, "Locating icon group");
    char itemTemplate[KV_TEXT_SIZE];
    if (!LoadMessage(IDS_DELETING_ICON, itemTemplate, ARRAY_SIZE(itemTemplate)))
        StrCopy(itemTemplate, sizeof itemTemplate, "Deleting icon %s");
    char group[KV_TEXT_SIZE];
    GetProfileStringA("KORVID", "GROUP", kProductGroup, group, ARRAY_SIZE(group));
    if (group[0] == '\0')
        return;

    ProgmanOpen();
    bool selected = ProgmanSelectGroup(group) != 0;
    if (selected) {
        if (run.mask & MASK_EXPLORER) {
            ProgmanDeleteItem(kExplorerItem, run.folder, "", "");
            DeleteItems(run, ExplorerFiles, EXPLORER_COUNT, itemTemplate);
        }
        if (run.mask & MASK_UTILITIES)
            DeleteItems(run, UtilityFiles, UTILITY_COUNT, itemTemplate);
        if (run.mask & MASK_CLASSIC)
            DeleteItems(run, ClassicFiles, CLASSIC_COUNT, itemTemplate);
        DeleteItems(run, CommonFiles, COMMON_COUNT, itemTemplate);
    }
    ShowStatus(run, IDS_CLOSING_ICON_DELETION, "Closing icon deletion");
    if (selected)
        ProgmanCloseAndDeleteGroup(group);
    else
        ProgmanClose();
}

// True when the extension (from the last dot, any case) is one of the list.
static bool HasExtension(const char* name, const char* const* extensions, int count)
{
    const char* dot = StrFindLastChar(name, '.');
    if (!dot)
        return false;
    for (int i = 0; i < count; i++) {
        if (StrCompareNoCase(dot, extensions[i]) == 0)
            return true;
    }
    return false;
}

// Asks whether the INI files go; a silent run keeps them, since they hold the user's sites.
static bool AskDeleteIniFiles(const Removal& run)
{
    char path[KV_PATH_SIZE];
    if (!JoinPath(path, sizeof path, run.folder, kProductIni)
        || GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES)
        return false;
    if (g_bSilent)
        return false;
    char text[KV_LINE_SIZE];
    LoadMessage(IDS_DELETE_INI_FILES, text, ARRAY_SIZE(text));
    return MessageBoxA(run.owner, text, kCaption, MB_YESNO) == IDYES;
}

// The leftovers: backups, files staged for a restart's copy, temporary files, help indexes
// and logs, and the INI files when the user said so. Nothing else in the folder is touched,
// and no folder at all. A read-only file is the user's, whatever its name: the product
// makes none of these read-only, and the user who did wanted it kept.
// A leftover in use (the program an update moved aside while it ran) goes at the next start,
// as the product's own files do; a staged ".new" goes now, so that the restart's copy does
// not bring the removed program back.
static void DeleteLeftovers(const Removal& run)
{
    ShowStatus(run, IDS_DELETING_FILES, "Deleting files");
    static const char* const kAlways[] = { ".bak", ".new", ".tmp", ".gid", ".log" };
    static const char* const kIni[] = { ".ini" };
    bool deleteIni = AskDeleteIniFiles(run);

    char pattern[KV_PATH_SIZE];
    if (!JoinPath(pattern, sizeof pattern, run.folder, "*.*"))
        return;
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA(pattern, &found);
    if (find == INVALID_HANDLE_VALUE)
        return;
    do {
        // Only files: a folder of the user's is never touched, whatever its name.
        if (found.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY))
            continue;
        if (!HasExtension(found.cFileName, kAlways, ARRAY_SIZE(kAlways))
            && !(deleteIni && HasExtension(found.cFileName, kIni, ARRAY_SIZE(kIni))))
            continue;
        char path[KV_PATH_SIZE];
        if (!JoinPath(path, sizeof path, run.folder, found.cFileName))
            continue;
        SetRemovalStatus(run.status, path);
        DeleteOrDefer(path, run.errorText);
    } while (FindNextFileA(find, &found));
    FindClose(find);
}

// returns 1
int RunRemovalSequence(const char* folder, unsigned int mask, char* errorText, HWND ownerWindow,
                       HWND statusWindow)
{
    Removal run = { folder, mask, errorText, ownerWindow, statusWindow };
    // The item titles that come from the string table.
    LoadItemTitles();

    ShowStatus(run, IDS_REMOVING_UNINSTALL, "Removing uninstall info");
    if (RegDeleteKeyA(HKEY_LOCAL_MACHINE, kUninstallEntryKey) != ERROR_SUCCESS)
        DeleteRegistryTree(kUninstallEntryKey, HKEY_LOCAL_MACHINE);
    if (errorText)
        memset(errorText, 0, KV_TEXT_SIZE);
    if (!(mask & (MASK_CLASSIC | MASK_EXPLORER | MASK_UTILITIES | MASK_BROWSER))) {
        if (errorText)
            StrCopy(errorText, KV_TEXT_SIZE, "Nothing to do!");
        ShowStatus(run, IDS_COMPLETED, "completed");
        return 1;
    }

    ShowStatus(run, IDS_REMOVING_DESKTOP_ICONS, "Removing desktop icons");
    RemoveNamespaceEntries();
    if (mask & MASK_EXPLORER) {
        ShowStatus(run, IDS_UNREGISTERING_EXPLORER, "Unregistering explorer");
        CallLibraryEntry(folder, "kvproex.dll", "DllUnregisterServer");
        DeleteFiles(run, ExplorerFiles, EXPLORER_COUNT);
    }
    if (mask & MASK_UTILITIES)
        RemoveUtilities(run);
    if (mask & MASK_CLASSIC) {
        SetRemovalStatus(statusWindow, "Unregistering base product");
        UnregisterBaseProduct();
        DeleteFiles(run, ClassicFiles, CLASSIC_COUNT);
    }
    ShowStatus(run, IDS_UNREGISTERING_ICON_LINK, "Unregistering icon link");
    CallLibraryEntry(folder, CommonFiles[COMMON_STUB].installedName, "DllUnregisterServer");
    RemoveSslRecord();
    DeleteFiles(run, CommonFiles, COMMON_COUNT);

    RemoveProgramItems(run);
    DeleteLeftovers(run);
    ShowStatus(run, IDS_COMPLETED, "completed");
    return 1;
}
