// Helpers shared by KORVID Pro's programs and libraries: module path, registry values,
// key deletion that also tidies the maker's empty keys, and in-process class entries.
#include "common.h"
#include "product.h"
#include <olectl.h>

// returns true when the module's full path fitted into path
bool ModulePath(HMODULE module, char* path, DWORD size)
{
    DWORD len = GetModuleFileNameA(module, path, size);
    return len != 0 && len < size;
}

// returns true when the string value (with its terminating zero) was stored
bool SetStringValue(HKEY key, const char* name, const char* value)
{
    return RegSetValueExA(key, name, 0, REG_SZ, (const BYTE*)value, (DWORD)lstrlenA(value) + 1)
        == ERROR_SUCCESS;
}

// returns true when the number was stored
bool SetDwordValue(HKEY key, const char* name, DWORD value)
{
    return RegSetValueExA(key, name, 0, REG_DWORD, (const BYTE*)&value, sizeof(value)) == ERROR_SUCCESS;
}

// returns the key opened for writing, NULL when it cannot be created
HKEY CreateMachineKey(const char* subKey)
{
    HKEY key;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, subKey, 0, NULL, REG_OPTION_NON_VOLATILE, KEY_WRITE, NULL, &key,
                        NULL)
        != ERROR_SUCCESS)
        return NULL;
    return key;
}

// returns true when root\subKey is gone afterwards (deleted, or never there)
bool DeleteKeyIfPresent(HKEY root, const char* subKey)
{
    LONG rc = RegDeleteKeyA(root, subKey);
    return rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND;
}

// Deletes subKey of HKLM when it exists and is empty.
static void DeleteIfEmpty(const char* subKey)
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, subKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return;
    DWORD subKeys = 1, values = 1;
    LONG rc = RegQueryInfoKeyA(key, NULL, NULL, NULL, &subKeys, NULL, NULL, &values, NULL, NULL, NULL, NULL);
    RegCloseKey(key);
    if (rc == ERROR_SUCCESS && subKeys == 0 && values == 0)
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, subKey);
}

// Deletes the product's and then the maker's key, each only when nothing is left in it.
void DeleteEmptyMakerKeys(void)
{
    DeleteIfEmpty(KV_KEY_PRODUCT);
    DeleteIfEmpty(KV_KEY_MAKER);
}

// returns S_OK, or SELFREG_E_CLASS when a key or value could not be written
HRESULT RegisterServerClass(HMODULE module, const char* clsid, const char* name)
{
    char path[MAX_PATH + 1];
    char classKey[64];
    if (!ModulePath(module, path, sizeof(path)))
        return SELFREG_E_CLASS;
    if (!StrFormat(classKey, sizeof(classKey), "CLSID\\%s", clsid))
        return SELFREG_E_CLASS;

    HKEY key = NULL, server = NULL;
    bool ok = RegCreateKeyExA(HKEY_CLASSES_ROOT, classKey, 0, NULL, REG_OPTION_NON_VOLATILE, KEY_WRITE, NULL,
                              &key, NULL)
        == ERROR_SUCCESS;
    ok = ok && SetStringValue(key, NULL, name);
    ok = ok
        && RegCreateKeyExA(key, "InProcServer32", 0, NULL, REG_OPTION_NON_VOLATILE, KEY_WRITE, NULL, &server,
                           NULL)
            == ERROR_SUCCESS;
    ok = ok && SetStringValue(server, NULL, path);
    ok = ok && SetStringValue(server, "ThreadingModel", KV_THREADING_MODEL);
    if (server)
        RegCloseKey(server);
    if (key)
        RegCloseKey(key);
    return ok ? S_OK : SELFREG_E_CLASS;
}

// returns S_OK when both keys are gone, else SELFREG_E_CLASS
HRESULT UnregisterServerClass(const char* clsid)
{
    char classKey[64], serverKey[96];
    bool classFits = StrFormat(classKey, sizeof(classKey), "CLSID\\%s", clsid);
    bool serverFits = StrFormat(serverKey, sizeof(serverKey), "CLSID\\%s\\InProcServer32", clsid);
    if (!classFits || !serverFits)
        return SELFREG_E_CLASS;
    bool ok = DeleteKeyIfPresent(HKEY_CLASSES_ROOT, serverKey);
    ok = DeleteKeyIfPresent(HKEY_CLASSES_ROOT, classKey) && ok;
    return ok ? S_OK : SELFREG_E_CLASS;
}
