// kvsched.exe, KORVID Pro's queue scheduler set-up. It does the work of its one switch and
// ends at once (the setup starts it twice in a row and each start waits for the last):
//   -install            records the scheduler and starts it with Windows
//   -install_no_start   records the scheduler, not started with Windows
//   -remove             removes the start-up entry and the scheduler's record
// Any other command line does nothing. The keys are described in product.h.
#include "common.h"
#include "product.h"

enum { EXIT_DONE = 0, EXIT_FAILED = 1, EXIT_UNKNOWN_SWITCH = 2 };

// Writes the start-up entry for path, or removes it when start is false (path unused).
// returns true when the entry is as asked
static bool SetStartWithWindows(const char* path, bool start)
{
    HKEY run = CreateMachineKey(KV_KEY_RUN);
    if (!run)
        return false;
    bool ok;
    if (start) {
        char command[MAX_PATH + 3];
        ok =
            StrFormat(command, sizeof(command), "\"%s\"", path) && SetStringValue(run, KV_RUN_VALUE, command);
    } else {
        LONG rc = RegDeleteValueA(run, KV_RUN_VALUE);
        ok = rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND;
    }
    RegCloseKey(run);
    return ok;
}

// returns true when the scheduler's record and start-up entry were written
static bool InstallScheduler(bool startWithWindows)
{
    char path[MAX_PATH + 1];
    if (!ModulePath(NULL, path, sizeof(path)))
        return false;
    // The scheduler keeps its queue files in the folder it was set up from.
    char folder[MAX_PATH + 1];
    DWORD length = GetCurrentDirectoryA(sizeof(folder), folder);
    if (length == 0 || length >= sizeof(folder))
        return false;
    HKEY key = CreateMachineKey(KV_KEY_SCHEDULER);
    if (!key)
        return false;
    bool ok = SetDwordValue(key, "Installed", 1);
    ok = SetDwordValue(key, "StartWithWindows", startWithWindows ? 1 : 0) && ok;
    ok = SetStringValue(key, "Path", path) && ok;
    ok = SetStringValue(key, "StartFolder", folder) && ok;
    RegCloseKey(key);
    return SetStartWithWindows(path, startWithWindows) && ok;
}

// returns true when neither the start-up entry nor the record is left
static bool RemoveScheduler(void)
{
    bool ok = SetStartWithWindows(NULL, false);
    ok = DeleteKeyIfPresent(HKEY_LOCAL_MACHINE, KV_KEY_SCHEDULER) && ok;
    DeleteEmptyMakerKeys();
    return ok;
}

// Copies the first blank-separated word of line into word. returns false when it is longer
static bool FirstWord(const char* line, char* word, size_t size)
{
    while (*line == ' ' || *line == '\t')
        line++;
    size_t n = 0;
    while (line[n] && line[n] != ' ' && line[n] != '\t') {
        if (n + 1 >= size)
            return false;
        word[n] = line[n];
        n++;
    }
    word[n] = '\0';
    return true;
}

// returns EXIT_DONE, EXIT_FAILED when the registry refused, EXIT_UNKNOWN_SWITCH otherwise
int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR cmdLine, int show)
{
    (void)instance;
    (void)previous;
    (void)show;
    char word[32];
    if (!FirstWord(cmdLine ? cmdLine : "", word, sizeof(word)))
        return EXIT_UNKNOWN_SWITCH;
    if (word[0] == '\0')
        return EXIT_DONE;
    bool ok;
    if (lstrcmpiA(word, "-install") == 0)
        ok = InstallScheduler(true);
    else if (lstrcmpiA(word, "-install_no_start") == 0)
        ok = InstallScheduler(false);
    else if (lstrcmpiA(word, "-remove") == 0)
        ok = RemoveScheduler();
    else
        return EXIT_UNKNOWN_SWITCH;
    return ok ? EXIT_DONE : EXIT_FAILED;
}
