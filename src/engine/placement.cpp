// Placing one product file: its resource is written to the work folder under the staging
// name, then expanded (SZDD, or copied as it is) into a scratch file in the destination
// folder, which then replaces the earlier file by a rename: a write that fails half-way (a
// full disk) leaves the earlier file whole and no cut file. A program or library in use is
// moved aside to ".bak" on Windows NT, or staged as ".new" with a copy command for the next
// start elsewhere; only an in-use or denied target takes those ways. Windows 95 and 98 have
// no MoveFileExA: there the earlier file is moved to a backup name, the new one takes its
// name, and the backup goes only then (or comes back when the new file could not move).
// The product INI is written from its text template with the destination folder put in for
// the placeholder, through a scratch file the same way.
//
// The usual way expands from the very handle the staged bytes were written through, and
// the staging file goes when that handle closes: one open of the staging file per file
// rather than three opens, two closes and a delete. Only a target that cannot be written
// stages the file again by name for the in-use ways.
#include "engine/engine.h"
#include "resources/resource.h"
#include <lzexpand.h>

// True when the resource's bytes match the CRC-32 that the build stored beside it (a
// resource of type "SUM" of the same name); a resource the build stored no sum for (the
// unpacked templates) passes.
static bool MatchesStoredSum(HINSTANCE module, const char* name, const void* bytes, DWORD size)
{
    HRSRC found = FindResourceA(module, name, "SUM");
    if (!found)
        return true;
    HGLOBAL loaded = LoadResource(module, found);
    const void* sum = loaded ? LockResource(loaded) : NULL;
    DWORD stored = 0;
    if (!sum || SizeofResource(module, found) < sizeof stored)
        return false;
    memcpy(&stored, sum, sizeof stored);
    return stored == Crc32(bytes, size);
}

// The bytes of the manifest row's resource of type "EXE" in module, checked against the
// sum the build stored for them. returns null (with the last error set) when the row has
// none, it cannot be loaded, or its bytes are damaged (ERROR_CRC)
static const void* LoadManifestResource(HINSTANCE module, int manifestIndex, DWORD* size)
{
    if (manifestIndex < 0 || manifestIndex >= MANIFEST_COUNT || !FileManifest[manifestIndex].resourceName) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return NULL;
    }
    HRSRC found = FindResourceA(module, FileManifest[manifestIndex].resourceName, "EXE");
    if (!found)
        return NULL;
    *size = SizeofResource(module, found);
    // A module's resource needs no release: it lives as long as the module.
    HGLOBAL loaded = LoadResource(module, found);
    const void* bytes = loaded ? LockResource(loaded) : NULL;
    if (bytes && !MatchesStoredSum(module, FileManifest[manifestIndex].resourceName, bytes, *size)) {
        SetLastError(ERROR_CRC);
        return NULL;
    }
    return bytes;
}

// returns true when all size bytes were written to file
static bool WriteAll(HANDLE file, const void* bytes, DWORD size)
{
    DWORD written = 0;
    return WriteFile(file, bytes, size, &written, NULL) && written == size;
}

// returns 1 when the whole resource was written, else 0
int WriteResourceToFile(HINSTANCE module, int manifestIndex, const char* folder, const char* fileName)
{
    DWORD size = 0;
    const void* bytes = LoadManifestResource(module, manifestIndex, &size);
    if (!bytes)
        return 0;
    char path[KV_PATH_SIZE];
    if (!JoinPathBackslash(path, sizeof path, folder, fileName)) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return 0;
    }
    HANDLE file =
        CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return 0;
    int result = WriteAll(file, bytes, size) ? 1 : 0;
    CloseHandle(file);
    return result;
}

// The file of that name beside targetPath (the scratch file a new file is written into
// before it takes the target's name, or the backup of the earlier file).
// returns false when the path does not fit
static bool PathBeside(char* path, size_t size, const char* targetPath, const char* name)
{
    size_t folderLength = (size_t)(FileNamePart(targetPath) - targetPath);
    if (folderLength >= size)
        return false;
    memcpy(path, targetPath, folderLength);
    path[folderLength] = '\0';
    return StrAppend(path, size, name);
}

static bool ScratchPathBeside(char* scratch, size_t size, const char* targetPath)
{
    return PathBeside(scratch, size, targetPath, KV_SCRATCH_NAME);
}

// returns ERROR_SUCCESS when the existing file can be opened for writing (it is not
// changed), else the error that says why not: ERROR_SHARING_VIOLATION for a file in use.
// Windows 95 and 98 refuse FILE_SHARE_DELETE (error 87): only Windows NT is given it.
static DWORD WriteProbe(const char* path)
{
    DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE | (g_bWinNT ? FILE_SHARE_DELETE : 0);
    HANDLE probe = CreateFileA(path, GENERIC_WRITE, share, NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    if (probe == INVALID_HANDLE_VALUE)
        return GetLastError();
    CloseHandle(probe);
    return ERROR_SUCCESS;
}

// returns 1 when newPath has replaced targetPath; else 0 with the earlier file at its name
// (newPath left as it is, the last error kept)
int ReplaceKeepingBackup(const char* newPath, const char* targetPath)
{
    DWORD attributes = GetFileAttributesA(targetPath);
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return MoveFileA(newPath, targetPath) ? 1 : 0;
    // These systems cannot move a program that runs or a file open elsewhere: such a target
    // is left to the in-use ways. Only a read-only file, which may be moved all the same,
    // skips the test.
    if (!(attributes & FILE_ATTRIBUTE_READONLY)) {
        DWORD error = WriteProbe(targetPath);
        if (error != ERROR_SUCCESS) {
            SetLastError(error);
            return 0;
        }
    }
    // The backup takes a name that is free: a file already there (the user's own, or one a
    // cut-off run left) is never deleted, and only the backup this run made goes below.
    // MoveFileA refuses an existing name, so a name taken meanwhile is stepped over too.
    char backupPath[KV_PATH_SIZE];
    bool moved = false;
    for (unsigned int number = 0; number < KV_BACKUP_NAMES && !moved; number++) {
        char name[16];
        if (!BackupFileName(name, sizeof name, number)
            || !PathBeside(backupPath, sizeof backupPath, targetPath, name)) {
            SetLastError(ERROR_FILENAME_EXCED_RANGE);
            return 0;
        }
        if (GetFileAttributesA(backupPath) != INVALID_FILE_ATTRIBUTES)
            continue;
        if (MoveFileA(targetPath, backupPath))
            moved = true;
        else if (GetLastError() != ERROR_ALREADY_EXISTS && GetLastError() != ERROR_FILE_EXISTS)
            return 0;
    }
    if (!moved) {
        SetLastError(ERROR_FILE_EXISTS);
        return 0;
    }
    if (!MoveFileA(newPath, targetPath)) {
        DWORD error = GetLastError();
        MoveFileA(backupPath, targetPath);
        SetLastError(error);
        return 0;
    }
    // The new file is in place: only now does the earlier one go.
    SetFileAttributesA(backupPath, FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(backupPath);
    return 1;
}

// Gives the finished scratch file the target's name, replacing the earlier file: in one
// step on Windows NT, through a backup of the earlier file on Windows 95 and 98, which have
// no MoveFileExA (and wherever that call is not implemented).
// returns 1 when swapped; else 0 with the scratch file gone and the last error kept
static int SwapIntoPlace(const char* scratchPath, const char* targetPath)
{
    if (g_bWinNT && MoveFileExA(scratchPath, targetPath, MOVEFILE_REPLACE_EXISTING))
        return 1;
    DWORD error = g_bWinNT ? GetLastError() : ERROR_CALL_NOT_IMPLEMENTED;
    if (error == ERROR_CALL_NOT_IMPLEMENTED) {
        if (ReplaceKeepingBackup(scratchPath, targetPath))
            return 1;
        error = GetLastError();
    }
    // A file open elsewhere cannot be replaced and may say only "denied": opening it for
    // writing (without changing it) tells a file in use apart, as the message should.
    if (error == ERROR_ACCESS_DENIED && WriteProbe(targetPath) == ERROR_SHARING_VIOLATION)
        error = ERROR_SHARING_VIOLATION;
    DeleteFileA(scratchPath);
    SetLastError(error);
    return 0;
}

// Expands the open LZ source into targetPath and closes the source, whatever happens. The
// bytes go into a scratch file in the target's folder first, which then replaces the
// target: a write that fails half-way (a full disk) leaves the earlier file whole.
// returns 1 when at least one byte was written and the file is in place, else 0 (the last
// error tells why; no scratch file is left)
static int ExpandOpenSource(INT source, const char* targetPath)
{
    char scratchPath[KV_PATH_SIZE];
    if (!ScratchPathBeside(scratchPath, sizeof scratchPath, targetPath)) {
        LZClose(source);
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return 0;
    }
    // Never LZOpenFileA for the output: on a name it cannot open it creates the name with
    // its last character made '_' instead and reports success.
    HANDLE target =
        CreateFileA(scratchPath, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (target == INVALID_HANDLE_VALUE) {
        DWORD error = GetLastError();
        LZClose(source);
        SetLastError(error);
        return 0;
    }
    SetLastError(ERROR_SUCCESS);
    LONG copied = LZCopy(source, (HFILE)HandleToLong(target));
    DWORD error = GetLastError();
    // A write cut short without a system error is what a full disk gives where the
    // platform reports the bytes it did write (Wine on a full filesystem).
    if (copied == LZERROR_WRITE && error == ERROR_SUCCESS)
        error = ERROR_DISK_FULL;
    if (!CloseHandle(target) && copied > 0) {
        copied = 0;
        error = GetLastError();
    }
    LZClose(source);
    if (copied <= 0) {
        DeleteFileA(scratchPath);
        // Any other failure of LZCopy's own (a source it cannot read) is bad data.
        SetLastError(error != ERROR_SUCCESS ? error : ERROR_INVALID_DATA);
        return 0;
    }
    return SwapIntoPlace(scratchPath, targetPath);
}

// Writes the resource of manifestIndex to stagingPath through a handle that deletes the file
// when it closes, and expands from that same handle into targetPath.
// returns 1 when the file is placed; 0 otherwise, with *staged false when the resource
// itself could not be staged
static int ExpandResource(int manifestIndex, const char* stagingPath, const char* targetPath, bool* staged)
{
    *staged = false;
    DWORD size = 0;
    const void* bytes = LoadManifestResource(g_hInstance, manifestIndex, &size);
    if (!bytes)
        return 0;
    HANDLE file = CreateFileA(stagingPath, GENERIC_READ | GENERIC_WRITE, 0, NULL, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return 0;
    if (!WriteAll(file, bytes, size) || SetFilePointer(file, 0, NULL, FILE_BEGIN) != 0) {
        DWORD error = GetLastError();
        CloseHandle(file);
        SetLastError(error);
        return 0;
    }
    *staged = true;
    // LZInit takes over the handle: LZClose closes it, whether the file is packed or not.
    INT source = LZInit((HFILE)HandleToLong(file));
    if (source < 0) {
        CloseHandle(file);
        SetLastError(ERROR_INVALID_DATA);
        return 0;
    }
    return ExpandOpenSource(source, targetPath);
}

// returns 1 on success, 0 on failure; may leave '_' as the last character of sourcePath
int ExpandFile(char* sourcePath, const char* targetPath)
{
    if (lstrcmpiA(sourcePath, targetPath) == 0)
        return 1;
    size_t length = StrLength(sourcePath);
    if (length == 0)
        return 0;

    // The packed name first (last character '_'), then the name as given.
    OFSTRUCT sourceInfo;
    char last = sourcePath[length - 1];
    sourcePath[length - 1] = '_';
    INT source = LZOpenFileA(sourcePath, &sourceInfo, OF_READ);
    if (source < 0) {
        sourcePath[length - 1] = last;
        source = LZOpenFileA(sourcePath, &sourceInfo, OF_READ);
        if (source < 0)
            return 0;
    }

    return ExpandOpenSource(source, targetPath);
}

// returns 0 on success, -1 on failure. The text goes into a scratch file beside the target
// that replaces it only when every line was written, so a failure keeps the earlier target.
int WriteIniFromTemplate(const char* workFolder, const char* targetPath, const char* placeholder,
                         const char* replacement, int manifestIndex)
{
    char stagingPath[KV_PATH_SIZE], scratchPath[KV_PATH_SIZE];
    if (!JoinPathBackslash(stagingPath, sizeof stagingPath, workFolder, g_szStagingName)
        || !ScratchPathBeside(scratchPath, sizeof scratchPath, targetPath))
        return -1;
    if (WriteResourceToFile(g_hInstance, manifestIndex, workFolder, g_szStagingName) != 1)
        return -1;

    int result = -1;
    char line[KV_LINE_SIZE];
    char text[KV_FORMAT_SIZE];
    int read = 0;
    HANDLE output = INVALID_HANDLE_VALUE;
    TextReader input;
    if (!OpenTextReader(&input, stagingPath))
        goto done;
    output = CreateForWriting(scratchPath);
    if (output == INVALID_HANDLE_VALUE)
        goto done;
    // An empty template fails; so does a line that would not fit the output or is not
    // written whole, rather than leaving a cut value or a gap in the product INI.
    while ((read = ReadTextLine(&input, line, sizeof line)) > 0) {
        if (!SubstitutePlaceholder(text, sizeof text, line, placeholder, replacement)
            || !WriteText(output, text, false)) {
            result = -1;
            break;
        }
        result = 0;
    }
    if (read < 0)
        result = -1;

done:
    if (output != INVALID_HANDLE_VALUE) {
        if (!CloseHandle(output))
            result = -1;
        if (result != 0)
            DeleteFileA(scratchPath);
        else if (!SwapIntoPlace(scratchPath, targetPath))
            result = -1;
    }
    CloseTextReader(&input);
    DeleteFileA(stagingPath);
    return result;
}

// Expands from a copy of the staging path, since ExpandFile may change its last character.
static int ExpandStaged(const char* stagingPath, const char* targetPath)
{
    char source[KV_PATH_SIZE];
    if (!StrCopy(source, sizeof source, stagingPath))
        return 0;
    return ExpandFile(source, targetPath);
}

// Removes a file of that name.
static void DeleteAnyFile(const char* path)
{
    DeleteFileA(path);
}

// Stages the new file under ".new" and records a copy over the target for the next start.
// returns 1 when the command was recorded
static int StageForRestart(const char* stagingPath, const char* targetPath)
{
    char newPath[KV_PATH_SIZE];
    if (!AlternateFileName(newPath, sizeof newPath, targetPath, ".new"))
        return 0;
    DeleteAnyFile(newPath);
    if (!ExpandStaged(stagingPath, newPath))
        return 0;

    // Both paths in their short form, quoted, and only when the shell reads them as they are.
    char shortNew[KV_PATH_SIZE];
    char shortTarget[KV_PATH_SIZE];
    if (!GetShortPath(newPath, shortNew, sizeof shortNew)
        || !GetShortPath(targetPath, shortTarget, sizeof shortTarget) || !IsSafeShellPath(shortNew)
        || !IsSafeShellPath(shortTarget))
        return 0;
    char command[2 * KV_PATH_SIZE + 32];
    if (!StrFormat(command, sizeof command, "command.com /c copy \"%s\" \"%s\"", shortNew, shortTarget))
        return 0;
    return ScheduleAtRestart(command);
}

// The in-use way for a program or library that could not be overwritten.
// returns 1 when the new file is in place (NT) or waits with its command recorded
static int ReplaceFileInUse(const char* stagingPath, const char* targetPath)
{
    if (g_bWinNT) {
        char oldPath[KV_PATH_SIZE];
        if (!AlternateFileName(oldPath, sizeof oldPath, targetPath, ".bak"))
            return 0;
        DeleteAnyFile(oldPath);
        if (MoveFileA(targetPath, oldPath)) {
            if (ExpandStaged(stagingPath, targetPath))
                return 1;
            // Put the old file back, so a failed expansion does not leave the product
            // without the file at all.
            DWORD error = GetLastError();
            DeleteFileA(targetPath);
            MoveFileA(oldPath, targetPath);
            SetLastError(error);
            return 0;
        }
    }
    return StageForRestart(stagingPath, targetPath);
}

// A restart is asked for, unless a silent run may not restart the machine.
static void MarkRestartNeeded(void)
{
    g_bRestartPending = 1;
    if (!g_bSilent || g_bAllowReboot)
        g_bRestartNeeded = 1;
}

// True for the errors that say the target is in use or may not be replaced as it is.
static bool IsInUseError(DWORD error)
{
    return error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED || error == ERROR_LOCK_VIOLATION
        || error == ERROR_USER_MAPPED_FILE;
}

// One placement attempt. returns 1 when the file is in place; on failure *error holds the
// cause to report
static int PlaceOnce(const char* workFolder, const char* fileName, const char* destFolder, int manifestIndex,
                     DWORD* error)
{
    char targetPath[KV_PATH_SIZE];
    char stagingPath[KV_PATH_SIZE];
    if (!JoinPath(targetPath, sizeof targetPath, destFolder, fileName)
        || !JoinPathBackslash(stagingPath, sizeof stagingPath, workFolder, g_szStagingName)) {
        *error = ERROR_FILENAME_EXCED_RANGE;
        return 0;
    }

    PumpMessages();
    bool staged = false;
    if (ExpandResource(manifestIndex, stagingPath, targetPath, &staged))
        return 1;
    *error = GetLastError();
    if (!staged)
        return 0;

    PumpMessages();
    char probe[KV_PATH_SIZE];
    bool program = AlternateFileName(probe, sizeof probe, targetPath, ".bak");
    // Only a target in use or denied takes the in-use ways: a full disk would fail there
    // too, after moving the earlier file aside.
    if (!IsInUseError(*error))
        program = false;
    // The in-use ways expand from the staging file by name, written anew.
    if (program && GetFileAttributesA(targetPath) != INVALID_FILE_ATTRIBUTES
        && WriteResourceToFile(g_hInstance, manifestIndex, workFolder, g_szStagingName) == 1
        && ReplaceFileInUse(stagingPath, targetPath)) {
        MarkRestartNeeded();
        DeleteFileA(stagingPath);
        return 1;
    }
    DeleteFileA(stagingPath);
    return 0;
}

// returns 0 on success, 1 on failure
int InstallFile(const char* workFolder, const char* fileName, const char* destFolder, HWND ownerWindow,
                HWND statusWindow, int manifestIndex, int required, const InstallQuestions* questions)
{
    if (!questions)
        questions = &kDefaultAnswers;
    char format[KV_TEXT_SIZE];
    char text[KV_FORMAT_SIZE] = "";
    LoadMessage(IDS_COPYING, format, ARRAY_SIZE(format));
    if (FormatText(text, format, workFolder, fileName, destFolder, fileName) > 0) {
        if (g_bSilent)
            LogLine(text);
        else if (statusWindow)
            SetWindowTextA(statusWindow, text);
    }

    for (;;) {
        DWORD error = 0;
        if (PlaceOnce(workFolder, fileName, destFolder, manifestIndex, &error))
            return 0;
        if (!required) {
            // No question for a file the product can do without, but the log says so.
            char line[KV_FORMAT_SIZE];
            if (StrFormat(line, sizeof line, "Optional file %s not placed in %s (%lu)", fileName, destFolder,
                          (unsigned long)error))
                LogLine(line);
            return 1;
        }

        char caption[KV_TEXT_SIZE];
        if (error == ERROR_CRC) {
            // The setup's own copy is damaged: say which program, so a new copy is fetched.
            char program[KV_PATH_SIZE] = "";
            GetModuleFileNameA(g_hInstance, program, ARRAY_SIZE(program) - 1);
            LoadMessage(IDS_SETUP_DAMAGED, format, ARRAY_SIZE(format));
            if (!FormatText(text, format, program, fileName))
                StrCopy(text, sizeof text, format);
        } else {
            LoadMessage(IDS_COPY_FAILED, format, ARRAY_SIZE(format));
            if (!FormatText(text, format, fileName, destFolder, (DWORD_PTR)error))
                StrCopy(text, sizeof text, format);
        }
        LoadMessage(IDS_INSTALL, caption, ARRAY_SIZE(caption));
        if (!questions->askRetry(ownerWindow, text, caption))
            return 1;
    }
}
