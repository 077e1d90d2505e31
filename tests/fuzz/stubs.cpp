// The system calls that the compiled sources name but no fuzzer reaches: each stops the run
// loudly if it ever is. And the one process-wide value those sources read.
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>

int g_bWinNT = 1;

static void Unreached(const char* name)
{
    fprintf(stderr, "fuzz: %s reached, which no fuzzer may call\n", name);
    abort();
}

UINT WINAPI WinExec(LPCSTR, UINT)
{
    Unreached("WinExec");
    return 0;
}

BOOL WINAPI CreateProcessA(LPCSTR, LPSTR, void*, void*, BOOL, DWORD, void*, LPCSTR, STARTUPINFOA*,
                           PROCESS_INFORMATION*)
{
    Unreached("CreateProcessA");
    return FALSE;
}

DWORD WINAPI WaitForSingleObject(HANDLE, DWORD)
{
    Unreached("WaitForSingleObject");
    return 0;
}

DWORD WINAPI WaitForInputIdle(HANDLE, DWORD)
{
    Unreached("WaitForInputIdle");
    return 0;
}

BOOL WINAPI CloseHandle(HANDLE)
{
    Unreached("CloseHandle");
    return FALSE;
}

DWORD WINAPI GetShortPathNameA(LPCSTR, LPSTR, DWORD)
{
    Unreached("GetShortPathNameA");
    return 0;
}

DWORD WINAPI GetFullPathNameA(LPCSTR, DWORD, LPSTR, LPSTR*)
{
    Unreached("GetFullPathNameA");
    return 0;
}

UINT WINAPI GetWindowsDirectoryA(LPSTR, UINT)
{
    Unreached("GetWindowsDirectoryA");
    return 0;
}

UINT WINAPI GetSystemDirectoryA(LPSTR, UINT)
{
    Unreached("GetSystemDirectoryA");
    return 0;
}

DWORD WINAPI GetProfileStringA(LPCSTR, LPCSTR, LPCSTR, LPSTR, DWORD)
{
    Unreached("GetProfileStringA");
    return 0;
}
