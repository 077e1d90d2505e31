// The wizard's pages and boxes: each dialog procedure with its launcher. Every launcher runs
// its page modally and returns its end value; 0 is Cancel, and a page that cannot be shown
// counts as Cancel too.
#pragma once
#include "base/base.h"

// page.cpp: what the pages share.
// Runs a template modally; returns its end value, 0 when the page could not be shown.
INT_PTR RunModalPage(HINSTANCE module, const char* templateName, HWND ownerWindow, DLGPROC procedure);
// Shows text with the installation's caption and the error icon, owned by owner.
void ShowPageError(HWND owner, const char* text);

// welcome.cpp
// Places the release notes as folder\fileName; owner owns any question the placement asks.
// returns 0 on success, 1 on failure
typedef int (*ReleaseNotesPlacer)(HWND owner, const char* folder, const char* fileName);
// returns 0 Cancel, 1 install or update, 2 uninstall
int RunWelcomeDialog(HWND ownerWindow, HINSTANCE module, ReleaseNotesPlacer placeNotes);
INT_PTR CALLBACK WelcomeDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
// Places the release notes in the temporary folder and opens them in Notepad.
void ViewReleaseNotes(HWND owner, ReleaseNotesPlacer placeNotes);
// The Notepad command for folder\fileName, the path in double quotes. returns false when
// the path holds a double quote or the command does not fit
bool FormatNotepadCommand(char* command, size_t size, const char* folder, const char* fileName);

// interface.cpp: the interface page, its help box and the icon-placement page.
// returns the chosen selection mask (never 0), 0 for Cancel
int RunInterfaceDialog(HWND ownerWindow, HINSTANCE module, unsigned int preselected, unsigned int offered);
INT_PTR CALLBACK InterfaceDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
void ShowInterfaceHelp(HWND ownerWindow);
INT_PTR CALLBACK InterfaceHelpProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
// The page's answer from its boxes' checked states (CHOICE_ bits); sets *installUtilities
// to the utilities box. Browser integration and the queue count only with the utilities.
unsigned int InterfaceSelection(unsigned int checkedBoxes, int* installUtilities);
INT_PTR CALLBACK IconPlacementDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// restart.cpp: the restart page; ends with 1 for "Restart Now", 0 for "Restart Later".
INT_PTR CALLBACK RestartDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// folder.cpp: the destination-folder page and its folder chooser.
// returns 1 for Next (the folder in resultFolder, at least KV_FOLDER_SIZE characters), 0 for Cancel
int RunFolderDialog(HWND ownerWindow, HINSTANCE module, const char* prompt, const char* initialFolder,
                    char* resultFolder);
INT_PTR CALLBACK FolderDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
// returns non-zero with the chosen folder in resultFolder (KV_PATH_SIZE characters), 0 when
// the user cancelled
int BrowseForFolder(HWND ownerWindow, const char* initialFolder, char* resultFolder);
UINT_PTR CALLBACK BrowseHookProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
// The chooser's answer as a folder: the returned path cut at its last backslash, and
// "\KORVID" added unless the folder already names the product. returns false when the
// result does not fit
bool BrowseResultFolder(char* path, size_t size);

// group.cpp: the Program Manager group prompt.
// returns 1 for OK (the name in groupName, at least KV_TEXT_SIZE characters), 0 for Cancel
int RunGroupDialog(HWND ownerWindow, HINSTANCE module, char* groupName);
INT_PTR CALLBACK GroupDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// copy.cpp: the modeless copy-progress box.
// Its Cancel sets g_bCancelRequested (base/state.cpp), which the install polls between files.
INT_PTR CALLBACK CopyDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
