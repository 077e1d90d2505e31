// The setup wizard: the driver that walks through the choices, and the launchers of its
// pages and of the copy-progress box.
#pragma once
#include <windows.h>

// driver.cpp
// returns 1 after a successful install, 0 after a cancel, a failure or a removal
int RunWizard(HWND ownerWindow, unsigned int preselected, unsigned int offered);
// returns non-zero when the folder exists at the end
int CreateFolderPath(char* path);

// The pages. Each launcher runs its page modally and returns its end value; 0 is Cancel.
int RunWelcomeDialog(HWND ownerWindow, HINSTANCE module);
int RunFolderDialog(HWND ownerWindow, HINSTANCE module, const char* prompt, const char* initialFolder,
                    char* resultFolder);
int RunInterfaceDialog(HWND ownerWindow, HINSTANCE module, unsigned int preselected, unsigned int offered);
int RunGroupDialog(HWND ownerWindow, HINSTANCE module, char* groupName);
INT_PTR CALLBACK CopyDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK RestartDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK IconPlacementDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Set by the copy-progress box's Cancel; the install sequence polls it between files.
extern int g_bCancelRequested;

// driver.cpp: pure decisions of the driver.
// The platform's default destination: the system folder's drive and the folder of the
// version row. versionKnown is 0 when the version query failed.
bool DefaultDestination(char* dest, size_t size, const char* systemFolder, int versionKnown, DWORD platformId,
                        DWORD majorVersion);
// True when dest is the work folder (with its trailing backslash) or lies inside it.
bool IsInsideWorkFolder(const char* dest, const char* workFolder);
// The install mask from the page's selection, the utilities flag and the silent flag.
unsigned int BuildInstallMask(unsigned int selection, int installUtilities, int silent);
// The MAILADDR fix-up: replaces the placeholder address; returns true when the (possibly
// replaced) value is to be written back.
bool FixMailAddress(char* address, size_t size);
// Reads a key of the options file; with no options file in use, the default.
void ReadOptionsFileString(const char* section, const char* key, const char* defaultText, char* buffer,
                           DWORD size);
