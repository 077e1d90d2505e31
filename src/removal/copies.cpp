// The uninstaller's copies in the temporary folder. The uninstaller runs the removal from a
// copy of itself there, so that nothing of the product folder is in use; a copy cannot
// delete itself, so each run of the uninstaller or the setup deletes the copies earlier runs
// left. A copy's folder has a name no one can take first: it is made new, and a name that
// is there already is never used.
#include "removal/removal.h"

static const char kCopyName[] = "unkv32.exe";
// Names tried before giving up: each is new unless someone made it first.
static const int kFolderAttempts = 64;

// A token for a folder name that differs between runs and between attempts.
static unsigned long FolderToken(int attempt)
{
    LARGE_INTEGER counter;
    if (!QueryPerformanceCounter(&counter))
        counter.QuadPart = 0;
    unsigned long token = GetTickCount() ^ (GetCurrentProcessId() << 16) ^ (unsigned long)counter.LowPart
        ^ (unsigned long)counter.HighPart ^ (unsigned long)(ULONG_PTR)&counter;
    // Spread the bits, so that near tokens give far names.
    token ^= (unsigned long)attempt * 0x9E3779B9ul;
    token ^= token >> 15;
    token *= 0x2C1B3C6Dul;
    token ^= token >> 12;
    return token & 0xFFFFFFFFul;
}

// returns 1 with a new empty folder of the copies' pattern in folder
int MakeUninstallerFolder(char* folder, size_t size)
{
    char temp[KV_PATH_SIZE];
    if (!GetTempFolder(temp))
        return 0;
    for (int attempt = 0; attempt < kFolderAttempts; attempt++) {
        char name[16];
        if (!UninstallerFolderName(name, sizeof name, FolderToken(attempt))
            || !JoinPath(folder, size, temp, name))
            return 0;
        // CreateDirectory fails on a name that is there, also on a link someone planted.
        if (CreateDirectoryA(folder, NULL))
            return 1;
        if (GetLastError() != ERROR_ALREADY_EXISTS)
            break;
    }
    if (size > 0)
        folder[0] = '\0';
    return 0;
}

// True when both files, read from where their handles stand, hold the same bytes.
static bool SameContents(HANDLE a, HANDLE b)
{
    char bytesA[4096], bytesB[4096];
    for (;;) {
        DWORD gotA = 0, gotB = 0;
        if (!ReadFile(a, bytesA, sizeof bytesA, &gotA, NULL)
            || !ReadFile(b, bytesB, sizeof bytesB, &gotB, NULL) || gotA != gotB)
            return false;
        if (gotA == 0)
            return true;
        for (DWORD i = 0; i < gotA; i++) {
            if (bytesA[i] != bytesB[i])
                return false;
        }
    }
}

// The copy opened for reading with only reading shared (Windows 95 and 98 know no delete
// sharing): while the handle is open no one can write, replace, rename or delete it, and the
// loader, which reads with reading shared, can still start it. The copy is held only when it
// holds the program's bytes, so that nothing put there between the copy and the open runs.
// returns the handle, or INVALID_HANDLE_VALUE
static HANDLE HoldCopy(const char* program, const char* copyPath)
{
    HANDLE copy = CreateFileA(copyPath, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    if (copy == INVALID_HANDLE_VALUE)
        return copy;
    HANDLE source = CreateFileA(program, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    bool same = source != INVALID_HANDLE_VALUE && SameContents(source, copy);
    if (source != INVALID_HANDLE_VALUE)
        CloseHandle(source);
    if (!same) {
        CloseHandle(copy);
        return INVALID_HANDLE_VALUE;
    }
    return copy;
}

// returns 1 with the copy's path in copyPath
int MakeUninstallerCopy(const char* program, char* copyPath, size_t size, HANDLE* held)
{
    char folder[KV_PATH_SIZE];
    if (held)
        *held = INVALID_HANDLE_VALUE;
    if (!MakeUninstallerFolder(folder, sizeof folder))
        return 0;
    if (JoinPath(copyPath, size, folder, kCopyName) && CopyFileA(program, copyPath, TRUE)) {
        HANDLE copy = HoldCopy(program, copyPath);
        if (copy != INVALID_HANDLE_VALUE) {
            if (held)
                *held = copy;
            else
                CloseHandle(copy);
            return 1;
        }
    }
    DeleteFileA(copyPath);
    RemoveDirectoryA(folder);
    if (size > 0)
        copyPath[0] = '\0';
    return 0;
}

// The folder of the running program, "" when it cannot be had.
static void OwnFolder(char* folder, size_t size)
{
    char program[KV_PATH_SIZE];
    DWORD length = GetModuleFileNameA(NULL, program, sizeof program);
    folder[0] = '\0';
    if (length == 0 || length >= sizeof program)
        return;
    char* name = (char*)FileNamePart(program);
    if (name > program)
        name[-1] = '\0';
    StrCopy(folder, size, program);
}

// returns the number of folders removed
int RemoveUninstallerCopies(void)
{
    char temp[KV_PATH_SIZE], own[KV_PATH_SIZE], pattern[KV_PATH_SIZE];
    if (!GetTempFolder(temp) || !JoinPath(pattern, sizeof pattern, temp, "kvun*"))
        return 0;
    OwnFolder(own, sizeof own);
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA(pattern, &found);
    if (find == INVALID_HANDLE_VALUE)
        return 0;
    int removed = 0;
    do {
        // Only a real folder of the pattern: never a link, never a file.
        DWORD attributes = found.dwFileAttributes;
        if (!(attributes & FILE_ATTRIBUTE_DIRECTORY) || (attributes & FILE_ATTRIBUTE_REPARSE_POINT)
            || !IsUninstallerFolderName(found.cFileName))
            continue;
        char folder[KV_PATH_SIZE], copy[KV_PATH_SIZE];
        if (!JoinPath(folder, sizeof folder, temp, found.cFileName) || StrCompareNoCase(folder, own) == 0
            || !FolderHoldsOnly(folder, kCopyName) || !JoinPath(copy, sizeof copy, folder, kCopyName))
            continue;
        // A copy that still runs cannot be opened for writing: it and its folder stay.
        HANDLE file = CreateFileA(copy, GENERIC_WRITE, 0, NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
        if (file != INVALID_HANDLE_VALUE)
            CloseHandle(file);
        else if (GetFileAttributesA(copy) != INVALID_FILE_ATTRIBUTES)
            continue;
        // The copy's folder may hold a link named like the copy: DeleteFile removes the
        // link itself, never what it points at.
        DeleteFileA(copy);
        if (RemoveDirectoryA(folder))
            removed++;
    } while (FindNextFileA(find, &found));
    FindClose(find);
    return removed;
}
