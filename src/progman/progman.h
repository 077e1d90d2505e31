// The Program Manager DDE client: groups and items through the shell's PROGMAN service.
#pragma once
#include <windows.h>
#include <ddeml.h>

extern DWORD g_ddeInstance;
extern int g_bDdeActive;
extern char g_szGroupList[2096];

HDDEDATA CALLBACK ProgmanCallback(UINT type, UINT format, HCONV conv, HSZ hsz1, HSZ hsz2,
                                  HDDEDATA data, ULONG_PTR data1, ULONG_PTR data2);
// returns 1 when the server accepted the command, else 0
int ProgmanExecute(DWORD instance, const char* command);
// returns 1 when a client instance was opened, else 0
int ProgmanOpen(void);
// returns 0 when no client instance could be opened, else 1
int ProgmanCreateGroup(const char* groupName);
// return 1
int ProgmanAddItem(const char* itemName, const char* folder, const char* fileName, const char* commandLine);
int ProgmanDeleteItem(const char* itemName, const char* folder, const char* fileName, const char* commandLine);
int ProgmanClose(void);
int ProgmanCloseAndDeleteGroup(const char* groupName);
// returns g_szGroupList, or null when Program Manager cannot be reached
char* ProgmanListGroups(HWND comboBox);
