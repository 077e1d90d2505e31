// The removal of an installed product: the driver that finds the recorded installation and
// reports the outcome, and the sequence that unregisters and deletes what the install made.
#pragma once
#include "base/base.h"

// removal.cpp
// Removes the installation that win.ini records; returns 0.
int RemoveProduct(HWND ownerWindow);
// The same, but only when the recorded folder is expectedFolder (the uninstaller's -f);
// any other recorded installation is left alone with the "insufficient information"
// message. returns 0
int RemoveProductAt(HWND ownerWindow, const char* expectedFolder);

// sequence.cpp
// Runs every step of the removal in folder; errorText (KV_TEXT_SIZE characters, or null)
// ends with "Nothing to do!", the last "failed to delete %s", or empty. returns 1
int RunRemovalSequence(const char* folder, unsigned int mask, char* errorText, HWND ownerWindow,
                       HWND statusWindow);
// Shows text in the status window when there is one that is still a window.
void SetRemovalStatus(HWND statusWindow, const char* text);
// Deletes one file now, or renames it to ".del" and stores its deletion for the next start.
// returns 1 when the file is gone (or was never there), 0 when it stays for now
int DeleteOrDefer(const char* path, char* errorText);
// Deletes root\subKey with everything below it; a subkey that cannot be deleted is passed
// over, so the walk always ends. returns 1 when everything went, else 0
int DeleteRegistryTree(const char* subKey, HKEY root);
// Deletes the product's four shell namespace entries; returns 1.
int RemoveNamespaceEntries(void);

// removal_text.cpp
// The name a file in use waits under until the next start: the whole path with ".del"
// appended (number 0), or with ".<number>.del" when an earlier name is taken. returns false
// (dest empty) when it does not fit
bool DeferredDeleteName(char* dest, size_t size, const char* path, unsigned int number);
// The template with its first "%s" replaced by insert (a template without one is copied).
// returns false when the result does not fit (dest then empty)
bool InsertText(char* dest, size_t size, const char* templateText, const char* insert);
