// unkv32.exe, the program the uninstall entry names:
//   "<folder>\unkv32.exe" -f <folder> -d <folder> -g <group> [-s]
// The folder and group follow their switches unquoted and may hold blanks, so a value runs
// up to the next switch. It removes the installation that win.ini records, when that is the
// folder after -f, with the setup's own removal: the same progress box, messages and restart
// offer. With -s it shows nothing, writes its messages to setup.log in the temporary folder
// and never restarts the machine. The group is the one win.ini records; -d and -g are read
// but not needed.
#include <windows.h>
#include <stdlib.h>
#include <direct.h>
#include "removal/removal.h"
#include "engine/engine.h"
#include "unkv32_switches.h"
#include "resources/resource.h"

static const char kCaption[] = "KORVID Pro Uninstall";

// The start-up the setup's code relies on: its module, the platform and the work folder.
static void StartUp(HINSTANCE instance, bool silent)
{
    g_hInstance = instance;
    DWORD version = GetVersion();
    g_nWinMajor = (int)(version & 0xFF);
    g_nWinMinor = (int)((version >> 8) & 0xFF);
    g_bWinNT = IsWindowsNT(getenv("OS"));
    g_bSilent = silent ? 1 : 0;
    g_bLogging = g_bSilent;
    g_bAllowReboot = 0;
    char tempFolder[KV_PATH_SIZE];
    if (GetTempFolder(tempFolder))
        _chdir(tempFolder);
}

// One setup or uninstaller at a time: only the process that removes takes the lock (an
// uninstaller that only starts another copy of itself and waits for it must not hold it, or
// the copy would find it taken). returns false, having said so, when another one holds it
static bool TakeRemovalLock(void)
{
    if (TakeSetupLock())
        return true;
    char text[KV_TEXT_SIZE];
    LoadMessage(IDS_ALREADY_RUNNING, text, ARRAY_SIZE(text));
    if (g_bSilent)
        LogLine(text);
    else
        MessageBoxA(NULL, text, kCaption, MB_OK | MB_ICONEXCLAMATION);
    return false;
}

// returns 0 after a removal (or its refusal), 1 when the command line was not usable, 1618
// when another setup or uninstaller runs
int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR cmdLine, int show)
{
    (void)previous;
    (void)show;
    char values[SWITCH_COUNT][VALUE_SIZE];
    bool given[SWITCH_COUNT];
    int found = ParseSwitches(cmdLine ? cmdLine : "", values, given);
    StartUp(instance, given[SWITCH_SILENT]);
    if (found < 0 || values[SWITCH_FOLDER][0] == '\0' || values[SWITCH_SILENT][0] != '\0') {
        const char* text = found < 0 ? "A folder or group name is too long."
                                     : "Usage: unkv32 -f <folder> -d <folder> -g <group> [-s]";
        if (g_bSilent)
            LogLine(text);
        else
            MessageBoxA(NULL, text, kCaption, MB_OK | MB_ICONSTOP);
        return 1;
    }
    if (!TakeRemovalLock())
        return EXIT_ALREADY_RUNNING;
    RemoveProductAt(NULL, values[SWITCH_FOLDER]);
    if (g_bRestartNeeded == 1 && (g_bSilent == 0 || g_bAllowReboot == 1))
        RestartWindows(1);
    return 0;
}
