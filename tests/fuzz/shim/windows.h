// The fuzz build's stand-in for the system header, on Linux: only the types, constants and
// calls that the headers and sources compiled into the fuzzers name. The sizes follow the
// x86_64 build (LONG and DWORD are 32 bits). The calls are declared so that the sources
// compile whole; stubs.cpp defines them to abort, since no fuzzer reaches them.
#pragma once
#include <stddef.h>
#include <stdint.h>
#include <string.h>
#include <strings.h>

#define WINAPI
#define CALLBACK
#define CONST const
#ifndef NULL
#define NULL 0
#endif
#define TRUE     1
#define FALSE    0
#define MAX_PATH 260

typedef int BOOL;
typedef unsigned char BYTE;
typedef unsigned short WORD;
typedef uint32_t DWORD;
typedef int32_t LONG;
typedef unsigned int UINT;
typedef int INT;
typedef uintptr_t ULONG_PTR;
typedef uintptr_t DWORD_PTR;
typedef uintptr_t UINT_PTR;
typedef intptr_t LONG_PTR;
typedef UINT_PTR WPARAM;
typedef LONG_PTR LPARAM;
typedef LONG_PTR LRESULT;
typedef char* LPSTR;
typedef const char* LPCSTR;
typedef void* HANDLE;

// Distinct handle types, as the system header declares them with STRICT.
#define KV_SHIM_HANDLE(name)                                                                                 \
    struct name##__ {                                                                                        \
        int unused;                                                                                          \
    };                                                                                                       \
    typedef struct name##__* name
KV_SHIM_HANDLE(HINSTANCE);
KV_SHIM_HANDLE(HWND);
KV_SHIM_HANDLE(HKEY);
typedef HINSTANCE HMODULE;
typedef LONG_PTR(WINAPI* FARPROC)(void);

typedef struct tagPOINT {
    LONG x;
    LONG y;
} POINT;

// The version rows of the default destination.
#define VER_PLATFORM_WIN32s        0
#define VER_PLATFORM_WIN32_WINDOWS 1
#define VER_PLATFORM_WIN32_NT      2

// The C library's case-blind comparisons under their system names; both compare bytes in
// the "C" locale, as the system's do for the program's texts.
#define _stricmp  strcasecmp
#define _strnicmp strncasecmp
#define lstrcmpiA strcasecmp

// Starting programs (command.cpp).
#define STARTF_USESHOWWINDOW 0x00000001
#define WAIT_OBJECT_0        0
typedef struct _STARTUPINFOA {
    DWORD cb;
    LPSTR lpReserved;
    LPSTR lpDesktop;
    LPSTR lpTitle;
    DWORD dwX, dwY, dwXSize, dwYSize, dwXCountChars, dwYCountChars, dwFillAttribute;
    DWORD dwFlags;
    WORD wShowWindow;
    WORD cbReserved2;
    BYTE* lpReserved2;
    HANDLE hStdInput, hStdOutput, hStdError;
} STARTUPINFOA;
typedef struct _PROCESS_INFORMATION {
    HANDLE hProcess;
    HANDLE hThread;
    DWORD dwProcessId;
    DWORD dwThreadId;
} PROCESS_INFORMATION;
UINT WINAPI WinExec(LPCSTR commandLine, UINT show);
BOOL WINAPI CreateProcessA(LPCSTR application, LPSTR commandLine, void* processAttributes,
                           void* threadAttributes, BOOL inheritHandles, DWORD flags, void* environment,
                           LPCSTR currentFolder, STARTUPINFOA* startup, PROCESS_INFORMATION* process);
DWORD WINAPI WaitForSingleObject(HANDLE handle, DWORD milliseconds);
DWORD WINAPI WaitForInputIdle(HANDLE process, DWORD milliseconds);
BOOL WINAPI CloseHandle(HANDLE handle);
DWORD WINAPI GetShortPathNameA(LPCSTR longPath, LPSTR shortPath, DWORD size);

// Folders (destination.cpp).
DWORD WINAPI GetFullPathNameA(LPCSTR name, DWORD size, LPSTR buffer, LPSTR* filePart);
UINT WINAPI GetWindowsDirectoryA(LPSTR buffer, UINT size);
UINT WINAPI GetSystemDirectoryA(LPSTR buffer, UINT size);
DWORD WINAPI GetProfileStringA(LPCSTR section, LPCSTR key, LPCSTR defaultText, LPSTR buffer, DWORD size);
