// Helpers shared by KORVID Pro's programs and libraries: the module's own path and the
// registry writes and deletions their entry points make.
#pragma once
#include <windows.h>
#include "base/base.h"

// The library's own module, recorded by its DllMain (libmain.cpp).
extern HMODULE g_hModule;

// returns true when the module's full path fitted into path
bool ModulePath(HMODULE module, char* path, DWORD size);
// returns true when the string value (with its terminating zero) was stored
bool SetStringValue(HKEY key, const char* name, const char* value);
// returns true when the number was stored
bool SetDwordValue(HKEY key, const char* name, DWORD value);
// Creates or opens HKLM\subKey for writing. returns NULL when it cannot
HKEY CreateMachineKey(const char* subKey);
// returns true when root\subKey is gone afterwards (deleted, or never there)
bool DeleteKeyIfPresent(HKEY root, const char* subKey);
// Deletes HKLM\SOFTWARE\Oxtavine\KORVID and then HKLM\SOFTWARE\Oxtavine, each only when it
// holds neither subkeys nor values.
void DeleteEmptyMakerKeys(void);
// Writes HKCR\CLSID\{clsid} with its name and the InProcServer32 subkey naming module.
// returns S_OK, or SELFREG_E_CLASS when a key or value could not be written
HRESULT RegisterServerClass(HMODULE module, const char* clsid, const char* name);
// Removes what RegisterServerClass wrote.
// returns S_OK when both keys are gone, else SELFREG_E_CLASS
HRESULT UnregisterServerClass(const char* clsid);
