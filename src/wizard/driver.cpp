// The wizard driver: install or remove, settle and create the destination folder, take the
// product choices, run the install behind the copy box, fix up the product INI, record the
// installation in win.ini, then offer the restart or report success. A silent run takes the
// same road with the preset answers and no window at all.
#include "wizard/wizard.h"
#include "engine/engine.h"
#include "dialogs/dialogs.h"
#include "removal/removal.h"
#include "resources/resource.h"
#include <direct.h>
#include <string.h>

static const char kCaption[] = "KORVID Pro Installation";
static const char kProductIni[] = "KORVID.ini";
// The address that earlier copies of the product INI carried as the anonymous-login
// password; it is replaced by the product's own default.
static const char kPlaceholderMailAddress[] = "you@yours.com";
static const char kDefaultMailAddress[] = "qlmrx66@";
static const char kMissingMailAddress[] = "qlmrx60@";

static_assert(sizeof kPlaceholderMailAddress - 1 == 13, "the placeholder address has 13 characters");

// returns true when the default destination fitted
bool DefaultDestination(char* dest, size_t size, const char* systemFolder, int versionKnown, DWORD platformId,
                        DWORD majorVersion)
{
    const char* folder = "\\KORVID";
    if (versionKnown && platformId != VER_PLATFORM_WIN32s && majorVersion >= 4)
        folder = "\\Program Files\\KORVID Pro";
    else if (versionKnown && platformId == VER_PLATFORM_WIN32_NT)
        folder = "\\WIN32APP\\KORVID";
    // The drive letter and colon of the system folder, then the row's folder.
    char drive[3] = { 0 };
    if (strlen(systemFolder) >= 2) {
        drive[0] = systemFolder[0];
        drive[1] = systemFolder[1];
    }
    return StrFormat(dest, size, "%s%s", drive, folder);
}

unsigned int BuildInstallMask(unsigned int selection, int installUtilities, int silent)
{
    unsigned int mask = selection & (MASK_CLASSIC | MASK_EXPLORER | MASK_BROWSER | MASK_QUEUE);
    if (installUtilities)
        mask |= MASK_UTILITIES;
    if (silent)
        mask |= MASK_NO_QUESTIONS;
    return mask;
}

// returns true when the value is the product's default address and is to be written back
bool FixMailAddress(char* address, size_t size)
{
    if (_strnicmp(address, kPlaceholderMailAddress, sizeof kPlaceholderMailAddress - 1) == 0)
        StrCopy(address, size, kDefaultMailAddress);
    return _stricmp(address, kDefaultMailAddress) == 0;
}

static void ShowError(HWND owner, const char* text)
{
    MessageBoxA(owner, text, kCaption, MB_ICONERROR);
}

// Settles the default destination: platform, then the options file, then an earlier
// installation. returns false when the folder does not fit its buffer
static bool SettleDestination(char* destFolder, size_t size)
{
    OSVERSIONINFOA version;
    memset(&version, 0, sizeof version);
    version.dwOSVersionInfoSize = sizeof version;
    int known = GetVersionExA(&version) ? 1 : 0;
    char systemFolder[512] = "";
    GetSystemDirectoryA(systemFolder, ARRAY_SIZE(systemFolder));
    if (!DefaultDestination(destFolder, size, systemFolder, known, version.dwPlatformId,
                            version.dwMajorVersion))
        return false;

    char value[512];
    ReadOptionsFileString("KORVID", "DIR32", destFolder, value, ARRAY_SIZE(value));
    if (strcmp(value, destFolder) != 0 && !StrCopy(destFolder, size, value))
        return false;

    char earlier[256];
    if (GetProfileStringA("KORVID", "DIR", destFolder, earlier, ARRAY_SIZE(earlier)) > 0
        && !StrCopy(destFolder, size, earlier))
        return false;
    return true;
}

// The interactive destination page, asked again until a folder is accepted.
// returns true when a folder was accepted, false on Cancel
static bool AskDestination(HWND owner, const char* prompt, const char* sourceFolder, char* destFolder)
{
    for (;;) {
        if (!RunFolderDialog(owner, g_hInstance, prompt, destFolder, destFolder))
            return false;
        if (IsInsideWorkFolder(destFolder, sourceFolder)) {
            char text[2048];
            LoadMessage(IDS_DEST_IS_SOURCE, text, ARRAY_SIZE(text));
            ShowError(owner, text);
            continue;
        }
        if (CreateFolderPath(destFolder))
            return true;
        char format[KV_TEXT_SIZE], text[KV_FORMAT_SIZE] = "";
        LoadMessage(IDS_CREATE_FOLDER_FAILED, format, ARRAY_SIZE(format));
        FormatText(text, format, destFolder, (DWORD_PTR)0);
        ShowError(owner, text);
    }
}

// The product INI's anonymous-login address: the placeholder becomes the default.
static void FixProductIni(const char* destFolder)
{
    char iniPath[512], address[128];
    if (!StrFormat(iniPath, sizeof iniPath, "%s\\%s", destFolder, kProductIni))
        return;
    GetPrivateProfileStringA("_config_", "MAILADDR", kMissingMailAddress, address, ARRAY_SIZE(address),
                             iniPath);
    if (FixMailAddress(address, sizeof address))
        WritePrivateProfileStringA("_config_", "MAILADDR", address, iniPath);
}

// The welcome page's "View Release Notes": the notes placed like any product file, owned by
// the page. returns 0 on success, 1 on failure
static int PlaceReleaseNotes(HWND owner, const char* folder, const char* fileName)
{
    return InstallFile(folder, fileName, folder, owner, NULL, MANIFEST_RELEASE_NOTES, 1);
}

// returns 1 after a successful install, 0 after a cancel or a failure, the removal's result
// after a removal
int RunWizard(HWND ownerWindow, unsigned int preselected, unsigned int offered)
{
    char sourceFolder[512] = "", destFolder[512] = "", prompt[KV_TEXT_SIZE];
    char line[KV_FORMAT_SIZE];

    int choice = g_bSilent ? 1 : RunWelcomeDialog(ownerWindow, g_hInstance, PlaceReleaseNotes);
    if (choice == 0)
        return 0;
    if (choice == 2)
        return RemoveProduct(ownerWindow);

    if (!_getcwd(sourceFolder, ARRAY_SIZE(sourceFolder)))
        sourceFolder[0] = '\0';
    if (sourceFolder[0] && sourceFolder[strlen(sourceFolder) - 1] != '\\'
        && !StrAppend(sourceFolder, sizeof sourceFolder, "\\"))
        return 0;
    PumpMessages();

    if (!SettleDestination(destFolder, sizeof destFolder)) {
        StrFormat(line, sizeof line, "Failed to create DestDir \"%s\"", destFolder);
        LogLine(line);
        return 0;
    }
    LoadMessage(IDS_ENTER_DEST_FOLDER, prompt, ARRAY_SIZE(prompt));

    if (g_bSilent) {
        if (strcmp(destFolder, sourceFolder) == 0) {
            StrFormat(line, sizeof line, "SourceDir=DestDir \"%s\"", sourceFolder);
            LogLine(line);
            return 0;
        }
        if (!CreateFolderPath(destFolder)) {
            StrFormat(line, sizeof line, "Failed to create DestDir \"%s\"", destFolder);
            LogLine(line);
            return 0;
        }
    } else if (!AskDestination(ownerWindow, prompt, sourceFolder, destFolder)) {
        char text[2048];
        LoadMessage(IDS_NO_DEST_FOLDER, text, ARRAY_SIZE(text));
        ShowError(ownerWindow, text);
        return 0;
    }

    PumpMessages();
    unsigned int outcome = 0;
    unsigned int selection = preselected;
    if (g_bSilent) {
        StrFormat(line, sizeof line, "nV=%d nM=%d", (int)preselected, (int)offered);
        LogLine(line);
    } else {
        selection = (unsigned int)RunInterfaceDialog(ownerWindow, g_hInstance, preselected, offered);
        if (selection == 0 && !gbInstallBonusPack) {
            g_bRestartNeeded = 0;
            return 0;
        }
    }

    char errorText[512];
    memset(errorText, 0, sizeof errorText);
    HWND copyBox = NULL;
    if (!g_bSilent)
        copyBox = CreateDialogParamA(g_hInstance, DLG_COPY, ownerWindow, CopyDialogProc, 0);
    g_hModelessDialog = copyBox;

    unsigned int mask = BuildInstallMask(selection, gbInstallBonusPack, g_bSilent);
    g_bRestartNeeded = 0;
    HWND status = copyBox ? GetDlgItem(copyBox, IDC_COPY_STATUS) : NULL;
    int ok = InstallProduct(sourceFolder, destFolder, mask, &outcome, ownerWindow, status, errorText);

    SetActiveWindow(ownerWindow);
    if (copyBox)
        DestroyWindow(copyBox);
    g_hModelessDialog = NULL;

    if (!ok) {
        char text[2048];
        LoadMessage(IDS_INSTALL_FAILED, text, ARRAY_SIZE(text));
        if (g_bSilent) {
            // An unattended run has no one to tell: the failure goes to the log.
            LogLine(text);
            if (errorText[0])
                LogLine(errorText);
        } else {
            if (errorText[0]) {
                StrAppend(text, sizeof text, "\r\n");
                StrAppend(text, sizeof text, errorText);
            }
            MessageBoxA(ownerWindow, text, NULL, MB_OK);
        }
        g_bRestartNeeded = 0;
        return 0;
    }

    if (outcome & RESULT_EXPLORER_REGISTERED)
        g_bRestartNeeded = 1;
    FixProductIni(destFolder);
    WriteProfileStringA("KORVID", "DEFDIR", destFolder);
    WriteProfileStringA("KORVID", "INSTOPTS", "12");
    WriteProfileStringA("KORVID", "PRO", "20000920");

    int restartAsked = g_bRestartNeeded;
    if (g_bRestartNeeded) {
        if (g_bSilent) {
            if (!g_bAllowReboot)
                g_bRestartNeeded = 0;
        } else {
            INT_PTR answer = DialogBoxParamA(g_hInstance, MAKEINTRESOURCEA(IDD_RESTART), ownerWindow,
                                             RestartDialogProc, 0);
            g_bRestartNeeded = answer == 1 ? 1 : 0;
        }
    }
    if (!restartAsked && !g_bSilent) {
        char text[2048], caption[KV_TEXT_SIZE];
        LoadMessage(IDS_INSTALL_SUCCESS, text, ARRAY_SIZE(text));
        LoadMessage(IDS_CONGRATULATIONS, caption, ARRAY_SIZE(caption));
        MessageBoxA(ownerWindow, text, caption, MB_OK);
    }
    return 1;
}
