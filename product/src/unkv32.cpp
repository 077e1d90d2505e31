// unkv32.exe, the program the uninstall entry names:
//   "<folder>\unkv32.exe" -f <folder> -d <folder> -g <group> [-s]
// The folder and group follow their switches unquoted and may hold blanks, so a value runs
// up to the next switch. It removes the installation that win.ini records, when that is the
// folder after -f, with the setup's own removal: the same progress box, messages and restart
// offer. With -s it shows nothing, writes its messages to setup.log in the temporary folder
// and never restarts the machine. The group is the one win.ini records; -d and -g are read
// but not needed.
//
// Started from the product folder, it would keep its own file and so the folder in use. So
// it copies itself into a new folder in the temporary folder, holding the copy open against
// writing until it has started, and starts that copy with its own arguments and -o (its path
// and two inherited handles), then waits. The copy takes the lock, deletes the copies earlier
// runs left, removes the product, moves the original's file out of the product folder and
// removes the folder (Windows 95 and 98 move no running program's file: there it stays in
// place); with its exit code final (a restart it asked for already started), it releases the
// lock, reports the code through the pipe and, once the original has ended, deletes the
// original's file. The original ends with the code the copy reported. Where the
// copy cannot be made or started, the removal runs in place, and the uninstaller's own file
// waits for the next start like any file in use.
//
// Exit codes: 0 removed; 3010 removed, a restart finishes it (also when the uninstaller's own
// file waits for it); 1641 the restart was started; 1603 nothing recorded, a folder it may not
// touch, or a product file that could be neither deleted nor stored for the next start (the
// log names it); 1618 another setup or uninstaller of the product is running; 1639 a command
// line it cannot use.
#include <windows.h>
#include "removal/removal.h"
#include "engine/engine.h"
#include "unkv32_switches.h"
#include "resources/resource.h"

static const char kCaption[] = "KORVID Pro Uninstall";
static const char kProgramName[] = "unkv32.exe";
// The copy's arguments: the original's (three values, the group, the switches) and -o.
enum { COPY_LINE_SIZE = KV_MESSAGE_SIZE };
// How long the copy waits for the original to end once it has its exit code, and how often
// it then tries to delete the original's file while the system lets go of it.
static const DWORD kOriginalEndMs = 30000;
static const int kDeleteAttempts = 20;

// The start-up the setup's code relies on: its module, the platform and the work folder.
static void StartUp(HINSTANCE instance, bool silent)
{
    g_hInstance = instance;
    DWORD version = GetVersion();
    g_nWinMajor = (int)(version & 0xFF);
    g_nWinMinor = (int)((version >> 8) & 0xFF);
    char os[KV_LINE_SIZE];
    g_bWinNT = IsWindowsNT(ReadEnvironment("OS", os, sizeof os));
    g_bSilent = silent ? 1 : 0;
    g_bLogging = g_bSilent;
    g_bAllowReboot = 0;
    // The product folder must not stay the current one: that alone keeps it in use.
    char tempFolder[KV_PATH_SIZE];
    if (GetTempFolder(tempFolder))
        SetCurrentDirectoryA(tempFolder);
}

// One setup or uninstaller at a time: only the process that removes takes the lock (an
// uninstaller that only starts another copy of itself and waits for it must not hold it, or
// the copy would find it taken). returns false, having said so, when another one holds it
static bool TakeRemovalLock(void)
{
    if (TakeSetupLock())
        return true;
    char text[KV_TEXT_SIZE];
    LoadMessage(IDS_ALREADY_RUNNING, text, ARRAY_SIZE(text));
    if (g_bSilent)
        LogLine(text);
    else
        MessageBoxA(NULL, text, kCaption, MB_OK | MB_ICONEXCLAMATION);
    return false;
}

static void Report(const char* text)
{
    if (g_bSilent)
        LogLine(text);
    else
        MessageBoxA(NULL, text, kCaption, MB_OK | MB_ICONSTOP);
}

// True when both paths name the same file or folder: the same full path, or the same short
// path (a program started under its short name).
static bool SamePath(const char* a, const char* b)
{
    char fullA[KV_PATH_SIZE], fullB[KV_PATH_SIZE];
    DWORD lengthA = GetFullPathNameA(a, sizeof fullA, fullA, NULL);
    DWORD lengthB = GetFullPathNameA(b, sizeof fullB, fullB, NULL);
    if (lengthA == 0 || lengthA >= sizeof fullA || lengthB == 0 || lengthB >= sizeof fullB)
        return false;
    if (StrCompareNoCase(fullA, fullB) == 0)
        return true;
    char shortA[KV_PATH_SIZE], shortB[KV_PATH_SIZE];
    return GetShortPath(fullA, shortA, sizeof shortA) && GetShortPath(fullB, shortB, sizeof shortB)
        && StrCompareNoCase(shortA, shortB) == 0;
}

// The uninstaller of the recorded folder that folderValue (the -f) names, in path. returns
// false when that folder is not the recorded one
static bool RecordedUninstaller(const char* folderValue, char* path, size_t size)
{
    char folder[KV_PATH_SIZE];
    return FindRecordedFolder(folderValue, folder, sizeof folder)
        && JoinPath(path, size, folder, kProgramName);
}

// Runs the removal in a copy of this program in the temporary folder and waits for the exit
// code it reports. returns false (nothing started) when the copy could not be made or started
static bool RunFromCopy(const char* program, const char* arguments, int* exitCode)
{
    char copy[KV_PATH_SIZE];
    // The copy stays held until its process exists, so that what runs is what was copied.
    HANDLE held = INVALID_HANDLE_VALUE;
    if (!MakeUninstallerCopy(program, copy, sizeof copy, &held))
        return false;
    HANDLE current = GetCurrentProcess();
    HANDLE readEnd = NULL, writeEnd = NULL, reportEnd = NULL, self = NULL;
    PROCESS_INFORMATION process = {};
    bool started = false;
    char line[COPY_LINE_SIZE + KV_PATH_SIZE + 8], copyArguments[COPY_LINE_SIZE];
    // Only the copy's ends are inherited: the pipe's write end and this process.
    if (CreatePipe(&readEnd, &writeEnd, NULL, 0)
        && DuplicateHandle(current, writeEnd, current, &reportEnd, 0, TRUE, DUPLICATE_SAME_ACCESS)
        && DuplicateHandle(current, current, current, &self, SYNCHRONIZE, TRUE, 0)
        && FormatCopyArguments(copyArguments, sizeof copyArguments, arguments, program,
                               (unsigned long)(ULONG_PTR)reportEnd, (unsigned long)(ULONG_PTR)self)
        && FormatProgramCommand(line, sizeof line, copy, copyArguments)) {
        char tempFolder[KV_PATH_SIZE];
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        started = GetTempFolder(tempFolder)
            && CreateProcessA(copy, line, NULL, NULL, TRUE, 0, NULL, tempFolder, &startup, &process);
    }
    CloseHandle(held);
    if (writeEnd)
        CloseHandle(writeEnd);
    if (reportEnd)
        CloseHandle(reportEnd);
    if (self)
        CloseHandle(self);
    if (started) {
        // The copy writes its exit code before it waits for this process to end; a copy that
        // ended without writing it leaves its own exit code.
        DWORD code = 0, got = 0;
        if (!ReadFile(readEnd, &code, sizeof code, &got, NULL) || got != sizeof code) {
            WaitForSingleObject(process.hProcess, INFINITE);
            GetExitCodeProcess(process.hProcess, &code);
        }
        *exitCode = (int)code;
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    } else {
        char folder[KV_PATH_SIZE];
        DeleteFileA(copy);
        if (StrCopy(folder, sizeof folder, copy) && FileNamePart(folder) > folder) {
            ((char*)FileNamePart(folder))[-1] = '\0';
            RemoveDirectoryA(folder);
        }
    }
    if (readEnd)
        CloseHandle(readEnd);
    return started;
}

// Deletes the original's file once its process has ended (or its file is free), trying a
// few times while the system lets go of it. returns true when it is gone
static bool DeleteOriginal(const char* path, HANDLE process)
{
    if (process)
        WaitForSingleObject(process, kOriginalEndMs);
    for (int attempt = 0; attempt < kDeleteAttempts; attempt++) {
        if (DeleteFileA(path) || GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES)
            return true;
        Sleep(50);
    }
    return false;
}

// The original's file in the product folder, when it cannot go now: its deletion and the
// folder's removal are stored for the next start. returns true when the file stays for now;
// kept is set when not even its deletion could be stored
static bool LeaveForNextStart(const char* path, const char* folder, bool* kept)
{
    g_szKeptFile[0] = '\0';
    if (DeleteOrDefer(path, NULL) != 0)
        return false;
    *kept = g_szKeptFile[0] != '\0';
    LogLine(*kept ? "The uninstaller's own file is held by another program: it stays."
                  : "The uninstaller's own file is in use: it goes at the next start.");
    char command[KV_LINE_SIZE];
    if (BuildRestartCommand(command, sizeof command, "rmdir", folder)
        && StrAppend(command, sizeof command, " "))
        ScheduleAtRestart(command);
    return true;
}

// The copy's removal, from outside the product folder. original is the uninstaller that
// started it (its file in folder, still running), report and process its inherited
// handles (null when not given). Everything that decides the exit code happens before it is
// reported, and the lock goes first: the original ends with the final code, and whatever a
// script starts next finds the lock free. returns the exit code
static int RemoveAsCopy(const char* folderValue, const char* original, HANDLE report, HANDLE process)
{
    char recorded[KV_PATH_SIZE];
    bool ours = RecordedUninstaller(folderValue, recorded, sizeof recorded) && SamePath(original, recorded);
    int outcome = RemoveProductAt(NULL, folderValue, ours ? kProgramName : NULL);
    char folder[KV_PATH_SIZE], aside[KV_PATH_SIZE] = "", asideFile[KV_PATH_SIZE];
    bool movedAside = false, ownFileWaits = false, ownFileKept = false, afterOriginal = false;
    if (ours && outcome != REMOVAL_REFUSED && StrCopy(folder, sizeof folder, recorded)) {
        ((char*)FileNamePart(folder))[-1] = '\0';
        // A running program's file can be moved (on the same drive) though not deleted: into
        // a copies' folder of its own, the product folder goes before the original ends.
        movedAside = MakeUninstallerFolder(aside, sizeof aside)
            && JoinPath(asideFile, sizeof asideFile, aside, kProgramName) && MoveFileA(recorded, asideFile);
        if (!movedAside && aside[0])
            RemoveDirectoryA(aside);
        // Windows 95 and 98 move no running program's file: it goes once the original has
        // ended, which is what holds it. On Windows NT another program holds it (or the
        // temporary folder lies on another drive): it goes at the next start, as any
        // product file in use does.
        if (!movedAside && !g_bWinNT)
            afterOriginal = true;
        else if (!movedAside)
            ownFileWaits = LeaveForNextStart(recorded, folder, &ownFileKept);
        RemoveDirectoryA(folder);
    }
    bool restart =
        outcome == REMOVAL_RESTART_NEEDED && g_bRestartNeeded == 1 && (g_bSilent == 0 || g_bAllowReboot == 1);
    int code = RemovalExitCode(outcome, restart && RestartWindows(1));
    if (ownFileWaits && code == EXIT_INSTALLED)
        code = EXIT_RESTART_NEEDED;
    ReleaseSetupLock();
    if (report) {
        DWORD written = 0, value = (DWORD)code;
        WriteFile(report, &value, sizeof value, &written, NULL);
        CloseHandle(report);
    }
    // What is left is the original's file, once the original has ended: in the copies'
    // folder, or still in the product folder. Only there, on Windows 95 and 98, can another
    // program still hold it now, and then it waits for the next start although the code
    // said otherwise: those systems give no way to tell that before the original ends.
    if (movedAside) {
        if (DeleteOriginal(asideFile, process))
            RemoveDirectoryA(aside);
    } else if ((ownFileKept || afterOriginal) && DeleteOriginal(recorded, process)) {
        RemoveDirectoryA(folder);
    } else if (afterOriginal) {
        LeaveForNextStart(recorded, folder, &ownFileKept);
    }
    if (process)
        CloseHandle(process);
    return code;
}

// returns the exit code: 0, 3010, 1641, 1603, 1618 or 1639 (see above)
int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR cmdLine, int show)
{
    (void)previous;
    (void)show;
    char values[SWITCH_COUNT][VALUE_SIZE];
    bool given[SWITCH_COUNT];
    const char* arguments = cmdLine ? cmdLine : "";
    int found = ParseSwitches(arguments, values, given);
    StartUp(instance, given[SWITCH_SILENT]);
    if (found < 0 || values[SWITCH_FOLDER][0] == '\0' || values[SWITCH_SILENT][0] != '\0') {
        Report(found < 0 ? "A folder or group name is too long."
                         : "Usage: unkv32 -f <folder> -d <folder> -g <group> [-s]");
        return EXIT_BAD_COMMAND_LINE;
    }

    if (given[SWITCH_ORIGINAL]) {
        char original[KV_PATH_SIZE];
        unsigned long report = 0, process = 0;
        if (!ParseOriginalValue(values[SWITCH_ORIGINAL], original, sizeof original, &report, &process)) {
            Report("Usage: unkv32 -f <folder> -d <folder> -g <group> [-s]");
            return EXIT_BAD_COMMAND_LINE;
        }
        // The copy does the removal, so it holds the lock; the original that waits for it does
        // not. A copy that finds it taken ends with 1618 without reporting, and the original
        // passes that exit code on.
        if (!TakeRemovalLock())
            return EXIT_ALREADY_RUNNING;
        RemoveUninstallerCopies();
        return RemoveAsCopy(values[SWITCH_FOLDER], original, (HANDLE)(ULONG_PTR)report,
                            (HANDLE)(ULONG_PTR)process);
    }

    // The uninstaller of the recorded installation runs the removal from a copy.
    char program[KV_PATH_SIZE], recorded[KV_PATH_SIZE];
    DWORD length = GetModuleFileNameA(NULL, program, sizeof program);
    int code;
    if (length > 0 && length < sizeof program
        && RecordedUninstaller(values[SWITCH_FOLDER], recorded, sizeof recorded)
        && SamePath(program, recorded) && RunFromCopy(program, arguments, &code))
        return code;
    if (!TakeRemovalLock())
        return EXIT_ALREADY_RUNNING;
    RemoveUninstallerCopies();
    int outcome = RemoveProductAt(NULL, values[SWITCH_FOLDER], NULL);
    bool restart =
        outcome == REMOVAL_RESTART_NEEDED && g_bRestartNeeded == 1 && (g_bSilent == 0 || g_bAllowReboot == 1);
    code = RemovalExitCode(outcome, restart && RestartWindows(1));
    ReleaseSetupLock();
    return code;
}
