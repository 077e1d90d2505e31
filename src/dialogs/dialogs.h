// The wizard's pages and boxes: each dialog procedure with its launcher. Every launcher runs
// its page modally and returns its end value; 0 is Cancel, and a page that cannot be shown
// counts as Cancel too.
#pragma once
#include "base/base.h"

// pages.cpp
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
