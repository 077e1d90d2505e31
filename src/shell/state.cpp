// The process-wide run state shared by every subsystem.
#include "shell/shell.h"

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
