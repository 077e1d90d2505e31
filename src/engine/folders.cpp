// The destination folder: the test that refuses the work folder, and creating a folder with
// every missing parent.
#include "engine/engine.h"
#include "resources/resource.h"
#include <string.h>

// True when dest is the work folder or lies inside it: the work folder without its trailing
// backslash is a prefix of dest, ignoring case. An empty work folder refuses nothing.
bool IsInsideWorkFolder(const char* dest, const char* workFolder)
{
    size_t len = strlen(workFolder);
    if (len == 0)
        return false;
    return _strnicmp(dest, workFolder, len - 1) == 0;
}

// returns non-zero when the folder exists at the end; every failing level is reported
int CreateFolderPath(char* path)
{
    int result = CreateDirectoryA(path, NULL) ? 1 : 0;
    if (!result) {
        if (GetLastError() == ERROR_ALREADY_EXISTS) {
            result = 1;
        } else {
            char* last = strrchr(path, '\\');
            if (last) {
                *last = '\0';
                CreateFolderPath(path);
                *last = '\\';
                result = CreateDirectoryA(path, NULL) ? 1 : 0;
            }
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
    return result;
}
