// The bench's launcher, run under Wine:
//   kvbench empty                      does nothing (the empty Wine process)
//   kvbench run [--window CAPTION] [--timeout MS] PROGRAM [ARGS]
//       starts PROGRAM and waits for it. With --window, it ends the program once a visible
//       top-level window of that caption appears (or the time-out passes) and reports the
//       time from the start to that window. It samples the program's memory counters while
//       it runs (Wine cannot read them once the process has ended), and once more before it
//       closes the handle.
//   kvbench close-explorer             closes the shell's folder windows that Program
//                                      Manager groups open
//   kvbench progman one|batch FILE     the bare Program Manager client: one CreateGroup of
//                                      "KORVID Pro Bare", then 14 AddItem commands for FILE,
//                                      each a transaction of its own (one) or all in one
//                                      execute string (batch), on one conversation
// Reports go to standard output as "key value" lines.
#include <windows.h>
#include <psapi.h>
#include <ddeml.h>
#include <string>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static double Milliseconds(LARGE_INTEGER from, LARGE_INTEGER to, LARGE_INTEGER frequency)
{
    return (double)(to.QuadPart - from.QuadPart) * 1000.0 / (double)frequency.QuadPart;
}

struct Peak {
    SIZE_T peakPagefile = 0;
    SIZE_T privateUsage = 0;
    SIZE_T peakWorkingSet = 0;
};

static void Sample(HANDLE process, Peak* peak)
{
    PROCESS_MEMORY_COUNTERS_EX counters;
    memset(&counters, 0, sizeof counters);
    counters.cb = sizeof counters;
    if (!GetProcessMemoryInfo(process, (PROCESS_MEMORY_COUNTERS*)&counters, sizeof counters))
        return;
    if (counters.PeakPagefileUsage > peak->peakPagefile)
        peak->peakPagefile = counters.PeakPagefileUsage;
    if (counters.PrivateUsage > peak->privateUsage)
        peak->privateUsage = counters.PrivateUsage;
    if (counters.PeakWorkingSetSize > peak->peakWorkingSet)
        peak->peakWorkingSet = counters.PeakWorkingSetSize;
}

static BOOL CALLBACK CloseExplorerWindow(HWND window, LPARAM count)
{
    char name[64];
    if (GetClassNameA(window, name, sizeof name) && strcmp(name, "ExplorerWClass") == 0) {
        PostMessageA(window, WM_CLOSE, 0, 0);
        ++*(int*)count;
    }
    return TRUE;
}

static int CloseExplorer(void)
{
    int count = 0;
    EnumWindows(CloseExplorerWindow, (LPARAM)&count);
    printf("closed %d\n", count);
    return 0;
}

// The command line after the launcher's own arguments, as the program should get it.
static const char* ProgramCommandLine(int skipWords)
{
    const char* p = GetCommandLineA();
    for (int word = 0; word < skipWords; word++) {
        while (*p == ' ' || *p == '\t')
            p++;
        bool quoted = false;
        while (*p && (quoted || (*p != ' ' && *p != '\t'))) {
            if (*p == '"')
                quoted = !quoted;
            p++;
        }
    }
    while (*p == ' ' || *p == '\t')
        p++;
    return p;
}

static int Run(int argc, char** argv)
{
    const char* caption = NULL;
    DWORD timeout = 10000;
    int arg = 2;
    while (arg + 1 < argc && strncmp(argv[arg], "--", 2) == 0) {
        if (strcmp(argv[arg], "--window") == 0)
            caption = argv[arg + 1];
        else if (strcmp(argv[arg], "--timeout") == 0)
            timeout = (DWORD)strtoul(argv[arg + 1], NULL, 10);
        arg += 2;
    }
    if (arg >= argc) {
        fprintf(stderr, "kvbench run: no program\n");
        return 2;
    }
    char commandLine[4096];
    snprintf(commandLine, sizeof commandLine, "%s", ProgramCommandLine(arg));

    LARGE_INTEGER frequency, start, now;
    QueryPerformanceFrequency(&frequency);
    STARTUPINFOA startup;
    memset(&startup, 0, sizeof startup);
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info;
    QueryPerformanceCounter(&start);
    if (!CreateProcessA(NULL, commandLine, NULL, NULL, FALSE, 0, NULL, NULL, &startup, &info)) {
        fprintf(stderr, "kvbench run: cannot start %s (%lu)\n", commandLine, GetLastError());
        return 2;
    }
    Peak peak;
    double windowMs = -1;
    bool ended = false;
    for (;;) {
        Sample(info.hProcess, &peak);
        if (WaitForSingleObject(info.hProcess, 2) == WAIT_OBJECT_0) {
            ended = true;
            break;
        }
        QueryPerformanceCounter(&now);
        if (caption) {
            HWND window = FindWindowA(NULL, caption);
            if (window && IsWindowVisible(window)) {
                windowMs = Milliseconds(start, now, frequency);
                Sample(info.hProcess, &peak);
                break;
            }
            if (Milliseconds(start, now, frequency) > timeout)
                break;
        }
    }
    QueryPerformanceCounter(&now);
    Sample(info.hProcess, &peak);
    DWORD exitCode = 0;
    if (!ended) {
        // A bench run only looks at the window; the program is not needed after it.
        TerminateProcess(info.hProcess, 1);
        WaitForSingleObject(info.hProcess, 5000);
    }
    GetExitCodeProcess(info.hProcess, &exitCode);
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);

    printf("elapsed_ms %.1f\n", Milliseconds(start, now, frequency));
    printf("exit_code %lu\n", exitCode);
    printf("ended_by_itself %d\n", ended ? 1 : 0);
    if (caption) {
        if (windowMs >= 0)
            printf("window_ms %.1f\n", windowMs);
        else
            printf("window_ms none\n");
    }
    printf("peak_pagefile_bytes %llu\n", (unsigned long long)peak.peakPagefile);
    printf("private_bytes %llu\n", (unsigned long long)peak.privateUsage);
    printf("peak_working_set_bytes %llu\n", (unsigned long long)peak.peakWorkingSet);
    return 0;
}

static HDDEDATA CALLBACK BareCallback(UINT, UINT, HCONV, HSZ, HSZ, HDDEDATA, ULONG_PTR, ULONG_PTR)
{
    return NULL;
}

static bool BareExecute(HCONV conv, const std::string& command)
{
    return DdeClientTransaction((LPBYTE)command.c_str(), (DWORD)command.size() + 1, conv, NULL, CF_TEXT,
                                XTYP_EXECUTE, 30000, NULL)
        != NULL;
}

static int BareProgman(bool batch, const char* file)
{
    DWORD instance = 0;
    if (DdeInitializeA(&instance, BareCallback, APPCMD_CLIENTONLY, 0) != DMLERR_NO_ERROR)
        return 2;
    HSZ service = DdeCreateStringHandleA(instance, "PROGMAN", CP_WINANSI);
    HCONV conv = DdeConnect(instance, service, service, NULL);
    int failed = 0;
    if (!conv) {
        fprintf(stderr, "kvbench progman: no server\n");
        failed = 1;
    } else {
        failed += !BareExecute(conv, "[CreateGroup(\"KORVID Pro Bare\")]");
        std::string all;
        for (int i = 1; i <= 14; i++) {
            std::string item = "[AddItem(\"" + std::string(file) + "\",\"Bare item " + std::to_string(i)
                + "\",,,,,\"C:\\kvbench\")]";
            if (batch)
                all += item;
            else
                failed += !BareExecute(conv, item);
        }
        if (batch)
            failed += !BareExecute(conv, all);
        DdeDisconnect(conv);
    }
    DdeFreeStringHandle(instance, service);
    DdeUninitialize(instance);
    printf("failed %d\n", failed);
    return failed ? 1 : 0;
}

int main(int argc, char** argv)
{
    if (argc >= 4 && strcmp(argv[1], "progman") == 0)
        return BareProgman(strcmp(argv[2], "batch") == 0, argv[3]);
    if (argc >= 2 && strcmp(argv[1], "empty") == 0)
        return 0;
    if (argc >= 2 && strcmp(argv[1], "close-explorer") == 0)
        return CloseExplorer();
    if (argc >= 3 && strcmp(argv[1], "run") == 0)
        return Run(argc, argv);
    fprintf(stderr,
            "usage: kvbench empty | close-explorer | progman one|batch FILE | run [--window CAPTION] "
            "[--timeout MS] PROGRAM [ARGS]\n");
    return 2;
}
