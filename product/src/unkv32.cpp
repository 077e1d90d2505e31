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
#include <string.h>
#include <direct.h>
#include "removal/removal.h"
#include "shell/shell.h"

enum { SWITCH_FOLDER, SWITCH_DATA, SWITCH_GROUP, SWITCH_SILENT, SWITCH_COUNT };
enum { VALUE_SIZE = MAX_PATH + 1 };

static const char kCaption[] = "KORVID Pro Uninstall";

// returns the switch that starts at line[i] (a blank-separated "-f", "-d", "-g" or "-s",
// also with '/'), or -1
static int SwitchAt(const char* line, size_t i)
{
    if (i > 0 && line[i - 1] != ' ' && line[i - 1] != '\t')
        return -1;
    if (line[i] != '-' && line[i] != '/')
        return -1;
    char next = line[i + 1] ? line[i + 2] : 1;
    if (next != '\0' && next != ' ' && next != '\t')
        return -1;
    switch (line[i + 1]) {
    case 'f':
    case 'F':
        return SWITCH_FOLDER;
    case 'd':
    case 'D':
        return SWITCH_DATA;
    case 'g':
    case 'G':
        return SWITCH_GROUP;
    case 's':
    case 'S':
        return SWITCH_SILENT;
    }
    return -1;
}

// Copies line[begin, end) into value without the blanks and one pair of quotes around it.
// returns false when it does not fit
static bool CopyValue(const char* line, size_t begin, size_t end, char* value)
{
    while (begin < end && (line[begin] == ' ' || line[begin] == '\t'))
        begin++;
    while (end > begin && (line[end - 1] == ' ' || line[end - 1] == '\t'))
        end--;
    if (end - begin >= 2 && line[begin] == '"' && line[end - 1] == '"') {
        begin++;
        end--;
    }
    if (end - begin >= VALUE_SIZE)
        return false;
    memcpy(value, line + begin, end - begin);
    value[end - begin] = '\0';
    return true;
}

// Fills values[] from the switches of line (a later switch wins) and given[] with the
// switches present. returns the number of switches found, or -1 when a value is too long
static int ParseSwitches(const char* line, char values[SWITCH_COUNT][VALUE_SIZE], bool given[SWITCH_COUNT])
{
    for (int s = 0; s < SWITCH_COUNT; s++) {
        values[s][0] = '\0';
        given[s] = false;
    }
    size_t len = strlen(line);
    int found = 0;
    int current = -1;
    size_t valueStart = 0;
    for (size_t i = 0; i <= len; i++) {
        int s = i < len ? SwitchAt(line, i) : -1;
        if (s < 0 && i < len)
            continue;
        if (current >= 0 && !CopyValue(line, valueStart, i, values[current]))
            return -1;
        if (s >= 0) {
            given[s] = true;
            current = s;
            valueStart = i + 2 > len ? len : i + 2;
            found++;
            i++;
        }
    }
    return found;
}

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

// returns 0 after a removal (or its refusal), 1 when the command line was not usable
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
    RemoveProductAt(NULL, values[SWITCH_FOLDER]);
    if (g_bRestartNeeded == 1 && (g_bSilent == 0 || g_bAllowReboot == 1))
        RestartWindows(1);
    return 0;
}
