// The main window. It paints nothing of its own; its one command (100, posted by start-up)
// runs the wizard, removes the staged files, closes the window and, when the run needs it,
// restarts Windows. The small window helpers the pages share are in base/window.cpp.
#include "shell/shell.h"
#include "engine/engine.h"
#include "wizard/wizard.h"
#include "removal/removal.h"

// Set while the setup command runs: the main window then refuses to close, since the run
// (behind the modeless copy box, say) still needs it and would else go on with no window
// and end with nothing left to post it the quit.
static int s_bSetupRunning;

void RunSetupCommand(HWND window)
{
    s_bSetupRunning = 1;
    RunWizard(window, nV, nM);
    KV_BENCH_PHASE("wizard-end");
    s_bSetupRunning = 0;
    CleanUpStagingFiles();
    // The uninstaller cannot delete the copy it ran its removal from; the next run does.
    RemoveUninstallerCopies();
    KV_BENCH_PHASE("cleanup");
    if (window)
        PostMessageA(window, WM_CLOSE, 0, 0);
    // The restart is requested before the window closes.
    if (g_bRestartNeeded == 1 && (g_bSilent == 0 || g_bAllowReboot == 1) && !g_bNoRestart
        && RestartWindows(1))
        g_nExitCode = EXIT_RESTART_STARTED;
}

// returns 0 for the messages it handles, else DefWindowProcA's result
LRESULT CALLBACK MainWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        LoadItemTitles();
        return 0;
    case WM_PAINT: {
        // A silent run never shows the window, so it has nothing to paint.
        if (g_bSilent)
            return 0;
        PAINTSTRUCT paint;
        BeginPaint(window, &paint);
        EndPaint(window, &paint);
        return 0;
    }
    case WM_COMMAND:
        if (LOWORD(wParam) == IDM_RUN_SETUP)
            RunSetupCommand(window);
        return 0;
    case WM_CLOSE:
        if (window != g_hMainWindow) {
            DestroyWindow(window);
            return 0;
        }
        // The user closes the window while the copy box is up: the run goes on; its
        // Cancel is the way to stop it.
        if (s_bSetupRunning)
            return 0;
        PostQuitMessage(0);
        break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

int g_bKeepWorkOptions;

// Deletes every manifest file staged in the temporary folder, but an options file the
// command line named there; missing files are fine.
void CleanUpStagingFiles(void)
{
    char folder[KV_PATH_SIZE];
    char path[KV_PATH_SIZE];
    if (!GetTempFolder(folder))
        return;
    for (int i = 0; i < MANIFEST_COUNT; i++) {
        const char* name = FileManifest[i].stagingName;
        // A name that would be cut could delete some other file: skip it.
        if (g_bKeepWorkOptions && i == MANIFEST_INSTALL_INI)
            continue;
        if (name && name[0] && JoinPathBackslash(path, ARRAY_SIZE(path), folder, name))
            DeleteFileA(path);
    }
}
