// The old systems' rules, linked into the test builds of kvsetup.exe and unkv32.exe (never
// into a shipped program). Wine is kinder than Windows 95, 98 and NT 4 in a few calls the
// programs make; before the program's own code runs, this layer replaces those entries of
// the program's import table with wrappers that answer as the old system does. It switches
// on from the Windows version Wine reports to the program (the per-program Version of the
// tests), or from KV_OLD_SYSTEM ("win95", "win98", "nt40", "none"), which wins.
//
// Each rule is a row of docs/TESTING.md ("The old systems' rules"), with its source. The
// programs start without a C run-time library, so the layer takes the text helpers of
// src/base and starts at an entry of its own (OldSystemsStart), which the test builds name
// in place of the programs' own; the code under test is unchanged.
#include <windows.h>
#include <tlhelp32.h>
#include "base/base.h"

namespace
{

enum System { SYSTEM_NONE, SYSTEM_WIN95, SYSTEM_WIN98, SYSTEM_NT4 };
System s_system = SYSTEM_NONE;

bool Is9x()
{
    return s_system == SYSTEM_WIN95 || s_system == SYSTEM_WIN98;
}

// Functions a system lacks: reached through GetProcAddress they are not found, and a program
// that imports one does not start there.
struct Missing {
    const char* name;
    bool win95, win98, nt4;
};
const Missing kMissing[] = {
    { "GetLongPathNameA", true, false, true },     { "GetFileAttributesExA", true, false, false },
    { "GetDiskFreeSpaceExA", true, false, false }, { "CopyFileExA", true, true, false },
    { "MoveFileWithProgressA", true, true, true }, { "ReplaceFileA", true, true, true },
    { "CreateHardLinkA", true, true, true },       { "GetModuleHandleExA", true, true, true },
    { "GetProcessId", true, true, true },          { "OpenThread", true, true, true },
    { "GetFileSizeEx", true, true, true },         { "SetFilePointerEx", true, true, true },
    { "GlobalMemoryStatusEx", true, true, true },  { "GetSystemWindowsDirectoryA", true, true, true },
    { "SetDllDirectoryA", true, true, true },      { "SignalObjectAndWait", true, true, false },
    { "IsDebuggerPresent", true, false, false },   { "RegDeleteTreeA", true, true, true },
    { "RegGetValueA", true, true, true },          { "SHGetFolderPathA", true, true, true },
    { "AttachConsole", true, true, true },
};

bool Lacks(const char* name)
{
    for (const Missing& m : kMissing) {
        if (StrCompare(m.name, name) == 0)
            return (s_system == SYSTEM_WIN95 && m.win95) || (s_system == SYSTEM_WIN98 && m.win98)
                || (s_system == SYSTEM_NT4 && m.nt4);
    }
    return false;
}

// The real functions, taken before the import table is changed.
struct RealCalls {
    decltype(&CreateFileA) createFile;
    decltype(&DeleteFileA) deleteFile;
    decltype(&MoveFileA) moveFile;
    decltype(&MoveFileExA) moveFileEx;
    decltype(&RegDeleteKeyA) regDeleteKey;
    decltype(&RegSetValueExA) regSetValueEx;
    decltype(&GetProcAddress) getProcAddress;
    decltype(&WaitForInputIdle) waitForInputIdle;
    decltype(&WaitForSingleObject) waitForSingleObject;
    decltype(&CreateProcessA) createProcess;
    decltype(&CreateMutexA) createMutex;
    decltype(&OpenMutexA) openMutex;
    decltype(&CreateEventA) createEvent;
    decltype(&OpenEventA) openEvent;
    decltype(&CreateSemaphoreA) createSemaphore;
    decltype(&CreateFileMappingA) createFileMapping;
    decltype(&OpenFileMappingA) openFileMapping;
    decltype(&ExitProcess) exitProcess;
    // Taken by name, so that the layer's own use imports none of the functions it checks for.
    decltype(&GetLongPathNameA) getLongPathName;
    decltype(&OpenThread) openThread;
    decltype(&GetProcessId) getProcessId;
};
RealCalls Real;

// ---- Files ------------------------------------------------------------------------------

// True when path is the file of a running program or a library loaded by one. Only a file
// that cannot be opened for writing because another opener holds it is looked for among
// the modules of every process.
bool IsRunningModule(const char* path)
{
    HANDLE probe =
        Real.createFile(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL,
                        OPEN_EXISTING, 0, NULL);
    if (probe != INVALID_HANDLE_VALUE) {
        CloseHandle(probe);
        return false;
    }
    if (GetLastError() != ERROR_SHARING_VIOLATION)
        return false;
    char full[MAX_PATH], wanted[MAX_PATH];
    DWORD length = GetFullPathNameA(path, MAX_PATH, full, NULL);
    if (length == 0 || length >= MAX_PATH)
        return false;
    length = Real.getLongPathName(full, wanted, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        StrCopy(wanted, sizeof wanted, full);
    bool found = false;
    HANDLE processes = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (processes == INVALID_HANDLE_VALUE)
        return false;
    PROCESSENTRY32 process = {};
    process.dwSize = sizeof process;
    for (BOOL more = Process32First(processes, &process); more && !found;
         more = Process32Next(processes, &process)) {
        HANDLE modules = CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, process.th32ProcessID);
        if (modules == INVALID_HANDLE_VALUE)
            continue;
        MODULEENTRY32 module = {};
        module.dwSize = sizeof module;
        for (BOOL next = Module32First(modules, &module); next && !found;
             next = Module32Next(modules, &module))
            found = StrCompareNoCase(module.szExePath, wanted) == 0;
        CloseHandle(modules);
    }
    CloseHandle(processes);
    return found;
}

HANDLE WINAPI OldCreateFileA(LPCSTR name, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security,
                             DWORD disposition, DWORD flags, HANDLE templateFile)
{
    if (Is9x() && (share & FILE_SHARE_DELETE)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    return Real.createFile(name, access, share, security, disposition, flags, templateFile);
}

BOOL WINAPI OldMoveFileExA(LPCSTR from, LPCSTR to, DWORD flags)
{
    if (Is9x()) {
        SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
        return FALSE;
    }
    return Real.moveFileEx(from, to, flags);
}

BOOL WINAPI OldDeleteFileA(LPCSTR path)
{
    if (Is9x() && path && IsRunningModule(path)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    return Real.deleteFile(path);
}

BOOL WINAPI OldMoveFileA(LPCSTR from, LPCSTR to)
{
    if (Is9x() && from && IsRunningModule(from)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    return Real.moveFile(from, to);
}

// ---- Registry ---------------------------------------------------------------------------

// Windows 95 and 98 delete the key with everything below it.
LONG DeleteTree(HKEY root, LPCSTR subKey)
{
    HKEY key;
    if (RegOpenKeyExA(root, subKey, 0, KEY_ALL_ACCESS, &key) == ERROR_SUCCESS) {
        char name[256];
        while (RegEnumKeyA(key, 0, name, sizeof name) == ERROR_SUCCESS) {
            if (DeleteTree(key, name) != ERROR_SUCCESS)
                break;
        }
        RegCloseKey(key);
    }
    return Real.regDeleteKey(root, subKey);
}

LONG WINAPI OldRegDeleteKeyA(HKEY root, LPCSTR subKey)
{
    if (Is9x() && subKey && *subKey)
        return DeleteTree(root, subKey);
    return Real.regDeleteKey(root, subKey);
}

// A value of Windows 95 and 98 holds at most 16,300 bytes.
const DWORD kMaxValueBytes9x = 16300;

LONG WINAPI OldRegSetValueExA(HKEY key, LPCSTR name, DWORD reserved, DWORD type, const BYTE* data, DWORD size)
{
    if (Is9x() && size > kMaxValueBytes9x)
        return ERROR_INVALID_PARAMETER;
    return Real.regSetValueEx(key, name, reserved, type, data, size);
}

// ---- Functions a system lacks -----------------------------------------------------------

FARPROC WINAPI OldGetProcAddress(HMODULE module, LPCSTR name)
{
    if (((ULONG_PTR)name >> 16) != 0 && Lacks(name)) {
        SetLastError(ERROR_PROC_NOT_FOUND);
        return NULL;
    }
    return Real.getProcAddress(module, name);
}

// ---- Programs started -------------------------------------------------------------------
//
// WaitForInputIdle returns at once for a program without a message queue, so the program
// goes on while the started one runs, in whatever order the system picks. The layer takes
// the worst order: the started program is held (its threads suspended) until the next
// program started after it has ended, until someone waits for it, or at the latest after
// kHoldMs or when this program ends.

const DWORD kHoldMs = 20000;

struct Held {
    CRITICAL_SECTION lock;
    DWORD processId;
    HANDLE threads[64];
    int threadCount;
    HANDLE next;     // the program started after the held one, once there is one
    HANDLE nextSeen; // set when next is known
};
Held s_held;

void ResumeHeld(void)
{
    EnterCriticalSection(&s_held.lock);
    for (int i = 0; i < s_held.threadCount; i++) {
        ResumeThread(s_held.threads[i]);
        CloseHandle(s_held.threads[i]);
    }
    s_held.threadCount = 0;
    s_held.processId = 0;
    LeaveCriticalSection(&s_held.lock);
}

// A program held by this layer goes on when the program that holds it ends.
void WINAPI OldExitProcess(UINT code)
{
    if (s_held.processId)
        ResumeHeld();
    Real.exitProcess(code);
}

DWORD WINAPI ReleaseLater(void*)
{
    DWORD start = GetTickCount();
    if (Real.waitForSingleObject(s_held.nextSeen, kHoldMs) == WAIT_OBJECT_0 && s_held.next) {
        DWORD spent = GetTickCount() - start;
        Real.waitForSingleObject(s_held.next, spent < kHoldMs ? kHoldMs - spent : 0);
        CloseHandle(s_held.next);
        s_held.next = NULL;
    }
    ResumeHeld();
    return 0;
}

struct WindowSearch {
    DWORD processId;
    bool found;
};

BOOL CALLBACK FindWindowOf(HWND window, LPARAM param)
{
    WindowSearch* search = (WindowSearch*)param;
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == search->processId)
        search->found = true;
    return !search->found;
}

// Suspends every thread of the process and keeps them to resume.
void Hold(DWORD processId)
{
    EnterCriticalSection(&s_held.lock);
    if (s_held.processId) {
        LeaveCriticalSection(&s_held.lock);
        return;
    }
    HANDLE threads = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (threads != INVALID_HANDLE_VALUE) {
        THREADENTRY32 thread = {};
        thread.dwSize = sizeof thread;
        for (BOOL more = Thread32First(threads, &thread); more && s_held.threadCount < 64;
             more = Thread32Next(threads, &thread)) {
            if (thread.th32OwnerProcessID != processId)
                continue;
            HANDLE handle = Real.openThread(THREAD_SUSPEND_RESUME, FALSE, thread.th32ThreadID);
            if (handle && SuspendThread(handle) != (DWORD)-1)
                s_held.threads[s_held.threadCount++] = handle;
            else if (handle)
                CloseHandle(handle);
        }
        CloseHandle(threads);
    }
    s_held.processId = processId;
    s_held.next = NULL;
    ResetEvent(s_held.nextSeen);
    LeaveCriticalSection(&s_held.lock);
    HANDLE releaser = CreateThread(NULL, 0, ReleaseLater, NULL, 0, NULL);
    if (releaser)
        CloseHandle(releaser);
    else
        ResumeHeld();
}

DWORD WINAPI OldWaitForInputIdle(HANDLE process, DWORD timeoutMs)
{
    DWORD processId = Real.getProcessId(process);
    if (processId == 0 || Real.waitForSingleObject(process, 0) == WAIT_OBJECT_0)
        return Real.waitForInputIdle(process, timeoutMs);
    WindowSearch search = { processId, false };
    EnumWindows(FindWindowOf, (LPARAM)&search);
    if (search.found)
        return Real.waitForInputIdle(process, timeoutMs);
    Hold(processId);
    return 0;
}

DWORD WINAPI OldWaitForSingleObject(HANDLE object, DWORD timeoutMs)
{
    if (s_held.processId && Real.getProcessId(object) == s_held.processId)
        ResumeHeld();
    return Real.waitForSingleObject(object, timeoutMs);
}

BOOL WINAPI OldCreateProcessA(LPCSTR application, LPSTR commandLine, LPSECURITY_ATTRIBUTES processSecurity,
                              LPSECURITY_ATTRIBUTES threadSecurity, BOOL inherit, DWORD flags,
                              LPVOID environment, LPCSTR folder, LPSTARTUPINFOA startup,
                              LPPROCESS_INFORMATION info)
{
    BOOL started = Real.createProcess(application, commandLine, processSecurity, threadSecurity, inherit,
                                      flags, environment, folder, startup, info);
    EnterCriticalSection(&s_held.lock);
    if (started && s_held.processId && !s_held.next) {
        DuplicateHandle(GetCurrentProcess(), info->hProcess, GetCurrentProcess(), &s_held.next, SYNCHRONIZE,
                        FALSE, 0);
        SetEvent(s_held.nextSeen);
    }
    LeaveCriticalSection(&s_held.lock);
    return started;
}

// ---- Named objects ----------------------------------------------------------------------

// Names of these systems hold no backslash (no "Global\" or "Local\" name space).
bool BadObjectName(LPCSTR name)
{
    if (name && StrFindChar(name, '\\')) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return true;
    }
    return false;
}

HANDLE WINAPI OldCreateMutexA(LPSECURITY_ATTRIBUTES security, BOOL owned, LPCSTR name)
{
    return BadObjectName(name) ? NULL : Real.createMutex(security, owned, name);
}
HANDLE WINAPI OldOpenMutexA(DWORD access, BOOL inherit, LPCSTR name)
{
    return BadObjectName(name) ? NULL : Real.openMutex(access, inherit, name);
}
HANDLE WINAPI OldCreateEventA(LPSECURITY_ATTRIBUTES security, BOOL manual, BOOL initial, LPCSTR name)
{
    return BadObjectName(name) ? NULL : Real.createEvent(security, manual, initial, name);
}
HANDLE WINAPI OldOpenEventA(DWORD access, BOOL inherit, LPCSTR name)
{
    return BadObjectName(name) ? NULL : Real.openEvent(access, inherit, name);
}
HANDLE WINAPI OldCreateSemaphoreA(LPSECURITY_ATTRIBUTES security, LONG initial, LONG maximum, LPCSTR name)
{
    return BadObjectName(name) ? NULL : Real.createSemaphore(security, initial, maximum, name);
}
HANDLE WINAPI OldCreateFileMappingA(HANDLE file, LPSECURITY_ATTRIBUTES security, DWORD protect, DWORD high,
                                    DWORD low, LPCSTR name)
{
    return BadObjectName(name) ? NULL : Real.createFileMapping(file, security, protect, high, low, name);
}
HANDLE WINAPI OldOpenFileMappingA(DWORD access, BOOL inherit, LPCSTR name)
{
    return BadObjectName(name) ? NULL : Real.openFileMapping(access, inherit, name);
}

// ---- Start-up ---------------------------------------------------------------------------

struct Wrapper {
    const char* name;
    void* wrapper;
};

const Wrapper kWrappers[] = {
    { "ExitProcess", (void*)OldExitProcess },
    { "CreateFileA", (void*)OldCreateFileA },
    { "MoveFileExA", (void*)OldMoveFileExA },
    { "MoveFileA", (void*)OldMoveFileA },
    { "DeleteFileA", (void*)OldDeleteFileA },
    { "RegDeleteKeyA", (void*)OldRegDeleteKeyA },
    { "RegSetValueExA", (void*)OldRegSetValueExA },
    { "GetProcAddress", (void*)OldGetProcAddress },
    { "WaitForInputIdle", (void*)OldWaitForInputIdle },
    { "WaitForSingleObject", (void*)OldWaitForSingleObject },
    { "CreateProcessA", (void*)OldCreateProcessA },
    { "CreateMutexA", (void*)OldCreateMutexA },
    { "OpenMutexA", (void*)OldOpenMutexA },
    { "CreateEventA", (void*)OldCreateEventA },
    { "OpenEventA", (void*)OldOpenEventA },
    { "CreateSemaphoreA", (void*)OldCreateSemaphoreA },
    { "CreateFileMappingA", (void*)OldCreateFileMappingA },
    { "OpenFileMappingA", (void*)OldOpenFileMappingA },
};

// The system named by KV_OLD_SYSTEM, or else by the version Wine reports to the program.
// NT 3.51 lacks all that NT 4 lacks and takes its rows.
System ChosenSystem(void)
{
    char chosen[16] = "";
    DWORD length = GetEnvironmentVariableA("KV_OLD_SYSTEM", chosen, sizeof chosen);
    if (length > 0 && length < sizeof chosen) {
        if (StrCompareNoCase(chosen, "win95") == 0)
            return SYSTEM_WIN95;
        if (StrCompareNoCase(chosen, "win98") == 0)
            return SYSTEM_WIN98;
        if (StrCompareNoCase(chosen, "nt40") == 0)
            return SYSTEM_NT4;
        return SYSTEM_NONE;
    }
    OSVERSIONINFOA version = {};
    version.dwOSVersionInfoSize = sizeof version;
    if (!GetVersionExA(&version))
        return SYSTEM_NONE;
    if (version.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS)
        return version.dwMinorVersion < 10 ? SYSTEM_WIN95 : SYSTEM_WIN98;
    if (version.dwPlatformId == VER_PLATFORM_WIN32_NT && version.dwMajorVersion <= 4)
        return SYSTEM_NT4;
    return SYSTEM_NONE;
}

void* RealOf(HMODULE kernel, HMODULE user, HMODULE advapi, const char* name)
{
    HMODULE modules[] = { kernel, user, advapi };
    for (HMODULE module : modules) {
        FARPROC found = module ? GetProcAddress(module, name) : NULL;
        if (found)
            return (void*)found;
    }
    return NULL;
}

// Says, as the system's loader would, that the program imports a function the system lacks,
// and ends it: the program does not start there.
void RefuseStart(const char* name)
{
    char text[192];
    StrFormat(text, sizeof text, "old systems layer: the program imports %s, which this system lacks\r\n",
              name);
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_ERROR_HANDLE), text, (DWORD)StrLength(text), &written, NULL);
    OutputDebugStringA(text);
    ExitProcess(ERROR_PROC_NOT_FOUND);
}

void PatchImports(void)
{
    BYTE* base = (BYTE*)GetModuleHandleA(NULL);
    IMAGE_NT_HEADERS* nt = (IMAGE_NT_HEADERS*)(base + ((IMAGE_DOS_HEADER*)base)->e_lfanew);
    IMAGE_DATA_DIRECTORY directory = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (!directory.VirtualAddress)
        return;
    for (IMAGE_IMPORT_DESCRIPTOR* import = (IMAGE_IMPORT_DESCRIPTOR*)(base + directory.VirtualAddress);
         import->Name; import++) {
        if (!import->OriginalFirstThunk)
            continue;
        IMAGE_THUNK_DATA* names = (IMAGE_THUNK_DATA*)(base + import->OriginalFirstThunk);
        IMAGE_THUNK_DATA* slots = (IMAGE_THUNK_DATA*)(base + import->FirstThunk);
        for (; names->u1.AddressOfData; names++, slots++) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal))
                continue;
            const char* name = (const char*)((IMAGE_IMPORT_BY_NAME*)(base + names->u1.AddressOfData))->Name;
            if (Lacks(name))
                RefuseStart(name);
            for (const Wrapper& w : kWrappers) {
                if (StrCompare(w.name, name) != 0)
                    continue;
                DWORD old = 0;
                if (VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, PAGE_READWRITE, &old)) {
                    slots->u1.Function = (ULONG_PTR)w.wrapper;
                    VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, old, &old);
                }
            }
        }
    }
}

void StartOldSystemRules(void)
{
    s_system = ChosenSystem();
    if (s_system == SYSTEM_NONE)
        return;
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    HMODULE user = LoadLibraryA("user32.dll");
    HMODULE advapi = LoadLibraryA("advapi32.dll");
#define KV_REAL(field, name) Real.field = (decltype(Real.field))RealOf(kernel, user, advapi, name)
    KV_REAL(createFile, "CreateFileA");
    KV_REAL(deleteFile, "DeleteFileA");
    KV_REAL(moveFile, "MoveFileA");
    KV_REAL(moveFileEx, "MoveFileExA");
    KV_REAL(regDeleteKey, "RegDeleteKeyA");
    KV_REAL(regSetValueEx, "RegSetValueExA");
    KV_REAL(getProcAddress, "GetProcAddress");
    KV_REAL(waitForInputIdle, "WaitForInputIdle");
    KV_REAL(waitForSingleObject, "WaitForSingleObject");
    KV_REAL(createProcess, "CreateProcessA");
    KV_REAL(createMutex, "CreateMutexA");
    KV_REAL(openMutex, "OpenMutexA");
    KV_REAL(createEvent, "CreateEventA");
    KV_REAL(openEvent, "OpenEventA");
    KV_REAL(createSemaphore, "CreateSemaphoreA");
    KV_REAL(createFileMapping, "CreateFileMappingA");
    KV_REAL(openFileMapping, "OpenFileMappingA");
    KV_REAL(exitProcess, "ExitProcess");
    KV_REAL(getLongPathName, "GetLongPathNameA");
    KV_REAL(openThread, "OpenThread");
    KV_REAL(getProcessId, "GetProcessId");
#undef KV_REAL
    InitializeCriticalSection(&s_held.lock);
    s_held.nextSeen = CreateEventA(NULL, TRUE, FALSE, NULL);
    PatchImports();
}

} // namespace

extern "C" void WinMainCRTStartup(void);

// The test programs' entry: the rules are in place before the program's own start.
extern "C" __attribute__((force_align_arg_pointer)) void OldSystemsStart(void)
{
    StartOldSystemRules();
    WinMainCRTStartup();
}
