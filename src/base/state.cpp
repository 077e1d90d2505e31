// The process-wide run state shared by every subsystem, and the Windows NT test of the OS
// variable that start-up (the setup's and the uninstaller's) sets g_bWinNT from.
#include "base/base.h"
#include <string.h>

HINSTANCE g_hInstance;
HWND g_hMainWindow;
HWND g_hModelessDialog;
int g_bWinNT;
int g_nWinMajor;
int g_nWinMinor;
unsigned int nV;
unsigned int nM;
int g_bRestartNeeded;
char g_szStagingName[KV_PATH_SIZE];
int g_nExitCode;
int g_bRestartPending;
int g_bCancelRequested;

// The option values: start-up reads them from the options file.
int g_bLogging;
int g_bAllowReboot;
int g_bSilent;
int g_bNoPass;
int gbInstallBonusPack;
int g_iconLocation;
int g_bExplore;
char g_szLine1[256];
char g_szLine2[256];
char IniFileName[KV_PATH_SIZE];

// returns 1 when the text exists and holds "NT" (upper case), else 0
int IsWindowsNT(const char* osVariable)
{
    return osVariable != NULL && strstr(osVariable, "NT") != NULL;
}

// returns with the value, or the default text when no options file is in use
void ReadOptionsFileString(const char* section, const char* key, const char* defaultText, char* buffer,
                           DWORD size)
{
    if (IniFileName[0] == '\0') {
        StrCopy(buffer, size, defaultText);
        return;
    }
    GetPrivateProfileStringA(section, key, defaultText, buffer, size, IniFileName);
}
