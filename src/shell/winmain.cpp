// The entry point: makes the temporary folder the work folder, takes a unique staging
// name, stages the options template, reads the options, works out the product choices
// for this Windows version, creates the main window, posts it the command that runs the
// setup, and runs the message loop until the window closes.
#include "shell/shell.h"
#include "engine/engine.h"
#include "resources/resource.h"
#include <direct.h>
#include <stdlib.h>
#include <string.h>

static const char kClassName[] = "KVInstal";
static const char kCaption[] = "KORVID Pro Install (32)";

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

// Makes the temporary folder current and takes the staging name. Leaves the folder in
// tempFolder with a trailing '\'; returns 0 when the folder could not be named at all.
static int PrepareWorkFolder(char* tempFolder, size_t size)
{
    char path[KV_PATH_SIZE];
    if (!GetTempFolder(tempFolder))
        return 0;
    // A failure leaves the start-up directory current; the options reader copes.
    _chdir(tempFolder);

    memset(g_szStagingName, 0, sizeof(g_szStagingName));
    if (GetTempFileNameA(tempFolder, "KVD", 0, path)) {
        const char* name = strrchr(path, '\\');
        StrCopy(g_szStagingName, ARRAY_SIZE(g_szStagingName), name ? name + 1 : path);
    }
    // A drive root keeps its backslash already.
    return EndsWithSeparator(tempFolder) || StrAppend(tempFolder, size, "\\") ? 1 : 0;
}

// Sets the Windows version, the NT flag and the offered and preselected choices.
static void ReadPlatform(void)
{
    DWORD version = GetVersion();
    g_nWinMajor = (int)(version & 0xFF);
    g_nWinMinor = (int)((version >> 8) & 0xFF);
    g_bWinNT = IsWindowsNT(getenv("OS"));
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
int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR, int)
{
    char tempFolder[KV_PATH_SIZE];

    g_hInstance = instance;
    // Stage the options template where the options reader looks first; a failure is
    // harmless, the reader then falls back.
    if (PrepareWorkFolder(tempFolder, ARRAY_SIZE(tempFolder)))
        WriteResourceToFile(instance, MANIFEST_INSTALL_INI, tempFolder, "Install.ini");

    memset(g_szLine1, 0, sizeof(g_szLine1));
    memset(g_szLine2, 0, sizeof(g_szLine2));
    ReadInstallOptions();
    ReadPlatform();

    if (!previous && !RegisterMainClass(instance)) {
        ReportStartupFailure(IDS_WINDOW_REGISTER_FAILED);
        return EXIT_REGISTER_FAILED;
    }
    g_hMainWindow = CreateMainWindow(instance);
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
