// The process-wide run state shared by every subsystem, and the Windows NT test of the OS
// variable that start-up (the setup's and the uninstaller's) sets g_bWinNT from.
#include "base/base.h"

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
int g_bNoRestart;
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
    return osVariable != NULL && StrFindText(osVariable, "NT") != NULL;
}

// The [KORVID] values the command line gave (/DIR=, /GROUP=); "" where none was given.
static char s_dir32[KV_PATH_SIZE];
static char s_group32[KV_TEXT_SIZE];

// returns the buffer that overrides the key of [KORVID], or NULL for a key that has none
static char* OverrideOf(const char* section, const char* key, size_t* size)
{
    if (!section || !key || StrCompareNoCase(section, "KORVID") != 0)
        return NULL;
    if (StrCompareNoCase(key, "DIR32") == 0) {
        *size = sizeof s_dir32;
        return s_dir32;
    }
    if (StrCompareNoCase(key, "GROUP32") == 0) {
        *size = sizeof s_group32;
        return s_group32;
    }
    return NULL;
}

// returns false for a key without an override, or a value that does not fit
bool SetOptionOverride(const char* key, const char* value)
{
    size_t size = 0;
    char* slot = OverrideOf("KORVID", key, &size);
    return slot && StrCopy(slot, size, value ? value : "");
}

// returns with the command line's value, else the options file's, else the default text
void ReadOptionsFileString(const char* section, const char* key, const char* defaultText, char* buffer,
                           DWORD size)
{
    size_t overrideSize = 0;
    const char* given = OverrideOf(section, key, &overrideSize);
    if (given && given[0]) {
        StrCopy(buffer, size, given);
        return;
    }
    if (IniFileName[0] == '\0') {
        StrCopy(buffer, size, defaultText);
        return;
    }
    GetPrivateProfileStringA(section, key, defaultText, buffer, size, IniFileName);
}
