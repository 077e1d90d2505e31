// The restart of the machine, and commands for the next system start: one REG_SZ value per
// command under the machine's RunOnce key (Windows NT) or RunServicesOnce key (Windows 95
// and 98), named "Oxtavine" with the first counter from 0 that the key does not hold yet.
// The setup's main window and the uninstaller both restart through RestartWindows.
#include "engine/engine.h"

static const char kCurrentVersionKey[] = "Software\\Microsoft\\Windows\\CurrentVersion";
static const char kValuePrefix[] = "Oxtavine";

// returns ExitWindowsEx's result
int RestartWindows(int reboot)
{
    UINT action = reboot ? EWX_REBOOT : EWX_LOGOFF;
    if (g_bWinNT == 1) {
        // A failure here shows as the ExitWindowsEx failure that follows; nothing more to do.
        HANDLE token = NULL;
        if (OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token)) {
            TOKEN_PRIVILEGES privileges = {};
            privileges.PrivilegeCount = 1;
            privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
            LookupPrivilegeValueA(NULL, "SeShutdownPrivilege", &privileges.Privileges[0].Luid);
            AdjustTokenPrivileges(token, FALSE, &privileges, 0, NULL, NULL);
            CloseHandle(token);
        }
    }
    return ExitWindowsEx(action, 0);
}

// returns 1 when the command was stored for the next start, else 0
int ScheduleAtRestart(const char* command)
{
    if (!command)
        return 0;
    HKEY mainKey = NULL;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kCurrentVersionKey, 0, KEY_ALL_ACCESS, &mainKey) != ERROR_SUCCESS)
        return 0;

    int result = 0;
    const char* subkeyName = g_bWinNT ? "RunOnce" : "RunServicesOnce";
    HKEY subkey = NULL;
    if (RegOpenKeyExA(mainKey, subkeyName, 0, KEY_ALL_ACCESS, &subkey) != ERROR_SUCCESS
        && RegCreateKeyA(mainKey, subkeyName, &subkey) != ERROR_SUCCESS) {
        subkey = NULL;
        goto done;
    }

    {
        // Take the first free name; values of earlier calls are never overwritten.
        char name[32];
        unsigned int counter = 0;
        StrFormat(name, sizeof name, "%s%u", kValuePrefix, counter);
        while (RegQueryValueExA(subkey, name, NULL, NULL, NULL, NULL) == ERROR_SUCCESS) {
            if (++counter >= RESTART_MAX_COMMANDS)
                goto done;
            StrFormat(name, sizeof name, "%s%u", kValuePrefix, counter);
        }
        DWORD size = (DWORD)(StrLength(command) + 1);
        if (RegSetValueExA(subkey, name, 0, REG_SZ, (const BYTE*)command, size) == ERROR_SUCCESS)
            result = 1;
    }

done:
    if (subkey)
        RegCloseKey(subkey);
    RegCloseKey(mainKey);
    return result;
}
