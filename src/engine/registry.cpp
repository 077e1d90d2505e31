// Registry and COM helpers of the install and the removal: the base product's class
// entry, one string value at a time, the readability test of an installed file, and
// calling a product library's registration entry with its folder current.
#include "engine/engine.h"

static const char kBaseClassKey[] = "CLSID\\{5B1E0C72-3A94-4F6D-8E21-C7D09A3B4A10}";
static const char kInProcServer[] = "InProcServer32";
static const char kApartment[] = "Apartment";

// returns the RegSetValueExA result for a string value stored with its terminator
static LONG SetStringValue(HKEY key, const char* name, const char* text)
{
    return RegSetValueExA(key, name, 0, REG_SZ, (const BYTE*)text, (DWORD)StrLength(text) + 1);
}

// returns true when the default value and ThreadingModel were written (the second is not checked)
static bool WriteServerValues(HKEY key, const char* programPath)
{
    if (SetStringValue(key, NULL, programPath) != ERROR_SUCCESS)
        return false;
    SetStringValue(key, "ThreadingModel", kApartment);
    return true;
}

// returns 1 when the class's default value was written, else 0
int RegisterBaseProduct(const char* programPath)
{
    char subkey[256];
    if (!StrFormat(subkey, sizeof subkey, "%s\\%s", kBaseClassKey, kInProcServer))
        return 0;

    bool done = false;
    HKEY key;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, subkey, 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
        done = WriteServerValues(key, programPath);
        RegCloseKey(key);
    }
    if (!done && RegCreateKeyA(HKEY_CLASSES_ROOT, subkey, &key) == ERROR_SUCCESS) {
        done = WriteServerValues(key, programPath);
        RegCloseKey(key);
    }
    return done ? 1 : 0;
}

// returns 1, whether or not the class entry existed
int UnregisterBaseProduct(void)
{
    char subkey[256];
    if (!StrFormat(subkey, sizeof subkey, "%s\\%s", kBaseClassKey, kInProcServer))
        return 1;
    HKEY key;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, subkey, 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
        RegDeleteValueA(key, NULL);
        RegDeleteValueA(key, "ThreadingModel");
        RegCloseKey(key);
    }
    HKEY classKey;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, kBaseClassKey, 0, KEY_ALL_ACCESS, &classKey) == ERROR_SUCCESS) {
        RegDeleteKeyA(classKey, kInProcServer);
        RegCloseKey(classKey);
    }
    // The class key itself goes too, unless something else was stored in it since.
    DeleteKeyIfEmpty(HKEY_CLASSES_ROOT, kBaseClassKey);
    return 1;
}

// returns 1 when root\subKey held neither subkeys nor values and was deleted, else 0
int DeleteKeyIfEmpty(HKEY root, const char* subKey)
{
    HKEY key;
    if (RegOpenKeyExA(root, subKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return 0;
    DWORD subKeys = 1, values = 1;
    LONG rc = RegQueryInfoKeyA(key, NULL, NULL, NULL, &subKeys, NULL, NULL, &values, NULL, NULL, NULL, NULL);
    RegCloseKey(key);
    if (rc != ERROR_SUCCESS || subKeys != 0 || values != 0)
        return 0;
    return RegDeleteKeyA(root, subKey) == ERROR_SUCCESS ? 1 : 0;
}

// returns 1 when the value was written; without a text the key is only created and 0 returned
int WriteRegistryString(HKEY root, const char* keyPath, const char* subkey, const char* valueName,
                        const char* text)
{
    char path[KV_LONG_TEXT_SIZE];
    bool fits = subkey ? StrFormat(path, sizeof path, "%s\\%s", keyPath, subkey)
                       : StrCopy(path, sizeof path, keyPath);
    if (!fits)
        return 0;
    HKEY key;
    if (RegCreateKeyA(root, path, &key) != ERROR_SUCCESS)
        return 0;
    int result = 0;
    if (text && SetStringValue(key, valueName, text) == ERROR_SUCCESS)
        result = 1;
    RegCloseKey(key);
    return result;
}

// returns 1 when the value was read; a missing key leaves the buffer alone, a missing value
// fills it with the default text when one is given
int ReadRegistryString(HKEY root, const char* keyPath, const char* valueName, const char* defaultText,
                       char* buffer, DWORD size)
{
    HKEY key;
    if (RegOpenKeyA(root, keyPath, &key) != ERROR_SUCCESS)
        return 0;
    int result = 0;
    DWORD type = 0;
    DWORD bytes = size;
    LONG rc = RegQueryValueExA(key, valueName, NULL, &type, (BYTE*)buffer, &bytes);
    if (rc == ERROR_SUCCESS && size > 0) {
        // A stored value need not carry its terminator; never hand back an open string.
        buffer[bytes < size ? bytes : size - 1] = '\0';
        result = 1;
    } else if (defaultText && size > 0) {
        StrCopy(buffer, size, defaultText);
    }
    RegCloseKey(key);
    return result;
}

// returns 1 when folder\fileName exists and can be opened for reading
int FileCanBeOpened(const char* folder, const char* fileName)
{
    char path[KV_LINE_SIZE];
    if (!StrFormat(path, sizeof path, "%s\\%s", folder, fileName))
        return 0;
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return 0;
    CloseHandle(file);
    return 1;
}

// returns true with the library loaded from folder and folder current; false (nothing
// loaded, the current folder unchanged) when it does not load
bool OpenProductLibrary(ProductLibrary* library, const char* folder, const char* fileName)
{
    library->module = NULL;
    library->remembered = false;
    char path[KV_PATH_SIZE];
    if (!JoinPath(path, ARRAY_SIZE(path), folder, fileName))
        return false;
    // The library's own dependencies are found beside it while its folder is current.
    library->remembered = GetCurrentFolder(library->previous, ARRAY_SIZE(library->previous));
    SetCurrentDirectoryA(folder);
    library->module = LoadLibraryA(path);
    if (!library->module)
        CloseProductLibrary(library);
    return library->module != NULL;
}

// returns the entry, or null when the library lacks it
FARPROC ProductLibraryEntry(const ProductLibrary* library, const char* entryName)
{
    return library->module ? GetProcAddress(library->module, entryName) : NULL;
}

void CloseProductLibrary(ProductLibrary* library)
{
    if (library->module)
        FreeLibrary(library->module);
    library->module = NULL;
    if (library->remembered)
        SetCurrentDirectoryA(library->previous);
    library->remembered = false;
}

// returns REGLIB_NOT_RUN, REGLIB_FAILED or REGLIB_SUCCEEDED
int CallLibraryEntry(const char* folder, const char* fileName, const char* entryName)
{
    typedef HRESULT(WINAPI * RegisterEntry)(void);
    ProductLibrary library;
    if (!OpenProductLibrary(&library, folder, fileName))
        return REGLIB_NOT_RUN;
    int result = REGLIB_NOT_RUN;
    RegisterEntry entry = (RegisterEntry)(void*)ProductLibraryEntry(&library, entryName);
    if (entry)
        result = entry() < 0 ? REGLIB_FAILED : REGLIB_SUCCEEDED;
    CloseProductLibrary(&library);
    return result;
}

// returns REGLIB_NOT_RUN, REGLIB_FAILED or REGLIB_SUCCEEDED
int RegisterLibrary(const char* folder, const char* fileName)
{
    return CallLibraryEntry(folder, fileName, "DllRegisterServer");
}
