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
