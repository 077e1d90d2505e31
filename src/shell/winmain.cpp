// The entry point: reads the command line's switches, makes the temporary folder the work
// folder, takes the one-setup-at-a-time lock, takes a unique staging name, stages the options
// template, reads the options (the switches win over them), ends here on a usage request, a
// refused switch or another setup running, works out the product choices for this Windows
// version, creates the main window, posts it the command that runs the setup, and runs the
// message loop until the window closes.
#include "shell/shell.h"
#include "engine/engine.h"
#include "resources/resource.h"

static const char kClassName[] = "KVInstal";
static const char kCaption[] = "KORVID Pro Install (32)";
static const char kBoxCaption[] = "KORVID Pro Installation";

enum {
    MAIN_CLASS_STYLE = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS | CS_BYTEALIGNWINDOW,
    MAIN_WINDOW_STYLE = WS_CLIPCHILDREN | WS_CAPTION | WS_SYSMENU,
    EXIT_REGISTER_FAILED = -1,
    EXIT_CREATE_FAILED = 2,
};

// Reports a start-up failure by its string number, unless the run is silent.
static void ReportStartupFailure(UINT messageId)
{
    char text[KV_TEXT_SIZE];
    LoadMessage(messageId, text, ARRAY_SIZE(text));
    if (!g_bSilent)
        MessageBoxA(NULL, text, NULL, MB_ICONWARNING);
}

// Makes the temporary folder current. Leaves the folder in tempFolder with a trailing '\';
// returns 0 when the folder could not be named at all.
static int EnterWorkFolder(char* tempFolder, size_t size)
{
    if (!GetTempFolder(tempFolder))
        return 0;
    // A failure leaves the start-up directory current; the options reader copes.
    SetCurrentDirectoryA(tempFolder);
    // A drive root keeps its backslash already.
    return EndsWithSeparator(tempFolder) || StrAppend(tempFolder, size, "\\") ? 1 : 0;
}

// Takes the staging name and stages the options template where the options reader looks
// first (not over an options file the command line names there); a failure is harmless,
// the reader then falls back.
static void StageWorkFiles(HINSTANCE instance, const char* tempFolder)
{
    char path[KV_PATH_SIZE];
    memset(g_szStagingName, 0, sizeof(g_szStagingName));
    if (GetTempFileNameA(tempFolder, "KVD", 0, path)) {
        const char* name = StrFindLastChar(path, '\\');
        StrCopy(g_szStagingName, ARRAY_SIZE(g_szStagingName), name ? name + 1 : path);
    }
    if (!g_bKeepWorkOptions)
        WriteResourceToFile(instance, MANIFEST_INSTALL_INI, tempFolder, "Install.ini");
}

// True when path (a full path) names the work folder's Install.ini, by its long or its short
// name: the file start-up stages the template as, and the clean-up deletes.
static bool NamesWorkOptionsFile(const char* path, const char* workFolder)
{
    char staged[KV_PATH_SIZE], shortPath[KV_PATH_SIZE], shortStaged[KV_PATH_SIZE];
    if (!path[0] || !JoinPath(staged, sizeof staged, workFolder, "Install.ini"))
        return false;
    if (StrCompareNoCase(path, staged) == 0)
        return true;
    DWORD pathLength = GetShortPathNameA(path, shortPath, ARRAY_SIZE(shortPath));
    DWORD stagedLength = GetShortPathNameA(staged, shortStaged, ARRAY_SIZE(shortStaged));
    return pathLength > 0 && pathLength < ARRAY_SIZE(shortPath) && stagedLength > 0
        && stagedLength < ARRAY_SIZE(shortStaged) && StrCompareNoCase(shortPath, shortStaged) == 0;
}

// A run that ends before the setup: the staged template and the unique file go again.
static int EndBeforeSetup(int exitCode, const char* tempFolder)
{
    char path[KV_PATH_SIZE];
    CleanUpStagingFiles();
    if (g_szStagingName[0] && JoinPath(path, sizeof path, tempFolder, g_szStagingName))
        DeleteFileA(path);
    return exitCode;
}

// Shows text in a message box, or logs it when the run is silent (with logging on for it,
// since a silent run has no other way to say why it ended).
static void Tell(const char* text, UINT icon)
{
    if (!g_bSilent) {
        MessageBoxA(NULL, text, kBoxCaption, MB_OK | icon);
        return;
    }
    int logging = g_bLogging;
    g_bLogging = 1;
    LogLine(text);
    g_bLogging = logging;
}

// Turns a file named on the command line into a full path, taken from the folder the setup
// was started in. returns false when it does not fit
static bool FullSwitchPath(char* path)
{
    if (!path[0])
        return true;
    char full[KV_PATH_SIZE];
    DWORD length = GetFullPathNameA(path, ARRAY_SIZE(full), full, NULL);
    return length > 0 && length < ARRAY_SIZE(full) && StrCopy(path, KV_PATH_SIZE, full);
}

// The values of the switches that the options' own checks refuse, as the text to tell.
// returns true when every value given is accepted
static bool CheckSwitchValues(const SetupSwitches& switches, int iniFound, const char* workFolder, char* text,
                              size_t size)
{
    char format[KV_TEXT_SIZE];
    if (switches.dir[0]) {
        char full[KV_PATH_SIZE];
        int reason = IsInsideWorkFolder(switches.dir, workFolder)
            ? DEST_WORK_FOLDER
            : CheckChosenDestination(switches.dir, workFolder, full, sizeof full);
        if (reason != DEST_ACCEPTED) {
            LoadMessage(IDS_DEST_REFUSED, format, ARRAY_SIZE(format));
            FormatText(text, format, switches.dir, DestinationRefusalText(reason));
            return false;
        }
    }
    if (switches.group[0] && !IsQuotableText(switches.group)) {
        LoadMessage(IDS_GROUP_NAME_REFUSED, text, (int)size);
        return false;
    }
    if (switches.ini[0] && !iniFound) {
        LoadMessage(IDS_SWITCH_REFUSED, format, ARRAY_SIZE(format));
        FormatText(text, format, "/INI", "names no options file");
        return false;
    }
    if (switches.log[0]) {
        // Made now, so a log that cannot be written ends the run before it changes anything.
        HANDLE log = OpenForAppend(switches.log);
        if (log == INVALID_HANDLE_VALUE) {
            LoadMessage(IDS_SWITCH_REFUSED, format, ARRAY_SIZE(format));
            FormatText(text, format, "/LOG", "names a file that cannot be written");
            return false;
        }
        CloseHandle(log);
    }
    return true;
}

// Tells why the command line is refused, with the usage after it.
static void TellRefusal(const char* reason)
{
    char usage[KV_FORMAT_SIZE], text[KV_FORMAT_SIZE * 2];
    LoadMessage(IDS_USAGE, usage, ARRAY_SIZE(usage));
    StrFormat(text, sizeof text, "%s\n\n%s", reason, usage);
    Tell(text, MB_ICONSTOP);
}

// The command line before the setup: a usage request, a refused switch or value, or another
// setup still running end the run here. returns -1 when the setup is to run, else the exit code
static int SettleCommandLine(int parsed, const SetupSwitches& switches, int iniFound, int lockHeld,
                             const char* workFolder)
{
    char text[KV_FORMAT_SIZE] = "", format[KV_TEXT_SIZE];
    if (parsed != SWITCHES_OK) {
        LoadMessage(IDS_SWITCH_REFUSED, format, ARRAY_SIZE(format));
        FormatText(text, format, switches.refused, SwitchRefusalText(parsed));
        TellRefusal(text);
        return EXIT_BAD_COMMAND_LINE;
    }
    if (switches.help) {
        LoadMessage(IDS_USAGE, text, ARRAY_SIZE(text));
        Tell(text, MB_ICONINFORMATION);
        return EXIT_INSTALLED;
    }
    if (!CheckSwitchValues(switches, iniFound, workFolder, text, sizeof text)) {
        TellRefusal(text);
        return EXIT_BAD_COMMAND_LINE;
    }
    if (!lockHeld) {
        LoadMessage(IDS_ALREADY_RUNNING, text, ARRAY_SIZE(text));
        Tell(text, MB_ICONEXCLAMATION);
        return EXIT_ALREADY_RUNNING;
    }
    return -1;
}

// Sets the Windows version, the NT flag and the offered and preselected choices.
static void ReadPlatform(void)
{
    DWORD version = GetVersion();
    g_nWinMajor = (int)(version & 0xFF);
    g_nWinMinor = (int)((version >> 8) & 0xFF);
    char os[KV_LINE_SIZE];
    g_bWinNT = IsWindowsNT(ReadEnvironment("OS", os, sizeof os));
    ComputeChoiceMasks(g_bWinNT, g_nWinMajor, g_nWinMinor, gbInstallBonusPack, g_bExplore, &nM, &nV);
}

// returns 1 when the main window class was registered
static int RegisterMainClass(HINSTANCE instance)
{
    WNDCLASSA wc;
    memset(&wc, 0, sizeof(wc));
    wc.style = MAIN_CLASS_STYLE;
    wc.lpfnWndProc = MainWndProc;
    wc.hInstance = instance;
    wc.hIcon = LoadIconA(instance, "APP_MAIN");
    wc.hCursor = LoadCursorA(NULL, IDC_ARROW);
    wc.hbrBackground = CreateSolidBrush(RGB(0, 128, 128));
    wc.lpszClassName = kClassName;
    return RegisterClassA(&wc) != 0;
}

// returns the main window, or NULL when it could not be created
static HWND CreateMainWindow(HINSTANCE instance)
{
    RECT desktop;
    GetWindowRect(GetDesktopWindow(), &desktop);
    WindowRect rect = MainWindowRect(desktop.right, desktop.bottom);
    return CreateWindowExA(0, kClassName, kCaption, MAIN_WINDOW_STYLE, rect.left, rect.top, rect.width,
                           rect.height, NULL, NULL, instance, NULL);
}

// returns the quit message's code after an interactive run, g_nExitCode after a silent one,
// -1 or 2 when the window failed
int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int)
{
    KV_BENCH_PHASE("loader");
    char tempFolder[KV_PATH_SIZE] = "";

    g_hInstance = instance;
    SetupSwitches switches;
    int parsed = ParseSetupSwitches(commandLine, &switches);
    // Files named on the command line are taken from the folder the setup started in, made
    // full before the work folder becomes current, whatever else the line holds.
    bool logFull = FullSwitchPath(switches.log), iniFull = FullSwitchPath(switches.ini);
    if (parsed == SWITCHES_OK && !(logFull && iniFull)) {
        parsed = SWITCHES_TOO_LONG;
        StrCopy(switches.refused, sizeof switches.refused, logFull ? "/INI" : "/LOG");
    }
    // A log name that cannot be made full would be taken inside the work folder: no such log.
    if (!logFull)
        switches.log[0] = '\0';
    if (switches.log[0])
        SetLogFile(switches.log);

    int workFolder = EnterWorkFolder(tempFolder, ARRAY_SIZE(tempFolder));
    // The options file the command line names is the administrator's, also where it is the
    // work folder's own Install.ini: the template is not staged over it, nor is it cleaned up.
    g_bKeepWorkOptions =
        workFolder && parsed == SWITCHES_OK && NamesWorkOptionsFile(switches.ini, tempFolder);
    // Another setup or uninstaller running owns the work folder's staged files: this run
    // stages nothing and ends below.
    int lockHeld = TakeSetupLock();
    if (workFolder && lockHeld)
        StageWorkFiles(instance, tempFolder);
    KV_BENCH_PHASE("staging");

    memset(g_szLine1, 0, sizeof(g_szLine1));
    memset(g_szLine2, 0, sizeof(g_szLine2));
    int iniFound = 0;
    if (parsed == SWITCHES_OK && switches.ini[0])
        iniFound = ReadInstallOptionsFrom(switches.ini);
    else
        ReadInstallOptions();
    KV_BENCH_PHASE("options");
    // A switch wins over the options file.
    g_bSilent |= switches.silent;
    if (switches.noRestart) {
        g_bAllowReboot = 0;
        g_bNoRestart = 1;
    }
    if (switches.log[0])
        g_bLogging = 1;
    SetOptionOverride("DIR32", switches.dir);
    SetOptionOverride("GROUP32", switches.group);

    int early = SettleCommandLine(parsed, switches, iniFound, lockHeld, tempFolder);
    if (early >= 0)
        return lockHeld ? EndBeforeSetup(early, tempFolder) : early;
    ReadPlatform();

    if (!previous && !RegisterMainClass(instance)) {
        ReportStartupFailure(IDS_WINDOW_REGISTER_FAILED);
        return EXIT_REGISTER_FAILED;
    }
    g_hMainWindow = CreateMainWindow(instance);
    KV_BENCH_PHASE("window");
    if (!g_hMainWindow && g_bSilent) {
        // A silent run shows nothing and needs the window only to receive its command: where
        // no desktop can hold a window (a session without a display), it runs right here.
        LoadItemTitles();
        RunSetupCommand(NULL);
        return g_nExitCode;
    }
    if (!g_hMainWindow) {
        ReportStartupFailure(IDS_WINDOW_CREATE_FAILED);
        return EXIT_CREATE_FAILED;
    }
    if (!g_bSilent)
        ShowWindow(g_hMainWindow, SW_SHOWNORMAL);
    PostMessageA(g_hMainWindow, WM_COMMAND, IDM_RUN_SETUP, 0);

    MSG msg;
    msg.wParam = 0;
    while (GetMessageA(&msg, NULL, 0, 0) > 0) {
        if (g_hModelessDialog && IsDialogMessageA(g_hModelessDialog, &msg))
            continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    KV_BENCH_PHASE("finish");
    // A silent run tells how it went by its exit code; an interactive one by what it showed.
    return g_bSilent ? g_nExitCode : (int)msg.wParam;
}
