// A program that only leaves a mark: it writes its command line into "<its own path>.ran".
// The tests plant it where an unquoted command line would find it first.
#include <windows.h>
#include <string.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int)
{
    char path[MAX_PATH + 8];
    DWORD length = GetModuleFileNameA(NULL, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return 1;
    memcpy(path + length, ".ran", 5);
    HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return 1;
    DWORD written = 0;
    WriteFile(file, commandLine, (DWORD)strlen(commandLine), &written, NULL);
    CloseHandle(file);
    return 0;
}
