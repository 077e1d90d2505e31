// The installation engine: the file tables, placing one file, the install sequence,
// registry and COM helpers, commands deferred to the next system start and the restart of
// the machine. It shows no page or question itself: the install asks through the
// InstallQuestions its caller hands in.
#pragma once
#include <windows.h>
#include "base/base.h"

// manifest.cpp
struct ManifestEntry {
    const char* resourceName; // null for a row the package does not carry
    const char* resourceType;
    const char* packedName;
    const char* stagingName;
};

enum {
    MANIFEST_COUNT = 58,
    MANIFEST_RELEASE_NOTES = 33, // TXTFILE, kvnews.tx_
    MANIFEST_PRODUCT_INI = 48,   // INIFILE1, the KORVID.ini template
    MANIFEST_INSTALL_INI = 57,   // INSTINI, the Install.ini template
};

// Group bases: the row p of a group is placed from manifest row base + p.
enum {
    CLASSIC_BASE = 0,
    CLASSIC_COUNT = 4,
    EXPLORER_BASE = 4,
    EXPLORER_COUNT = 6,
    UTILITY_BASE = 10,
    UTILITY_COUNT = 20,
    COMMON_BASE = 30,
    COMMON_COUNT = 18,
    SITEINI_BASE = 48,
    SITEINI_COUNT = 9,
};

// ProductFileEntry.status bits.
enum {
    FILE_INSTALLED = 0x1,
    FILE_ICON_CREATED = 0x2,
    FILE_REGISTERED = 0x4,
    FILE_FAILED = 0x8,
};

struct ProductFileEntry {
    const char* reportName;
    const char* installedName;
    const char* displayName; // "" where the row has no item
    int makeIcon;
    int required;
    DWORD status;
    int lastResult;
};

extern const ManifestEntry FileManifest[MANIFEST_COUNT];
extern ProductFileEntry ClassicFiles[CLASSIC_COUNT];
extern ProductFileEntry ExplorerFiles[EXPLORER_COUNT];
extern ProductFileEntry UtilityFiles[UTILITY_COUNT];
extern ProductFileEntry CommonFiles[COMMON_COUNT];
extern ProductFileEntry SiteIniFiles[SITEINI_COUNT];

// The five item titles that the main window loads from the string table.
extern char g_szTitleHelp[KV_TEXT_SIZE];          // 10012
extern char g_szTitleReleaseNotes[KV_TEXT_SIZE];  // 10013
extern char g_szTitleUninstall[KV_TEXT_SIZE];     // 10070
extern char g_szTitleIconPlacement[KV_TEXT_SIZE]; // 10053
extern char g_szTitleExplorerHelp[KV_TEXT_SIZE];  // 10036
// Fills the five title slots from the string table.
void LoadItemTitles(void);
// Clears status and lastResult of every row and restores makeIcon and required.
void ResetProductFileTable(void);

// install.cpp: the questions the install asks on its way. The engine shows nothing itself:
// the wizard hands in its pages and boxes, a silent run the default answers.
struct InstallQuestions {
    // The program group's name, proposed in group (KV_TEXT_SIZE characters), which holds the
    // answer afterwards. returns 1 for OK, 0 for Cancel
    int (*askGroupName)(HWND owner, char* group);
    // Where the Explorer interface's icon goes; the answer is left in g_iconLocation.
    void (*askIconPlacement)(void);
    // Whether the existing product INI is kept as original.ini and the new one installed with
    // the additional sites. returns 1 for Yes, 0 for No
    int (*askInstallSites)(HWND owner);
    // A required file could not be placed; text says which and why. returns 1 for Retry, 0
    // for Cancel
    int (*askRetry)(HWND owner, const char* text, const char* caption);
};
// The answers of a run that asks no one: the proposed group name, the preset icon placement,
// the existing product INI kept, and a failed file logged and given up.
extern const InstallQuestions kDefaultAnswers;

// placement.cpp
// The scratch file a new product file is written into, in its destination folder, before
// it replaces the earlier file; it never stays behind.
#define KV_SCRATCH_NAME "kvswap.tmp"
// The names the earlier file is kept under, beside it, while a new file takes its place on
// Windows 95 and 98 (the first of them that no file has); it goes once the new file is in
// place.
#define KV_BACKUP_NAME  "kvswap.bak"
#define KV_BACKUP_NAMES 100
// The backup name of that number: "kvswap.bak", then "kvswap1.bak" to "kvswap99.bak".
// returns false when number is KV_BACKUP_NAMES or more, or the name does not fit
bool BackupFileName(char* dest, size_t size, unsigned int number);
// Replaces targetPath by newPath the way Windows 95 and 98 can: the earlier file moved to
// the first free backup name, the new one moved into place, the backup deleted only then. A target in
// use (one that cannot be opened for writing) is not touched.
// returns 1 when replaced; else 0 with the earlier file at its name and the last error kept
int ReplaceKeepingBackup(const char* newPath, const char* targetPath);
// returns 1 when the whole resource was written, else 0 (also when its bytes do not match
// the sum the build stored for them: the last error is then ERROR_CRC)
int WriteResourceToFile(HINSTANCE module, int manifestIndex, const char* folder, const char* fileName);
// returns 1 on success, 0 on failure; may leave '_' as the last character of sourcePath
int ExpandFile(char* sourcePath, const char* targetPath);
// returns 0 on success, -1 on failure (the earlier target is then kept)
int WriteIniFromTemplate(const char* workFolder, const char* targetPath, const char* placeholder,
                         const char* replacement, int manifestIndex);
// A required file that fails is offered to questions->askRetry (null: kDefaultAnswers).
// returns 0 on success, 1 on failure
int InstallFile(const char* workFolder, const char* fileName, const char* destFolder, HWND ownerWindow,
                HWND statusWindow, int manifestIndex, int required, const InstallQuestions* questions = NULL);

// placement_text.cpp
// returns the CRC-32 (the polynomial of zip and gzip) of size bytes
DWORD Crc32(const void* bytes, size_t size);
// The name an in-use target is moved aside to (".bak") or staged under (".new"): the
// target with the first ".dll" (else first ".exe") of its file name, and the rest,
// replaced by suffix. returns false (dest empty) when the file name holds neither or the
// result does not fit
bool AlternateFileName(char* dest, size_t size, const char* target, const char* suffix);
// A template line with every placeholder replaced (an empty placeholder copies the line).
// returns false when the result does not fit size
bool SubstitutePlaceholder(char* out, size_t size, const char* line, const char* placeholder,
                           const char* replacement);

// restart.cpp
// Restarts the machine (reboot 1) or logs the user off (0), with the shutdown privilege on
// Windows NT. returns ExitWindowsEx's result
int RestartWindows(int reboot);
// Commands pending at once in one key: "Oxtavine0" up to "Oxtavine999".
enum { RESTART_MAX_COMMANDS = 1000 };
// returns 1 when the command was stored for the next start, else 0 (also when every
// name up to RESTART_MAX_COMMANDS is taken)
int ScheduleAtRestart(const char* command);

// registry.cpp
enum {
    REGLIB_FAILED = -1, // the entry returned a negative value
    REGLIB_NOT_RUN = 0, // the library did not load or lacks the entry
    REGLIB_SUCCEEDED = 1,
};
// returns 1 when the class's default value was written, else 0
int RegisterBaseProduct(const char* programPath);
// Removes the base product's server values and subkey, and its class key when that is
// left empty. returns 1
int UnregisterBaseProduct(void);
// returns 1 when root\subKey held neither subkeys nor values and was deleted, else 0
int DeleteKeyIfEmpty(HKEY root, const char* subKey);
// returns 1 when the value was written
int WriteRegistryString(HKEY root, const char* keyPath, const char* subkey, const char* valueName,
                        const char* text);
// returns 1 when the value was read
int ReadRegistryString(HKEY root, const char* keyPath, const char* valueName, const char* defaultText,
                       char* buffer, DWORD size);
// returns 1 when folder\fileName exists and can be opened for reading
int FileCanBeOpened(const char* folder, const char* fileName);
// A product library loaded with its folder current; closing it frees the library and makes
// the earlier folder current again. Every registration, unregistration and SSL call goes
// through it.
struct ProductLibrary {
    HMODULE module;
    bool remembered;
    char previous[KV_FOLDER_SIZE];
};
bool OpenProductLibrary(ProductLibrary* library, const char* folder, const char* fileName);
FARPROC ProductLibraryEntry(const ProductLibrary* library, const char* entryName);
void CloseProductLibrary(ProductLibrary* library);
// Calls DllRegisterServer of folder\fileName with folder current; returns a REGLIB_ value.
int RegisterLibrary(const char* folder, const char* fileName);
// The same with another entry (DllUnregisterServer for the removal).
int CallLibraryEntry(const char* folder, const char* fileName, const char* entryName);

// folders.cpp
// True when dest is the work folder (with its trailing backslash) or lies inside it.
bool IsInsideWorkFolder(const char* dest, const char* workFolder);
// returns non-zero when the folder exists at the end; every failing level is reported
int CreateFolderPath(char* path);

// destination.cpp
enum {
    DEST_ACCEPTED = 0,
    DEST_RELATIVE,       // not a full path, or one with "." or ".." segments
    DEST_ROOT,           // a drive root or share with no folder below it
    DEST_SYSTEM_FOLDER,  // the Windows or system folder, inside one, or holding one
    DEST_WORK_FOLDER,    // the work folder, inside it, or holding it
    DEST_TOO_LONG,       // no full path that fits
    DEST_FILES_TOO_LONG, // the paths of the product's files in it would not fit
};
// The longest name a product file, its ".bak"/".new" name or the scratch file has in the
// destination folder; a folder is accepted only when that name still fits below it.
enum { KV_LONGEST_FILE_NAME = 12 };
// True when inner is the folder outer or lies inside it, ignoring case and trailing
// backslashes; an empty outer holds nothing.
bool IsSameOrInside(const char* inner, const char* outer);
// The pure test of an absolute folder against the folders it must stay clear of.
int ClassifyDestination(const char* fullPath, const char* workFolder, const char* windowsFolder,
                        const char* systemFolder);
// The same test for a folder an earlier installation recorded: it may lie inside the
// Windows, system or work folder, but not be one of them or hold one.
int ClassifyRecordedFolder(const char* fullPath, const char* workFolder, const char* windowsFolder,
                           const char* systemFolder);
// Makes folder absolute into fullPath (no trailing backslash) and tests it against the
// Windows, system and work folders; returns DEST_ACCEPTED or the reason it is refused.
int CheckDestination(const char* folder, const char* workFolder, char* fullPath, size_t size);
// The same with the recorded folder's test (ClassifyRecordedFolder).
int CheckRecordedFolder(const char* folder, const char* workFolder, char* fullPath, size_t size);
// The check for a folder chosen to install into (the folder page, DIR32, /DIR=): the folder
// win.ini records for an earlier installation takes the recorded folder's check, so that an
// installation inside the Windows folder can be updated; any other folder takes
// CheckDestination's.
int CheckChosenDestination(const char* folder, const char* workFolder, char* fullPath, size_t size);
// The words that name a refusal's reason, for the log and the message.
const char* DestinationRefusalText(int reason);

// command.cpp: quoted command lines.
// "program" arguments; returns false when program cannot be quoted safely or it does not fit.
bool FormatProgramCommand(char* out, size_t size, const char* program, const char* arguments);
// The same for folder\name (out empty when folder\name is longer than a path may be).
bool FormatFolderProgramCommand(char* out, size_t size, const char* folder, const char* name,
                                const char* arguments);
// The uninstall entry's command, "folder\unkv32.exe" -f folder -d folder -g group, the
// values unquoted after their switches; returns false when a value holds a double quote, a
// control character or a switch of its own, or the command does not fit.
bool FormatUninstallCommand(char* out, size_t size, const char* folder, const char* group);
// Starts folder\name with its path quoted and folder as its current folder, and waits for it
// to end, timeoutMs at most.
// returns 1 when it ended in time, 0 when it did not start or still runs
int RunProgramAndWait(const char* folder, const char* name, const char* arguments, UINT show,
                      DWORD timeoutMs);
// True when the path can stand in double quotes on a command shell's line: no control
// character and none of & | < > ^ % ! " (which the shell reads even inside quotes).
bool IsSafeShellPath(const char* path);
// <shell> /c <verb> "<path>". returns false (out empty) when the path is not safe for the
// shell or the command does not fit
bool FormatShellCommand(char* out, size_t size, const char* shell, const char* verb, const char* path);
// The short (8.3) form of an existing path. returns false when the system could not convert
// it or it does not fit (out then empty)
bool GetShortPath(const char* path, char* out, size_t size);
// The command for the next start that runs verb ("del", "rmdir") on the short path of path,
// through "cmd.exe" on Windows NT and "command.com" otherwise. returns false when the short
// path cannot be had, is not safe for the shell, or the command does not fit
bool BuildRestartCommand(char* out, size_t size, const char* verb, const char* path);

// install.cpp
enum {
    MASK_CLASSIC = CHOICE_CLASSIC,
    MASK_EXPLORER = CHOICE_EXPLORER,
    MASK_UTILITIES = CHOICE_UTILITIES,
    MASK_BROWSER = CHOICE_BROWSER,
    MASK_QUEUE = CHOICE_QUEUE,
    MASK_NO_QUESTIONS = 0x10000000,
};
enum {
    RESULT_SUCCEEDED = 0x1,
    RESULT_ITEMS_CREATED = 0x2,
    RESULT_BASE_REGISTERED = 0x4,
    RESULT_FAILED_RUN = 0x8,
    RESULT_EXPLORER_REGISTERED = 0x10000,
};
// The names the install writes and the removal takes away again.
extern const char kProductGroup[];              // "KORVID Pro"
extern const char kExplorerNamespaceClsid[];    // the Explorer view's namespace entry
extern const char kClassicNamespaceClsid[];     // the classic interface's namespace entry
extern const char kDesktopNamespaceFormat[];    // format, filled with a class id
extern const char kMyComputerNamespaceFormat[]; // format, filled with a class id
extern const char kUninstallEntryKey[];         // under HKEY_LOCAL_MACHINE
extern const char kSslRegistryPath[];           // what DLLRegisterSSL records, under HKEY_LOCAL_MACHINE
// Asks through questions (null: kDefaultAnswers); with MASK_NO_QUESTIONS it asks only for
// the group name and about failed files. returns 1 on success, 0 on failure (the failure
// text then says why, when it says anything)
int InstallProduct(const char* workFolder, const char* destFolder, unsigned int installMask,
                   unsigned int* outcome, HWND ownerWindow, HWND statusWindow, char* errorText,
                   const InstallQuestions* questions = NULL);
