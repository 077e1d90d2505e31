// The one destination check: every folder the setup installs into or removes from passes it
// first. The folder is made absolute and must have a folder of its own below a drive root
// or share, outside the Windows folder, the system folder and the work folder, and must not
// hold any of them: the removal deletes by wildcard inside the recorded folder. It must also
// be short enough for every product file's path inside it. A folder an earlier installation
// recorded may also lie inside the Windows, system or work folder (C:\WINDOWS\KORVID), so
// that it can be updated and removed; it still may not be one of them or hold one.
#include "engine/engine.h"

// The length of path without its trailing backslashes.
static size_t TrimmedLength(const char* path)
{
    size_t len = StrLength(path);
    while (len > 0 && path[len - 1] == '\\')
        len--;
    return len;
}

// True when inner is the folder outer or lies inside it, ignoring case and trailing
// backslashes. An empty outer holds nothing.
bool IsSameOrInside(const char* inner, const char* outer)
{
    size_t outerLen = TrimmedLength(outer);
    size_t innerLen = TrimmedLength(inner);
    if (outerLen == 0 || innerLen < outerLen || StrCompareNoCaseN(inner, outer, outerLen) != 0)
        return false;
    return innerLen == outerLen || inner[outerLen] == '\\';
}

// True when the path starts with a drive ("C:\") or a share ("\\server\share"). A drive
// is a letter: "\:\x" would otherwise pass as a drive here and as a share below.
static bool IsAbsolute(const char* path)
{
    if (path[0] == '\\' && path[1] == '\\')
        return true;
    char drive = path[0];
    bool letter = (drive >= 'A' && drive <= 'Z') || (drive >= 'a' && drive <= 'z');
    return letter && path[1] == ':' && path[2] == '\\';
}

// True when a segment of the path is "." or "..", which would hide where it leads.
static bool HasDotSegment(const char* path)
{
    for (const char* p = StrFindChar(path, '\\'); p; p = StrFindChar(p + 1, '\\')) {
        const char* segment = p + 1;
        const char* next = StrFindChar(segment, '\\');
        size_t len = next ? (size_t)(next - segment) : StrLength(segment);
        if ((len == 1 && segment[0] == '.') || (len == 2 && segment[0] == '.' && segment[1] == '.'))
            return true;
    }
    return false;
}

// True when the absolute path names a folder below its drive root or share.
static bool HasFolderBelowRoot(const char* path)
{
    size_t len = TrimmedLength(path);
    const char* rest;
    if (path[0] == '\\') {
        // "\\server\share\folder": the folder starts after the fourth backslash.
        if (path[2] == '?' || path[2] == '.')
            return false;
        rest = path + 2;
        for (int parts = 0; parts < 2; parts++) {
            rest = StrFindChar(rest, '\\');
            if (!rest)
                return false;
            rest++;
        }
    } else {
        rest = path + 3;
    }
    return (size_t)(rest - path) < len;
}

// The classification of both checks; insideAllowed lets a folder lie inside the Windows,
// system and work folders (but never be one of them or hold one).
static int Classify(const char* fullPath, const char* workFolder, const char* windowsFolder,
                    const char* systemFolder, bool insideAllowed)
{
    if (!fullPath || !IsAbsolute(fullPath))
        return DEST_RELATIVE;
    if (HasDotSegment(fullPath))
        return DEST_RELATIVE;
    if (!HasFolderBelowRoot(fullPath))
        return DEST_ROOT;
    // Every file goes to folder\name, a path of at most MAX_PATH - 1 characters: refuse
    // here rather than place the files with short names and fail on the first long one.
    if (TrimmedLength(fullPath) + 1 + KV_LONGEST_FILE_NAME > MAX_PATH - 1)
        return DEST_FILES_TOO_LONG;
    const char* systemFolders[] = { windowsFolder, systemFolder };
    for (const char* folder : systemFolders) {
        if (folder && IsSameOrInside(folder, fullPath))
            return DEST_SYSTEM_FOLDER;
        if (folder && !insideAllowed && IsSameOrInside(fullPath, folder))
            return DEST_SYSTEM_FOLDER;
    }
    if (workFolder && IsSameOrInside(workFolder, fullPath))
        return DEST_WORK_FOLDER;
    if (workFolder && !insideAllowed && IsSameOrInside(fullPath, workFolder))
        return DEST_WORK_FOLDER;
    return DEST_ACCEPTED;
}

// returns DEST_ACCEPTED or the reason the absolute folder is refused
int ClassifyDestination(const char* fullPath, const char* workFolder, const char* windowsFolder,
                        const char* systemFolder)
{
    return Classify(fullPath, workFolder, windowsFolder, systemFolder, false);
}

// returns DEST_ACCEPTED or the reason the absolute recorded folder is refused
int ClassifyRecordedFolder(const char* fullPath, const char* workFolder, const char* windowsFolder,
                           const char* systemFolder)
{
    return Classify(fullPath, workFolder, windowsFolder, systemFolder, true);
}

// returns DEST_ACCEPTED with the absolute folder, without a trailing backslash, in fullPath,
// or the reason the folder is refused (fullPath then holds what could be made of it)
static int CheckFolder(const char* folder, const char* workFolder, char* fullPath, size_t size, bool recorded)
{
    if (size == 0)
        return DEST_TOO_LONG;
    fullPath[0] = '\0';
    if (!folder || !IsAbsolute(folder)) {
        StrCopy(fullPath, size, folder);
        return DEST_RELATIVE;
    }
    char full[KV_PATH_SIZE];
    DWORD length = GetFullPathNameA(folder, ARRAY_SIZE(full), full, NULL);
    if (length == 0 || length >= ARRAY_SIZE(full)) {
        StrCopy(fullPath, size, folder);
        return DEST_TOO_LONG;
    }
    size_t trimmed = TrimmedLength(full);
    if (trimmed > 2)
        full[trimmed] = '\0';
    if (!StrCopy(fullPath, size, full))
        return DEST_TOO_LONG;

    char windowsFolder[KV_PATH_SIZE] = "", systemFolder[KV_PATH_SIZE] = "";
    UINT n = GetWindowsDirectoryA(windowsFolder, ARRAY_SIZE(windowsFolder));
    if (n == 0 || n >= ARRAY_SIZE(windowsFolder))
        windowsFolder[0] = '\0';
    n = GetSystemDirectoryA(systemFolder, ARRAY_SIZE(systemFolder));
    if (n == 0 || n >= ARRAY_SIZE(systemFolder))
        systemFolder[0] = '\0';
    return recorded ? ClassifyRecordedFolder(fullPath, workFolder, windowsFolder, systemFolder)
                    : ClassifyDestination(fullPath, workFolder, windowsFolder, systemFolder);
}

// returns DEST_ACCEPTED with the absolute folder in fullPath, or the reason it is refused
int CheckDestination(const char* folder, const char* workFolder, char* fullPath, size_t size)
{
    return CheckFolder(folder, workFolder, fullPath, size, false);
}

// returns DEST_ACCEPTED with the absolute recorded folder in fullPath, or the reason it is
// refused
int CheckRecordedFolder(const char* folder, const char* workFolder, char* fullPath, size_t size)
{
    return CheckFolder(folder, workFolder, fullPath, size, true);
}

// returns DEST_ACCEPTED with the absolute folder in fullPath, or the reason it is refused;
// the folder win.ini records for an earlier installation takes the recorded folder's check
int CheckChosenDestination(const char* folder, const char* workFolder, char* fullPath, size_t size)
{
    char recorded[KV_FOLDER_SIZE], recordedFull[KV_PATH_SIZE];
    int reason = CheckDestination(folder, workFolder, fullPath, size);
    if (reason != DEST_SYSTEM_FOLDER && reason != DEST_WORK_FOLDER)
        return reason;
    DWORD length = GetProfileStringA("KORVID", "DIR", "", recorded, ARRAY_SIZE(recorded));
    if (length == 0 || length >= ARRAY_SIZE(recorded) - 1
        || CheckRecordedFolder(recorded, workFolder, recordedFull, sizeof recordedFull) != DEST_ACCEPTED
        || StrCompareNoCase(recordedFull, fullPath) != 0)
        return reason;
    return DEST_ACCEPTED;
}

// returns the words a refusal gives as its reason
const char* DestinationRefusalText(int reason)
{
    switch (reason) {
    case DEST_RELATIVE:
        return "not a full path";
    case DEST_ROOT:
        return "a drive or share root";
    case DEST_SYSTEM_FOLDER:
        return "the Windows folder, the system folder, or a folder that holds them";
    case DEST_WORK_FOLDER:
        return "the temporary folder, a folder inside it, or a folder that holds it";
    case DEST_TOO_LONG:
        return "longer than a path may be";
    case DEST_FILES_TOO_LONG:
        return "too long a path for the product's files to fit inside it";
    default:
        return "";
    }
}
