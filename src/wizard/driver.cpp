// The wizard driver: install or remove, settle and create the destination folder, take the
// product choices, run the install behind the copy box, fix up the product INI, record the
// installation in win.ini, then offer the restart or report success. A silent run takes the
// same road with the preset answers and no window at all.
#include "wizard/wizard.h"
#include "engine/engine.h"
#include "dialogs/dialogs.h"
#include "removal/removal.h"
#include "resources/resource.h"

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
    if (StrLength(systemFolder) >= 2) {
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
    if (StrCompareNoCaseN(address, kPlaceholderMailAddress, sizeof kPlaceholderMailAddress - 1) == 0)
        StrCopy(address, size, kDefaultMailAddress);
    return StrCompareNoCase(address, kDefaultMailAddress) == 0;
}

static void ShowError(HWND owner, const char* text)
{
    MessageBoxA(owner, text, kCaption, MB_ICONERROR);
}

// What the steps of one run share.
struct WizardRun {
    HWND owner;
    unsigned int preselected;          // nV
    unsigned int offered;              // nM
    char sourceFolder[KV_FOLDER_SIZE]; // the work folder, ending in '\' unless empty
    char destFolder[KV_FOLDER_SIZE];
    unsigned int selection;       // the interface page's answer
    unsigned int outcome;         // the install's outcome bits
    char errorText[KV_LINE_SIZE]; // the install's failure text
};

// Writes one log line naming the folder.
static void LogFolder(const char* format, const char* folder)
{
    char line[KV_FORMAT_SIZE];
    StrFormat(line, sizeof line, format, folder);
    LogLine(line);
}

// The default destination: platform, then the options file, then an earlier installation.
// returns false when the folder does not fit its buffer
static bool DefaultFolder(char* destFolder, size_t size)
{
    OSVERSIONINFOA version;
    memset(&version, 0, sizeof version);
    version.dwOSVersionInfoSize = sizeof version;
    int known = GetVersionExA(&version) ? 1 : 0;
    char systemFolder[KV_FOLDER_SIZE] = "";
    GetSystemDirectoryA(systemFolder, ARRAY_SIZE(systemFolder));
    if (!DefaultDestination(destFolder, size, systemFolder, known, version.dwPlatformId,
                            version.dwMajorVersion))
        return false;

    // A value that fills its buffer may have been cut, and a cut folder is never used: the
    // run ends here (a longer value than a path would be refused by the destination check).
    char value[KV_FOLDER_SIZE];
    ReadOptionsFileString("KORVID", "DIR32", destFolder, value, ARRAY_SIZE(value));
    if (StrLength(value) >= ARRAY_SIZE(value) - 1) {
        LogLine("Refused DIR32 of the options file: longer than a path");
        return false;
    }
    if (StrCompare(value, destFolder) != 0 && !StrCopy(destFolder, size, value))
        return false;

    // Read with no default: given the preset folder as its default, the profile read would
    // hand back a long preset cut to the buffer's size.
    char earlier[KV_FOLDER_SIZE];
    DWORD length = GetProfileStringA("KORVID", "DIR", "", earlier, ARRAY_SIZE(earlier));
    if (length >= ARRAY_SIZE(earlier) - 1) {
        LogLine("Refused DIR of win.ini: longer than a path");
        return false;
    }
    if (length > 0 && !StrCopy(destFolder, size, earlier))
        return false;
    return true;
}

// The destination check for one answer of the folder page: the work folder and everything
// inside it get message 10022, any other refused folder the refusal's reason. On acceptance
// the folder becomes its full form. returns true when the folder was accepted
static bool AcceptTypedFolder(WizardRun& run)
{
    char full[KV_PATH_SIZE];
    int reason = IsInsideWorkFolder(run.destFolder, run.sourceFolder)
        ? DEST_WORK_FOLDER
        : CheckChosenDestination(run.destFolder, run.sourceFolder, full, sizeof full);
    if (reason == DEST_ACCEPTED)
        return StrCopy(run.destFolder, sizeof run.destFolder, full);
    char text[KV_FORMAT_SIZE] = "";
    if (reason == DEST_WORK_FOLDER) {
        LoadMessage(IDS_DEST_IS_SOURCE, text, ARRAY_SIZE(text));
    } else {
        char format[KV_TEXT_SIZE];
        LoadMessage(IDS_DEST_REFUSED, format, ARRAY_SIZE(format));
        FormatText(text, format, run.destFolder, DestinationRefusalText(reason));
    }
    ShowError(run.owner, text);
    return false;
}

// The interactive destination page, asked again until a folder is accepted and exists. A
// folder that cannot be made was reported by CreateFolderPath, with the system's error.
// returns true when a folder was accepted, false on Cancel
static bool AskDestination(WizardRun& run, const char* prompt)
{
    for (;;) {
        if (!RunFolderDialog(run.owner, g_hInstance, prompt, run.destFolder, run.destFolder))
            return false;
        if (AcceptTypedFolder(run) && CreateFolderPath(run.destFolder))
            return true;
    }
}

// The silent destination: the preset folder must pass the destination check and exist.
// returns true when the folder can be installed into
static bool PresetDestination(WizardRun& run)
{
    if (StrCompare(run.destFolder, run.sourceFolder) == 0) {
        LogFolder("SourceDir=DestDir \"%s\"", run.sourceFolder);
        return false;
    }
    char full[KV_PATH_SIZE], line[KV_FORMAT_SIZE];
    int reason = CheckChosenDestination(run.destFolder, run.sourceFolder, full, sizeof full);
    if (reason != DEST_ACCEPTED) {
        StrFormat(line, sizeof line, "Refused DestDir \"%s\": %s", run.destFolder,
                  DestinationRefusalText(reason));
        LogLine(line);
        return false;
    }
    if (!StrCopy(run.destFolder, sizeof run.destFolder, full) || !CreateFolderPath(run.destFolder)) {
        LogFolder("Failed to create DestDir \"%s\"", run.destFolder);
        return false;
    }
    return true;
}

// Step 1: the work folder and the destination, which exists afterwards.
// returns false when the run ends here
static bool SettleDestination(WizardRun& run)
{
    if (!GetCurrentFolder(run.sourceFolder, ARRAY_SIZE(run.sourceFolder)))
        run.sourceFolder[0] = '\0';
    if (run.sourceFolder[0] && run.sourceFolder[StrLength(run.sourceFolder) - 1] != '\\'
        && !StrAppend(run.sourceFolder, sizeof run.sourceFolder, "\\"))
        return false;
    PumpMessages();

    char text[KV_MESSAGE_SIZE];
    LoadMessage(IDS_NO_DEST_FOLDER, text, ARRAY_SIZE(text));
    if (!DefaultFolder(run.destFolder, sizeof run.destFolder)) {
        LogFolder("Failed to create DestDir \"%s\"", run.destFolder);
        // The person at the screen learns why the setup ends here, too.
        if (!g_bSilent)
            ShowError(run.owner, text);
        return false;
    }
    char prompt[KV_TEXT_SIZE];
    LoadMessage(IDS_ENTER_DEST_FOLDER, prompt, ARRAY_SIZE(prompt));
    if (g_bSilent)
        return PresetDestination(run);
    if (AskDestination(run, prompt))
        return true;
    ShowError(run.owner, text);
    return false;
}

// Step 2: the product choices, preset or from the interface page.
// returns false when the run ends here
static bool TakeChoices(WizardRun& run)
{
    PumpMessages();
    run.outcome = 0;
    run.selection = run.preselected;
    if (g_bSilent) {
        char line[KV_TEXT_SIZE];
        StrFormat(line, sizeof line, "nV=%d nM=%d", (int)run.preselected, (int)run.offered);
        LogLine(line);
        return true;
    }
    run.selection = (unsigned int)RunInterfaceDialog(run.owner, g_hInstance, run.preselected, run.offered);
    if (run.selection == 0 && !gbInstallBonusPack) {
        g_bRestartNeeded = 0;
        return false;
    }
    return true;
}

// Step 3: the install sequence behind the copy box (none in a silent run). Its questions
// go to the pages, or in a silent run take the default answers.
// returns InstallProduct's result
static int InstallBehindCopyBox(WizardRun& run)
{
    memset(run.errorText, 0, sizeof run.errorText);
    HWND copyBox = NULL;
    if (!g_bSilent)
        copyBox = CreateDialogParamA(g_hInstance, DLG_COPY, run.owner, CopyDialogProc, 0);
    g_hModelessDialog = copyBox;

    unsigned int mask = BuildInstallMask(run.selection, gbInstallBonusPack, g_bSilent);
    g_bRestartNeeded = 0;
    g_bRestartPending = 0;
    HWND status = copyBox ? GetDlgItem(copyBox, IDC_COPY_STATUS) : NULL;
    const InstallQuestions* questions = g_bSilent ? &kDefaultAnswers : &kPageQuestions;
    int ok = InstallProduct(run.sourceFolder, run.destFolder, mask, &run.outcome, run.owner, status,
                            run.errorText, questions);

    SetActiveWindow(run.owner);
    if (copyBox)
        DestroyWindow(copyBox);
    g_hModelessDialog = NULL;
    return ok;
}

// Step 4 after a failure: message 10028 with the failure text (the log when silent).
// returns 0
static int ReportFailure(WizardRun& run)
{
    char text[KV_MESSAGE_SIZE];
    LoadMessage(IDS_INSTALL_FAILED, text, ARRAY_SIZE(text));
    if (g_bSilent) {
        // An unattended run has no one to tell: the failure goes to the log.
        LogLine(text);
        if (run.errorText[0])
            LogLine(run.errorText);
    } else {
        if (run.errorText[0]) {
            StrAppend(text, sizeof text, "\r\n");
            StrAppend(text, sizeof text, run.errorText);
        }
        MessageBoxA(run.owner, text, NULL, MB_OK);
    }
    g_bRestartNeeded = 0;
    return 0;
}

// The product INI's anonymous-login address: the placeholder becomes the default.
static void FixProductIni(const char* destFolder)
{
    char iniPath[KV_FOLDER_SIZE], address[128];
    if (!StrFormat(iniPath, sizeof iniPath, "%s\\%s", destFolder, kProductIni))
        return;
    GetPrivateProfileStringA("_config_", "MAILADDR", kMissingMailAddress, address, ARRAY_SIZE(address),
                             iniPath);
    if (FixMailAddress(address, sizeof address))
        WritePrivateProfileStringA("_config_", "MAILADDR", address, iniPath);
}

// Step 4 after success: the product INI fix-up, the win.ini records, then the restart page
// or the success message. returns 1
static int Finish(WizardRun& run)
{
    if (run.outcome & RESULT_EXPLORER_REGISTERED)
        g_bRestartNeeded = 1;
    FixProductIni(run.destFolder);
    WriteProfileStringA("KORVID", "DEFDIR", run.destFolder);
    WriteProfileStringA("KORVID", "INSTOPTS", "12");
    WriteProfileStringA("KORVID", "PRO", "20000920");

    int restartAsked = g_bRestartNeeded;
    if (g_bSilent)
        g_nExitCode = g_bRestartNeeded || g_bRestartPending ? EXIT_RESTART_NEEDED : EXIT_INSTALLED;
    if (g_bRestartNeeded) {
        if (g_bSilent) {
            if (!g_bAllowReboot)
                g_bRestartNeeded = 0;
        } else if (g_bNoRestart) {
            // The page would offer to restart now: the user is told to restart instead.
            char text[KV_MESSAGE_SIZE], caption[KV_TEXT_SIZE];
            LoadMessage(IDS_RESTART_LEFT_TO_USER, text, ARRAY_SIZE(text));
            LoadMessage(IDS_CONGRATULATIONS, caption, ARRAY_SIZE(caption));
            MessageBoxA(run.owner, text, caption, MB_OK | MB_ICONINFORMATION);
            g_bRestartNeeded = 0;
        } else {
            INT_PTR answer =
                DialogBoxParamA(g_hInstance, MAKEINTRESOURCEA(IDD_RESTART), run.owner, RestartDialogProc, 0);
            g_bRestartNeeded = answer == 1 ? 1 : 0;
        }
    }
    if (!restartAsked && !g_bSilent) {
        char text[KV_MESSAGE_SIZE], caption[KV_TEXT_SIZE];
        LoadMessage(IDS_INSTALL_SUCCESS, text, ARRAY_SIZE(text));
        LoadMessage(IDS_CONGRATULATIONS, caption, ARRAY_SIZE(caption));
        MessageBoxA(run.owner, text, caption, MB_OK);
    }
    return 1;
}

// The welcome page's "View Release Notes": the notes placed like any product file, owned by
// the page, which also owns its Retry/Cancel box. returns 0 on success, 1 on failure
static int PlaceReleaseNotes(HWND owner, const char* folder, const char* fileName)
{
    return InstallFile(folder, fileName, folder, owner, NULL, MANIFEST_RELEASE_NOTES, 1, &kPageQuestions);
}

// returns 1 after a successful install, 0 after a cancel or a failure, the removal's result
// after a removal
int RunWizard(HWND ownerWindow, unsigned int preselected, unsigned int offered)
{
    // A silent run that ends before the install succeeded has failed.
    g_nExitCode = EXIT_INSTALL_FAILED;
    int choice = g_bSilent ? 1 : RunWelcomeDialog(ownerWindow, g_hInstance, PlaceReleaseNotes);
    if (choice == 0)
        return 0;
    if (choice == 2)
        return RemoveProduct(ownerWindow);

    WizardRun run;
    memset(&run, 0, sizeof run);
    run.owner = ownerWindow;
    run.preselected = preselected;
    run.offered = offered;
    if (!SettleDestination(run) || !TakeChoices(run))
        return 0;
    if (!InstallBehindCopyBox(run))
        return ReportFailure(run);
    return Finish(run);
}
