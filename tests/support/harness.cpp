// The whole-program harness: sandboxes, runs of kvsetup.exe under watch, and the Wine
// settings the scenarios use. See harness.h.
#include "support/harness.h"
#include "support/product_state.h"
#include <gtest/gtest.h>
#include <ctype.h>
#include <stdio.h>
#include <string.h>
#include <tlhelp32.h>
#include <algorithm>
#include <functional>
#include <iostream>

// Declared by the SDK headers only for newer targets than the program's; Wine has it.
extern "C" DWORD WINAPI GetProcessIdOfThread(HANDLE thread);

namespace kve2e
{

namespace
{

const char kRunOnceKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
const char kAppDefaultsKey[] = "Software\\Wine\\AppDefaults\\kvsetup.exe";

bool SameName(const std::string& a, const std::string& b)
{
    return _stricmp(a.c_str(), b.c_str()) == 0;
}

// The child's environment block: ours, with TEMP and TMP set to its temporary folder and
// the extra entries applied.
std::vector<char> BuildEnvironment(const std::string& tempFolder, const std::vector<std::string>& extra)
{
    std::vector<std::string> replaced = { "TEMP", "TMP" };
    for (const std::string& e : extra)
        replaced.push_back(e.substr(0, e.find('=')));

    std::vector<std::string> entries;
    char* block = GetEnvironmentStringsA();
    for (const char* p = block; *p; p += strlen(p) + 1) {
        std::string entry = p;
        // Entries such as "=C:=C:\..." have no name of their own: keep them.
        std::string name = entry.substr(0, entry.find('=', 1));
        bool drop = false;
        for (const std::string& r : replaced)
            drop = drop || SameName(name, r);
        if (!drop)
            entries.push_back(entry);
    }
    FreeEnvironmentStringsA(block);

    entries.push_back("TEMP=" + tempFolder);
    entries.push_back("TMP=" + tempFolder);
    for (const std::string& e : extra)
        if (e.find('=') + 1 < e.size())
            entries.push_back(e);

    std::vector<char> result;
    for (const std::string& e : entries) {
        result.insert(result.end(), e.begin(), e.end());
        result.push_back('\0');
    }
    result.push_back('\0');
    return result;
}

// What one run watches: the program's windows (and with watchStarted, those of the programs
// it started), by polling and through show events.
struct Watch {
    std::set<DWORD> pids;
    RunResult* result;
    bool everyProgram; // the show events of every program arrive
};
Watch* g_watch;

bool Watched(HWND window)
{
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    return g_watch->pids.count(pid) != 0;
}

// Calls visit with every process of the machine, as one snapshot sees them.
void ForEachProcess(const std::function<void(const PROCESSENTRY32&)>& visit)
{
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return;
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry))
        visit(entry);
    CloseHandle(snapshot);
}

// Adds the programs that a watched program started.
void FollowStartedPrograms(Watch* watch)
{
    ForEachProcess([watch](const PROCESSENTRY32& entry) {
        if (watch->pids.count(entry.th32ParentProcessID) && watch->pids.insert(entry.th32ProcessID).second)
            watch->result->startedPrograms.push_back(entry.th32ProcessID);
    });
}

WindowSeen& Remember(RunResult* result, HWND window)
{
    for (WindowSeen& seen : result->windows)
        if (seen.window == window)
            return seen;
    WindowSeen seen = {};
    seen.window = window;
    result->windows.push_back(seen);
    return result->windows.back();
}

// Records one top-level window of the program as it is now; a window that went away while
// it was being asked keeps what was known of it.
void Observe(RunResult* result, HWND window)
{
    char className[256] = "", caption[256] = "";
    GetClassNameA(window, className, sizeof className);
    GetWindowTextA(window, caption, sizeof caption);
    LONG style = (LONG)GetWindowLongPtrA(window, GWL_STYLE);
    RECT rect = {};
    GetWindowRect(window, &rect);
    bool visible = IsWindowVisible(window) != FALSE;
    if (!IsWindow(window))
        return;
    WindowSeen& seen = Remember(result, window);
    seen.className = className;
    seen.caption = caption;
    seen.style = style;
    seen.rect = rect;
    if (visible) {
        seen.everVisible = true;
        seen.visibleRect = rect;
        result->anyWindowVisible = true;
    }
}

BOOL CALLBACK CollectWindow(HWND window, LPARAM param)
{
    auto* windows = reinterpret_cast<std::vector<HWND>*>(param);
    if (Watched(window))
        windows->push_back(window);
    return TRUE;
}

// A window of the program became visible. Shown by the time the event arrives here, it may
// be gone already: a window that can no longer be asked counts as a visible top-level one,
// since only the program's top-level windows and their controls are shown at all.
void CALLBACK OnShowEvent(HWINEVENTHOOK, DWORD, HWND window, LONG object, LONG child, DWORD thread, DWORD)
{
    if (!g_watch || !window || object != OBJID_WINDOW || child != CHILDID_SELF)
        return;
    // Events of every program arrive when the started ones are watched too: the thread that
    // showed the window tells whose it was.
    if (g_watch->everyProgram) {
        HANDLE owner = OpenThread(THREAD_QUERY_LIMITED_INFORMATION, FALSE, thread);
        DWORD pid = owner ? GetProcessIdOfThread(owner) : 0;
        if (owner)
            CloseHandle(owner);
        if (!g_watch->pids.count(pid))
            return;
    }
    if (!IsWindow(window)) {
        g_watch->result->anyWindowVisible = true;
        return;
    }
    if (!(GetWindowLongPtrA(window, GWL_STYLE) & WS_CHILD)) {
        Observe(g_watch->result, window);
        // Hidden again by now: the event still proves it was shown.
        Remember(g_watch->result, window).everVisible = true;
        g_watch->result->anyWindowVisible = true;
    }
}

std::string ReadShared(const std::string& path, DWORD size)
{
    std::string text;
    HANDLE file =
        CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL,
                    OPEN_EXISTING, 0, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return text;
    text.resize(size);
    DWORD got = 0;
    if (!ReadFile(file, &text[0], size, &got, NULL))
        got = 0;
    text.resize(got);
    CloseHandle(file);
    return text;
}

// Notes every file of the temporary folder and reads the watched ones once settled.
void PollTempFolder(const std::string& folder, const RunOptions& options, RunResult* result,
                    std::map<std::string, DWORD>* lastSizes)
{
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE)
        return;
    do {
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            continue;
        std::string name = data.cFileName;
        result->tempFilesSeen.insert(name);
        for (const std::string& watched : options.watchedTexts) {
            if (!SameName(watched, name) || data.nFileSizeLow == 0 || data.nFileSizeLow > 65536)
                continue;
            auto last = lastSizes->find(name);
            bool settled = last != lastSizes->end() && last->second == data.nFileSizeLow;
            bool known =
                result->tempTexts.count(watched) && result->tempTexts[watched].size() == data.nFileSizeLow;
            if (settled && !known) {
                std::string text = ReadShared(folder + "\\" + name, data.nFileSizeLow);
                if (!text.empty())
                    result->tempTexts[watched] = text;
            }
        }
        (*lastSizes)[name] = data.nFileSizeLow;
    } while (FindNextFileA(find, &data));
    FindClose(find);
}

// The file names (lower case) of the running processes whose parent is pid.
// Ends every program that pid started and that still runs (an uninstaller's copy holding
// the one-setup lock, say), so that a run the harness had to end leaves nothing behind.
void EndChildrenOf(DWORD pid)
{
    ForEachProcess([pid](const PROCESSENTRY32& entry) {
        if (entry.th32ParentProcessID != pid || entry.th32ProcessID == pid)
            return;
        HANDLE child = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, entry.th32ProcessID);
        if (child) {
            TerminateProcess(child, 0xDEAD);
            WaitForSingleObject(child, 10000);
            CloseHandle(child);
        }
    });
}

std::vector<std::string> ChildrenOf(DWORD pid)
{
    std::vector<std::string> names;
    ForEachProcess([pid, &names](const PROCESSENTRY32& entry) {
        if (entry.th32ParentProcessID != pid || entry.th32ProcessID == pid)
            return;
        std::string name = entry.szExeFile;
        name = name.substr(name.find_last_of('\\') + 1);
        std::transform(name.begin(), name.end(), name.begin(),
                       [](char c) { return (char)tolower((unsigned char)c); });
        names.push_back(name);
    });
    return names;
}

} // namespace

std::string SetupProgramPath()
{
    return kvtest::WinePath(KV_SETUP_EXE_UNIX);
}

std::string RunResult::WindowsSeen() const
{
    std::string seen;
    for (const WindowSeen& w : windows)
        seen += " " + w.className + " \"" + w.caption + "\"" + (w.everVisible ? "" : " (hidden)");
    return seen;
}

const WindowSeen* RunResult::FindWindowOfClass(const char* className) const
{
    for (const WindowSeen& seen : windows)
        if (SameName(seen.className, className))
            return &seen;
    return NULL;
}

Sandbox::Sandbox(const char* tag)
{
    root_ = kvtest::MakeScratchFolder((std::string("e2e-") + tag).c_str());
    CreateDirectoryA(SetupFolder().c_str(), NULL);
    CreateDirectoryA(TempFolder().c_str(), NULL);
}

Sandbox::~Sandbox()
{
    // A program that the run started may still be ending with its current folder in here.
    if (kvtest::WaitUntil([&] {
            kvtest::DeleteTree(root_);
            return !kvtest::FileExists(root_);
        }))
        return;
    fprintf(stderr, "sandbox %s could not be removed (error %lu)\n", root_.c_str(), GetLastError());
}

bool Sandbox::PlaceSetup()
{
    return CopyFileA(SetupProgramPath().c_str(), SetupPath().c_str(), FALSE) != 0;
}

bool Sandbox::PlaceInstallIni(const std::string& text)
{
    FILE* f = fopen((SetupFolder() + "\\Install.ini").c_str(), "wb");
    if (!f)
        return false;
    bool ok = fwrite(text.data(), 1, text.size(), f) == text.size();
    return fclose(f) == 0 && ok;
}

// Starts the command line from the sandbox's setup folder with its temporary folder.
static bool StartIn(const Sandbox& box, std::string& commandLine, const std::vector<std::string>& environment,
                    PROCESS_INFORMATION* process)
{
    std::vector<char> block = BuildEnvironment(box.TempFolder(), environment);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    return CreateProcessA(NULL, &commandLine[0], NULL, NULL, FALSE, 0, block.data(),
                          box.SetupFolder().c_str(), &startup, process)
        != 0;
}

RunResult Sandbox::Run(const RunOptions& options)
{
    return RunCommand("\"" + SetupPath() + "\"", options);
}

RunResult Sandbox::RunWith(const std::string& installIni, const RunOptions& options)
{
    if (!PlaceSetup() || !PlaceInstallIni(installIni))
        return RunResult();
    return Run(options);
}

RunResult Sandbox::RunCommand(std::string commandLine, const RunOptions& options)
{
    RunResult result;
    PROCESS_INFORMATION process = {};
    if (!StartIn(*this, commandLine, options.environment, &process)) {
        // Says why, for the caller's check that the run started.
        std::cerr << "could not start " << commandLine << ": error " << GetLastError() << std::endl;
        return result;
    }
    result.started = true;
    result.processId = process.dwProcessId;

    Watch watch = { { process.dwProcessId }, &result, options.watchStarted };
    g_watch = &watch;
    HWINEVENTHOOK hook =
        SetWinEventHook(EVENT_OBJECT_SHOW, EVENT_OBJECT_SHOW, NULL, OnShowEvent,
                        options.watchStarted ? 0 : process.dwProcessId, 0, WINEVENT_OUTOFCONTEXT);
    std::map<std::string, DWORD> lastSizes;
    DWORD start = GetTickCount();
    for (;;) {
        if (options.watchStarted)
            FollowStartedPrograms(&watch);
        std::vector<HWND> windows;
        EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&windows));
        for (HWND window : windows) {
            Observe(&result, window);
            if (options.onVisibleWindow && IsWindowVisible(window))
                options.onVisibleWindow(window);
        }
        PollTempFolder(TempFolder(), options, &result, &lastSizes);

        DWORD wait = MsgWaitForMultipleObjects(1, &process.hProcess, FALSE, 10, QS_ALLINPUT);
        MSG msg;
        while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE))
            DispatchMessageA(&msg);
        if (wait == WAIT_OBJECT_0)
            break;
        if (GetTickCount() - start > options.timeoutMs) {
            EndChildrenOf(process.dwProcessId);
            TerminateProcess(process.hProcess, 0xDEAD);
            WaitForSingleObject(process.hProcess, 10000);
            result.timedOut = true;
            break;
        }
    }
    if (hook)
        UnhookWinEvent(hook);
    // Show events still queued belong to this run.
    MSG msg;
    while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE))
        DispatchMessageA(&msg);
    g_watch = NULL;

    GetExitCodeProcess(process.hProcess, &result.exitCode);
    result.childrenAtEnd = ChildrenOf(process.dwProcessId);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return result;
}

HANDLE Sandbox::StartCommand(std::string commandLine)
{
    PROCESS_INFORMATION process = {};
    if (!StartIn(*this, commandLine, {}, &process))
        return NULL;
    CloseHandle(process.hThread);
    return process.hProcess;
}

std::string Sandbox::SetupLog() const
{
    return kvtest::ReadFile(TempFolder() + "\\setup.log");
}

std::vector<std::string> Sandbox::TempFiles() const
{
    return kvtest::ListFiles(TempFolder());
}

static void ListInto(const std::string& folder, const std::string& prefix, std::vector<std::string>* out)
{
    kvtest::ForEachEntry(folder, [&](const WIN32_FIND_DATAA& data) {
        std::string name = data.cFileName;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            ListInto(folder + "\\" + name, prefix + name + "\\", out);
        else
            out->push_back(prefix + name);
    });
}

std::vector<std::string> ListTree(const std::string& folder)
{
    std::vector<std::string> names;
    ListInto(folder, "", &names);
    std::sort(names.begin(), names.end());
    return names;
}

WineVersion::WineVersion(const char* version)
{
    HKEY key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kAppDefaultsKey, 0, NULL, 0, KEY_SET_VALUE, NULL, &key, NULL)
        == ERROR_SUCCESS) {
        RegSetValueExA(key, "Version", 0, REG_SZ, (const BYTE*)version, (DWORD)strlen(version) + 1);
        RegCloseKey(key);
    }
}

WineVersion::~WineVersion()
{
    RegDeleteKeyA(HKEY_CURRENT_USER, kAppDefaultsKey);
}

WindowedBystander::WindowedBystander()
{
    char windows[MAX_PATH];
    GetWindowsDirectoryA(windows, sizeof windows);
    std::string commandLine = std::string(windows) + "\\notepad.exe";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (CreateProcessA(NULL, &commandLine[0], NULL, NULL, FALSE, 0, NULL, NULL, &startup, &process)) {
        CloseHandle(process.hThread);
        process_ = process.hProcess;
        pid_ = process.dwProcessId;
    }
}

WindowedBystander::~WindowedBystander()
{
    if (!process_)
        return;
    if (Running()) {
        TerminateProcess(process_, 0);
        WaitForSingleObject(process_, 5000);
    }
    CloseHandle(process_);
}

static BOOL CALLBACK FindVisibleWindowOf(HWND window, LPARAM param)
{
    auto* pid = reinterpret_cast<DWORD*>(param);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == *pid && IsWindowVisible(window)) {
        *pid = 0;
        return FALSE;
    }
    return TRUE;
}

bool WindowedBystander::WaitForWindow(DWORD timeoutMs)
{
    bool shown = false;
    kvtest::WaitUntil(
        [&] {
            DWORD pid = pid_;
            if (process_ && Running())
                EnumWindows(FindVisibleWindowOf, reinterpret_cast<LPARAM>(&pid));
            shown = pid == 0;
            return shown || !process_ || !Running();
        },
        timeoutMs);
    return shown;
}

bool WindowedBystander::Running() const
{
    return process_ && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT;
}

RunOnceCommand::RunOnceCommand(const char* valueName, const std::string& command) : name_(valueName)
{
    HKEY key;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, kRunOnceKey, 0, NULL, 0, KEY_SET_VALUE, NULL, &key, NULL)
        == ERROR_SUCCESS) {
        RegSetValueExA(key, name_.c_str(), 0, REG_SZ, (const BYTE*)command.c_str(),
                       (DWORD)command.size() + 1);
        RegCloseKey(key);
    }
}

RunOnceCommand::~RunOnceCommand()
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kRunOnceKey, 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
        RegDeleteValueA(key, name_.c_str());
        RegCloseKey(key);
    }
}

bool RunOnceCommand::Stored() const
{
    return kvtest::RegString(HKEY_LOCAL_MACHINE, kRunOnceKey, name_.c_str()) != "<missing>";
}

bool WaitForPrograms(const std::vector<DWORD>& programs, DWORD timeoutMs)
{
    bool ended = true;
    for (DWORD pid : programs) {
        // A program that has ended already cannot be opened any more.
        HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, pid);
        if (!process)
            continue;
        ended = WaitForSingleObject(process, timeoutMs) == WAIT_OBJECT_0 && ended;
        CloseHandle(process);
    }
    return ended;
}

bool WaitForFile(const std::string& path, DWORD timeoutMs)
{
    return kvtest::WaitUntil([&] { return kvtest::FileExists(path); }, timeoutMs);
}

std::string SilentInstallIni(const std::string& install, const std::string& korvid)
{
    return "[INSTALL]\r\nQUIET=TRUE\r\nLOGGING=TRUE\r\n" + install + "\r\n[KORVID]\r\n" + korvid + "\r\n";
}

std::string SilentOptions(const std::string& dest, const std::string& install, const std::string& korvid)
{
    return SilentInstallIni(install, "DIR32=" + dest + "\r\n" + korvid);
}

RunResult InstallSilently(const char* file, int line, Sandbox& box, const std::string& installIni,
                          DWORD exitCode, const RunOptions& options)
{
    RunResult run = box.RunWith(installIni, options);
    ExpectRanSilently(file, line, run, box, exitCode);
    return run;
}

void ExpectRanSilently(const char* file, int line, const RunResult& run, const Sandbox& box, DWORD exitCode)
{
    testing::ScopedTrace trace(file, line, "silent run in " + box.Root());
    EXPECT_TRUE(run.started) << "the program could not be placed or started";
    EXPECT_FALSE(run.timedOut);
    EXPECT_EQ(exitCode, run.exitCode) << box.SetupLog();
    EXPECT_FALSE(run.anyWindowVisible) << run.WindowsSeen();
}

RunResult RunUninstallString(Sandbox& box, const std::string& more, const RunOptions& options)
{
    return box.RunCommand(kvtest::UninstallValue("UninstallString") + more, options);
}

bool RanSilently(const RunResult& run, DWORD exitCode)
{
    return run.started && !run.timedOut && run.exitCode == exitCode && !run.anyWindowVisible;
}

} // namespace kve2e
