// kvbho2k0.dll, KORVID Pro's browser integration: its class entry, its place in the
// browser's helper list, and the plug-in record other browsers read. Unregistering takes
// all three away.
#include "common.h"
#include "product.h"
#include <olectl.h>

// returns S_OK, or SELFREG_E_CLASS when the class entry could not be written
STDAPI DllRegisterServer(void)
{
    return RegisterServerClass(g_hModule, KV_CLSID_BROWSER, KV_NAME_BROWSER);
}

// returns S_OK when the class entry and both browser entries are gone, else SELFREG_E_CLASS
STDAPI DllUnregisterServer(void)
{
    HRESULT hr = UnregisterServerClass(KV_CLSID_BROWSER);
    bool ok = DeleteKeyIfPresent(HKEY_LOCAL_MACHINE, KV_KEY_BHO);
    ok = DeleteKeyIfPresent(HKEY_LOCAL_MACHINE, KV_KEY_PLUGIN) && ok;
    DeleteEmptyMakerKeys();
    return ok ? hr : SELFREG_E_CLASS;
}

// Records the plug-in for browsers that read the maker's key: the library's path, its
// description and the content type it opens.
extern "C" void WINAPI AddNetscapeBhoKey(void)
{
    char path[MAX_PATH + 1];
    if (!ModulePath(g_hModule, path, sizeof(path)))
        return;
    HKEY key = CreateMachineKey(KV_KEY_PLUGIN);
    if (!key)
        return;
    SetStringValue(key, "Path", path);
    SetStringValue(key, "Description", KV_NAME_BROWSER);
    SetStringValue(key, "MimeType", KV_PLUGIN_MIME_TYPE);
    RegCloseKey(key);
}

// Puts the library's class in the browser's list of helpers.
extern "C" void WINAPI AddExplorerBhoKey(void)
{
    HKEY key = CreateMachineKey(KV_KEY_BHO);
    if (!key)
        return;
    SetStringValue(key, NULL, KV_NAME_BROWSER);
    RegCloseKey(key);
}
