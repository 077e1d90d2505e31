// The destination folder: the test that refuses the work folder, and creating a folder with
// every missing parent.
#include "engine/engine.h"
#include "resources/resource.h"

// True when dest is the work folder or lies inside it, ignoring case: a folder beside it
// whose name only begins like it is not inside. An empty work folder refuses nothing.
bool IsInsideWorkFolder(const char* dest, const char* workFolder)
{
    return IsSameOrInside(dest, workFolder);
}

// returns true when a folder (not a file) of that name exists
static bool FolderExists(const char* path)
{
    DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Creates the folder; one that already exists counts as made, a file of that name does not.
// returns true when a folder of that name exists afterwards
static bool MakeFolder(const char* path)
{
    if (CreateDirectoryA(path, NULL))
        return true;
    DWORD error = GetLastError();
    if (error != ERROR_ALREADY_EXISTS)
        return false;
    if (FolderExists(path))
        return true;
    SetLastError(error);
    return false;
}

// returns non-zero when the folder exists at the end; every failing level is reported
int CreateFolderPath(char* path)
{
    // A trailing backslash names the same folder: it is set aside while the folder is made.
    size_t length = StrLength(path);
    char* trailing = length > 3 && path[length - 1] == '\\' ? path + length - 1 : NULL;
    if (trailing)
        *trailing = '\0';
    int result = MakeFolder(path) ? 1 : 0;
    if (!result && GetLastError() != ERROR_ALREADY_EXISTS) {
        char* last = StrFindLastChar(path, '\\');
        if (last) {
            *last = '\0';
            CreateFolderPath(path);
            *last = '\\';
            result = MakeFolder(path) ? 1 : 0;
        }
    }
    if (!result) {
        DWORD error = GetLastError();
        char format[KV_TEXT_SIZE], text[KV_FORMAT_SIZE] = "", caption[KV_TEXT_SIZE];
        LoadMessage(IDS_CREATE_FOLDER_FAILED, format, ARRAY_SIZE(format));
        FormatText(text, format, path, (DWORD_PTR)error);
        LoadMessage(IDS_INSTALL, caption, ARRAY_SIZE(caption));
        if (g_bSilent)
            LogLine(text);
        else
            MessageBoxA(NULL, text, caption, MB_ICONERROR);
    }
    if (trailing)
        *trailing = '\\';
    return result;
}
