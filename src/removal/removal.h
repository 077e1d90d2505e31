// The removal of an installed product: the driver that finds the recorded installation and
// reports the outcome, and the sequence that unregisters and deletes what the install made.
#pragma once
#include "base/base.h"

// removal.cpp
// Removes the installation that win.ini records; returns 0.
int RemoveProduct(HWND ownerWindow);
// What RemoveProductAt did.
enum {
    REMOVAL_REFUSED = 0,        // nothing recorded, or a recorded folder it may not touch
    REMOVAL_DONE = 1,           // removed; what is left, no restart would remove
    REMOVAL_RESTART_NEEDED = 2, // removed, with deletions stored for the next start
    REMOVAL_INCOMPLETE = 3,     // a product file stays that could be neither deleted nor
                                // stored for the next start (g_szKeptFile names it)
};
// The same, but only when the recorded folder is expectedFolder (the uninstaller's -f);
// any other recorded installation is left alone with the "insufficient information"
// message. sparedName (or null) names a file of the folder that the removal leaves to its
// caller, which deletes it once it is no longer in use: the uninstaller that started this
// removal from a copy. A folder that holds only that file counts as removed. returns a
// REMOVAL_ value
int RemoveProductAt(HWND ownerWindow, const char* expectedFolder, const char* sparedName);
// The recorded folder, made absolute, in fullPath when it passes the destination check and,
// when expectedFolder is given, is that folder. returns false otherwise
bool FindRecordedFolder(const char* expectedFolder, char* fullPath, size_t size);
// True when folder holds no entry but one named name (or none at all); a folder that
// cannot be searched holds something.
bool FolderHoldsOnly(const char* folder, const char* name);

// sequence.cpp
// A file name of the folder that the sequence does not delete ("" for none): see
// RemoveProductAt.
extern char g_szSparedName[KV_PATH_SIZE];
// The last product file that DeleteOrDefer could neither delete nor store for the next
// start, "" when none since RemoveProductAt (or its caller) cleared it.
extern char g_szKeptFile[KV_PATH_SIZE];
// Runs every step of the removal in folder; errorText (KV_TEXT_SIZE characters, or null)
// ends with "Nothing to do!", the last "failed to delete %s", or empty. returns 1
int RunRemovalSequence(const char* folder, unsigned int mask, char* errorText, HWND ownerWindow,
                       HWND statusWindow);
// Shows text in the status window when there is one that is still a window.
void SetRemovalStatus(HWND statusWindow, const char* text);
// Deletes one file now (read-only or not: it is the product's), or renames it to ".del" and
// stores its deletion for the next start; a file that can be neither goes into
// g_szKeptFile. returns 1 when the file is gone (or was never there), 0 when it stays for now
int DeleteOrDefer(const char* path, char* errorText);
// Deletes root\subKey with everything below it; a subkey that cannot be deleted is passed
// over, so the walk always ends. returns 1 when everything went, else 0
int DeleteRegistryTree(const char* subKey, HKEY root);
// Deletes the product's four shell namespace entries; returns 1.
int RemoveNamespaceEntries(void);

// copies.cpp: the uninstaller's copies in the temporary folder, each in a folder of its
// own named "kvun" and eight hexadecimal digits and holding only "unkv32.exe".
// Makes a new folder of that pattern under the temporary folder (never one that is there
// already) with a copy of program in it, and leaves the copy's path in copyPath. With held,
// the copy stays open there (the caller closes it once the copy has started): it can then be
// read and run but not written, renamed or deleted. returns 1, or 0 (nothing left behind)
// when it could not, or when the copy no longer held the program's bytes once opened
int MakeUninstallerCopy(const char* program, char* copyPath, size_t size, HANDLE* held = NULL);
// Makes a new, empty folder of that pattern under the temporary folder. returns 1, or 0
int MakeUninstallerFolder(char* folder, size_t size);
// Deletes the copies earlier runs left: every folder of the pattern that holds only the
// copy (or nothing), is no link, and is not the folder of the running program. A copy
// still in use stays. returns the number of folders removed
int RemoveUninstallerCopies(void);

// removal_text.cpp
// The name of a copy's folder for a token: "kvun" and the token in eight hexadecimal
// digits. returns false when it does not fit
bool UninstallerFolderName(char* dest, size_t size, unsigned long token);
// True when name is a copy's folder name: "kvun" and eight hexadecimal digits, any case.
bool IsUninstallerFolderName(const char* name);
// The uninstaller's exit code for a REMOVAL_ value: 0 removed, 3010 a restart is needed,
// 1641 the restart was started, 1603 refused or incomplete.
int RemovalExitCode(int outcome, int restartStarted);
// The name a file in use waits under until the next start: the whole path with ".del"
// appended (number 0), or with ".<number>.del" when an earlier name is taken. returns false
// (dest empty) when it does not fit
bool DeferredDeleteName(char* dest, size_t size, const char* path, unsigned int number);
// The template with its first "%s" replaced by insert (a template without one is copied).
// returns false when the result does not fit (dest then empty)
bool InsertText(char* dest, size_t size, const char* templateText, const char* insert);
