// The whole-program harness, shared by the whole-program and fault tests: a scratch sandbox per scenario holding a copy of the built
// kvsetup.exe (with an optional Install.ini beside it) and its own temporary folder; a run
// of the program in it with a time-out, watching the program's top-level windows and its
// temporary folder while it runs; and the Wine settings a scenario needs (a per-program
// Windows version, a windowed bystander process, commands for the next restart).
#pragma once
#include <windows.h>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>
#include "support/product_state.h"

namespace kve2e
{

// The built kvsetup.exe as a Windows path.
std::string SetupProgramPath();

// One top-level window of the program, as last seen while it ran.
struct WindowSeen {
    HWND window;
    std::string className;
    std::string caption;
    bool everVisible; // seen visible at least once
    RECT rect;        // its screen rectangle when last seen
    RECT visibleRect; // its screen rectangle when last seen visible
    LONG style;
};

struct RunOptions {
    // Extra environment entries "NAME=value"; "NAME=" removes NAME from the child's block.
    std::vector<std::string> environment;
    DWORD timeoutMs = 120000;
    // Called on every poll (about every 10 ms) with each visible top-level window of the
    // program, so that a scenario can read or drive it.
    std::function<void(HWND)> onVisibleWindow;
    // Files of the program's temporary folder whose text the run keeps (read only once their
    // size has settled, and with every sharing flag, so that the program is not disturbed).
    std::vector<std::string> watchedTexts = { "Install.ini" };
    // Also watches the programs the program starts, and theirs (the uninstaller's copy): their
    // windows count as the program's own, and their ids go into startedPrograms.
    bool watchStarted = false;
};

struct RunResult {
    bool started = false;
    DWORD processId = 0;
    bool timedOut = false; // the program was ended by the harness
    DWORD exitCode = 0;
    bool anyWindowVisible = false; // a top-level window of the program was ever visible
    std::vector<WindowSeen> windows;
    // Every file seen in the program's temporary folder while it ran.
    std::set<std::string> tempFilesSeen;
    // The text of each watched file as last read while the program ran.
    std::map<std::string, std::string> tempTexts;
    // The programs (file names, lower case) that the program started and that still ran when it
    // ended: a restart it asked for shows here as "wineboot.exe" until the restart is done.
    std::vector<std::string> childrenAtEnd;
    // The programs the program started that were seen while it ran (with watchStarted).
    std::vector<DWORD> startedPrograms;

    const WindowSeen* FindWindowOfClass(const char* className) const;
    // The windows seen, for failure messages: class and caption, "(hidden)" for one never visible.
    std::string WindowsSeen() const;
};

// A scratch folder for one scenario: <temp>\kv-e2e-<tag>-N with setup\ (the program and
// its Install.ini) and temp\ (the program's TEMP and TMP). Deleted with everything in it.
class Sandbox
{
public:
    explicit Sandbox(const char* tag);
    ~Sandbox();
    Sandbox(const Sandbox&) = delete;
    Sandbox& operator=(const Sandbox&) = delete;

    const std::string& Root() const
    {
        return root_;
    }
    std::string SetupFolder() const
    {
        return root_ + "\\setup";
    }
    std::string TempFolder() const
    {
        return root_ + "\\temp";
    }
    std::string SetupPath() const
    {
        return SetupFolder() + "\\kvsetup.exe";
    }

    // Copies kvsetup.exe into the setup folder; returns false when the copy failed.
    bool PlaceSetup();
    // Writes Install.ini beside the program (the text as given, bytes unchanged).
    bool PlaceInstallIni(const std::string& text);
    // Runs the placed program and waits for it to end or for the time-out.
    RunResult Run(const RunOptions& options = RunOptions());
    // Places the program and its Install.ini, then runs it (a run that could not be placed
    // did not start).
    RunResult RunWith(const std::string& installIni, const RunOptions& options = RunOptions());
    // Runs a command line (the program named by its first, quoted, part) the same way, from
    // the setup folder and with the sandbox's temporary folder.
    RunResult RunCommand(std::string commandLine, const RunOptions& options = RunOptions());
    // Starts a command line the same way but does not watch or wait for it: returns its
    // process handle (the caller waits and closes it), or NULL when it did not start.
    HANDLE StartCommand(std::string commandLine);

    // setup.log of the last run (it lies in the program's temporary folder), "" when none.
    std::string SetupLog() const;
    std::vector<std::string> TempFiles() const;

private:
    std::string root_;
};

// Runs the uninstall entry's UninstallString, with more arguments after it, in the sandbox.
RunResult RunUninstallString(Sandbox& box, const std::string& more = "",
                             const RunOptions& options = RunOptions());

// Install.ini for a silent, logged run: more [INSTALL] lines, then the [KORVID] lines.
std::string SilentInstallIni(const std::string& install, const std::string& korvid);
// The same for an install into dest (more [INSTALL] and [KORVID] lines may follow).
std::string SilentOptions(const std::string& dest, const std::string& install = "",
                          const std::string& korvid = "");

// Places the program and its Install.ini in the sandbox and runs it; checks, reporting the
// caller's file and line, that it started, ended on its own with exitCode, and showed no
// window. returns the run
RunResult InstallSilently(const char* file, int line, Sandbox& box, const std::string& installIni,
                          DWORD exitCode, const RunOptions& options = RunOptions());
#define KV_INSTALL_SILENTLY(...) kve2e::InstallSilently(__FILE__, __LINE__, __VA_ARGS__)
// True when the run passed the checks of InstallSilently.
bool RanSilently(const RunResult& run, DWORD exitCode);
// Checks, reporting the caller's file and line, that the run started, ended on its own with
// exitCode and showed no window; box's log goes into the failure messages.
void ExpectRanSilently(const char* file, int line, const RunResult& run, const Sandbox& box, DWORD exitCode);
#define KV_EXPECT_RAN_SILENTLY(...) kve2e::ExpectRanSilently(__FILE__, __LINE__, __VA_ARGS__)

// Every file under folder, as paths relative to it, sorted.
std::vector<std::string> ListTree(const std::string& folder);
using kvtest::SplitLines;

// Sets the Windows version that Wine reports to kvsetup.exe ("win95", "win98", "nt351",
// "nt40", "win31", ...) for as long as the object lives.
class WineVersion
{
public:
    explicit WineVersion(const char* version);
    ~WineVersion();
    WineVersion(const WineVersion&) = delete;
    WineVersion& operator=(const WineVersion&) = delete;
};

// A program with a top-level window, started by the test; a restart ends it.
class WindowedBystander
{
public:
    WindowedBystander();
    ~WindowedBystander();
    WindowedBystander(const WindowedBystander&) = delete;
    WindowedBystander& operator=(const WindowedBystander&) = delete;
    bool Started() const
    {
        return process_ != NULL;
    }
    // True when its window is up (waits up to the time given).
    bool WaitForWindow(DWORD timeoutMs);
    bool Running() const;

private:
    HANDLE process_ = NULL;
    DWORD pid_ = 0;
};

// A command in HKLM RunOnce under a name of the test's, which a restart runs and removes;
// the destructor removes it when it is still there.
class RunOnceCommand
{
public:
    RunOnceCommand(const char* valueName, const std::string& command);
    ~RunOnceCommand();
    RunOnceCommand(const RunOnceCommand&) = delete;
    RunOnceCommand& operator=(const RunOnceCommand&) = delete;
    bool Stored() const;

private:
    std::string name_;
};

// Waits until each of the programs has ended (timeoutMs only guards against a hang); returns
// whether all ended.
bool WaitForPrograms(const std::vector<DWORD>& programs, DWORD timeoutMs = 60000);

// Waits until the file exists (timeoutMs only guards against a hang); returns whether it exists.
bool WaitForFile(const std::string& path, DWORD timeoutMs = 60000);

} // namespace kve2e
