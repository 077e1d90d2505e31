// The machine a test runs on, shared by the unit, whole-program and fault tests: the restart
// command keys, the clean-machine fixture, a scoped save of the run state's globals, a
// driver that answers message boxes from a second thread, and product programs run from a
// scratch folder to make their files in use.
#pragma once
#include <windows.h>
#include <direct.h>
#include <gtest/gtest.h>
#include <algorithm>
#include <atomic>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>
#include <stdlib.h>
#include <string.h>
#include "engine/engine.h"
#include "dialogs/dialogs.h"
#include "support/files.h"
#include "support/pages.h"
#include "support/product_state.h"

namespace kvtest
{

const char kCurrentVersion[] = "Software\\Microsoft\\Windows\\CurrentVersion";
const char kRunOnce[] = "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
const char kRunServicesOnce[] = "Software\\Microsoft\\Windows\\CurrentVersion\\RunServicesOnce";

// Every value of a machine key, name to data; empty when the key does not exist.
inline std::map<std::string, std::string> KeyValues(const char* key)
{
    std::map<std::string, std::string> values;
    HKEY h;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key, 0, KEY_READ, &h) != ERROR_SUCCESS)
        return values;
    for (DWORD i = 0;; i++) {
        char name[256];
        BYTE data[2048];
        DWORD nameSize = sizeof name, dataSize = sizeof data, type;
        if (RegEnumValueA(h, i, name, &nameSize, NULL, &type, data, &dataSize) != ERROR_SUCCESS)
            break;
        values[name] = std::string((const char*)data, dataSize);
    }
    RegCloseKey(h);
    return values;
}

inline bool MachineKeyExists(const char* key)
{
    HKEY h;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key, 0, KEY_READ, &h) != ERROR_SUCCESS)
        return false;
    RegCloseKey(h);
    return true;
}

// Deletes the "Oxtavine..." values of a machine key; the tests own no other values there.
inline void DeleteOxtavineValues(const char* key)
{
    HKEY h;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key, 0, KEY_ALL_ACCESS, &h) != ERROR_SUCCESS)
        return;
    for (const auto& value : KeyValues(key))
        if (value.first.compare(0, 8, "Oxtavine") == 0)
            RegDeleteValueA(h, value.first.c_str());
    RegCloseKey(h);
}

// The data of a REG_SZ value as a string without its terminator.
inline std::string TextOf(const std::string& data)
{
    return std::string(data.c_str());
}

// The commands stored for the next restart ("Oxtavine..." values), in the order the restart
// runs them: RunServicesOnce's, then RunOnce's.
inline std::vector<std::string> StoredRestartCommands()
{
    std::vector<std::string> commands;
    for (const char* key : { kRunServicesOnce, kRunOnce })
        for (const auto& value : KeyValues(key))
            if (value.first.compare(0, 8, "Oxtavine") == 0)
                commands.push_back(TextOf(value.second));
    return commands;
}

// Leaves the machine as an install never touched it, before and after each test: win.ini's
// [KORVID], the product's registry entries and group, and the restart commands of the tests
// ("Oxtavine..." values of RunOnce and RunServicesOnce).
class CleanMachine : public testing::Test
{
protected:
    void SetUp() override
    {
        Clean();
    }
    void TearDown() override
    {
        CloseExplorerWindows();
        Clean();
    }
    static void Clean()
    {
        RemoveProductState();
        DeleteOxtavineValues(kRunOnce);
        DeleteOxtavineValues(kRunServicesOnce);
    }
};

// The clean machine with a product folder of the test's own: dest, "KORVID Pro" in root
// ("C:\KV <tag> <process id>"), which goes after the test.
class ProductFolder : public CleanMachine
{
protected:
    explicit ProductFolder(const std::string& tag)
        : root("C:\\KV " + tag + " " + std::to_string(GetCurrentProcessId())), dest(root + "\\KORVID Pro")
    {
    }
    void TearDown() override
    {
        CleanMachine::TearDown();
        DeleteTree(root);
    }
    std::string Dest(const std::string& name) const
    {
        return dest + "\\" + name;
    }
    const std::string root, dest;
};

// The run state's globals and the current folder as they were, put back when the object goes.
class SavedRunState
{
public:
    SavedRunState()
        : module_(g_hInstance), winNT_(g_bWinNT), winMajor_(g_nWinMajor), silent_(g_bSilent),
          logging_(g_bLogging), allowReboot_(g_bAllowReboot), restart_(g_bRestartNeeded), noPass_(g_bNoPass),
          icon_(g_iconLocation), cancel_(g_bCancelRequested)
    {
        StrCopy(staging_, sizeof staging_, g_szStagingName);
        StrCopy(iniFile_, sizeof iniFile_, IniFileName);
        if (!_getcwd(folder_, sizeof folder_))
            folder_[0] = '\0';
    }
    ~SavedRunState()
    {
        Restore();
    }
    // Puts everything back now (again when the object goes), e.g. before a scratch folder that
    // is the current folder is deleted.
    void Restore()
    {
        if (folder_[0])
            _chdir(folder_);
        g_hInstance = module_;
        g_bWinNT = winNT_;
        g_nWinMajor = winMajor_;
        g_bSilent = silent_;
        g_bLogging = logging_;
        g_bAllowReboot = allowReboot_;
        g_bRestartNeeded = restart_;
        g_bNoPass = noPass_;
        g_iconLocation = icon_;
        g_bCancelRequested = cancel_;
        StrCopy(g_szStagingName, sizeof g_szStagingName, staging_);
        StrCopy(IniFileName, sizeof IniFileName, iniFile_);
    }
    SavedRunState(const SavedRunState&) = delete;
    SavedRunState& operator=(const SavedRunState&) = delete;

private:
    HINSTANCE module_;
    int winNT_, winMajor_, silent_, logging_, allowReboot_, restart_, noPass_, icon_, cancel_;
    char staging_[KV_PATH_SIZE];
    char iniFile_[KV_PATH_SIZE];
    char folder_[MAX_PATH];
};

// A scratch folder that is this process's TEMP and TMP while the object lives; deleted with it.
class ScratchTemp
{
public:
    explicit ScratchTemp(const char* tag) : folder_(MakeScratchFolder(tag))
    {
        GetEnvironmentVariableA("TEMP", temp_, MAX_PATH);
        GetEnvironmentVariableA("TMP", tmp_, MAX_PATH);
        SetEnvironmentVariableA("TEMP", (folder_ + "\\").c_str());
        SetEnvironmentVariableA("TMP", (folder_ + "\\").c_str());
    }
    ~ScratchTemp()
    {
        SetEnvironmentVariableA("TEMP", temp_[0] ? temp_ : NULL);
        SetEnvironmentVariableA("TMP", tmp_[0] ? tmp_ : NULL);
        DeleteTree(folder_);
    }
    ScratchTemp(const ScratchTemp&) = delete;
    ScratchTemp& operator=(const ScratchTemp&) = delete;
    const std::string& Folder() const
    {
        return folder_;
    }

private:
    std::string folder_;
    char temp_[MAX_PATH] = "", tmp_[MAX_PATH] = "";
};

// Answers every message box of the given caption (any caption when null) that appears while
// it runs: the callback gets the box's text and returns the button to press (IDRETRY,
// IDCANCEL, IDYES).
class BoxDriver
{
public:
    BoxDriver(const char* caption, std::function<int(const std::string&)> answer)
        : anyCaption_(!caption), caption_(caption ? caption : ""), answer_(answer), thread_([this] { Run(); })
    {
    }
    ~BoxDriver()
    {
        stop_ = true;
        thread_.join();
    }
    // The texts of the boxes answered so far, in order.
    std::vector<std::string> Texts()
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return texts_;
    }
    // The captions of the boxes answered so far, in order.
    std::vector<std::string> Captions()
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return captions_;
    }

private:
    void Run()
    {
        while (!stop_) {
            HWND box = anyCaption_ ? FindMessageBox() : FindWindowA("#32770", caption_.c_str());
            if (!box) {
                Sleep(20);
                continue;
            }
            // Read with a plain send: the box's thread may have worked a while before its
            // modal loop first looks at its queue, which the page driver's reads take as hung.
            char text[1024] = "";
            GetDlgItemTextA(box, kBoxText, text, sizeof text);
            {
                std::lock_guard<std::mutex> lock(mutex_);
                texts_.push_back(text);
                captions_.push_back(Caption(box));
            }
            Press(box, answer_(text));
            while (IsWindow(box) && !stop_)
                Sleep(10);
        }
    }

    // A visible message box of this process (a dialog with the message box's text control),
    // whatever its caption; other dialogs, such as a progress box, are left alone.
    // Keeps a visible message box of this process in *param (an EnumWindows callback: a
    // function of the system's calling convention, which a lambda is not on i686).
    static BOOL CALLBACK KeepMessageBox(HWND window, LPARAM param)
    {
        DWORD pid = 0;
        GetWindowThreadProcessId(window, &pid);
        if (pid != GetCurrentProcessId() || !IsWindowVisible(window) || !IsMessageBox(window))
            return TRUE;
        *(HWND*)param = window;
        return FALSE;
    }

    static HWND FindMessageBox()
    {
        HWND found = NULL;
        EnumWindows(KeepMessageBox, (LPARAM)&found);
        return found;
    }

    bool anyCaption_;
    std::string caption_;
    std::function<int(const std::string&)> answer_;
    std::vector<std::string> texts_;
    std::vector<std::string> captions_;
    std::atomic<bool> stop_ { false };
    std::mutex mutex_;
    std::thread thread_;
};

// A stand-in for command.com (Wine has none) in the system folder while the object lives, so
// that the stored "command.com /c" commands run at a restart. A copy the test placed is
// deleted once the stand-in has ended (it cannot be deleted while it runs).
class StandInShell
{
public:
    explicit StandInShell(const std::string& shim) : placed_(CopyFileA(shim.c_str(), kPath, TRUE) != 0)
    {
    }
    ~StandInShell()
    {
        if (placed_) {
            EXPECT_TRUE(WaitUntil([] { return DeleteFileA(kPath) != 0; })) << kPath;
        }
    }

private:
    static constexpr const char* kPath = "C:\\windows\\system32\\command.com";
    bool placed_;
};

// The product's RunServicesOnce commands, run one after the other in the order they were
// stored, each value removed as a start removes it. Windows 95 and 98 start these commands
// together, in no set order, and so does wineboot; but under Wine a del that runs while a
// RemoveDirectory of its folder is under way may not find its file, which those systems
// never do. Running them one at a time takes one of the orders a real start may take.
inline void RunServicesOnceInOrder()
{
    std::vector<std::pair<unsigned long, std::string>> stored;
    for (const auto& value : KeyValues(kRunServicesOnce))
        if (value.first.compare(0, 8, "Oxtavine") == 0)
            stored.emplace_back(strtoul(value.first.c_str() + 8, NULL, 10), value.first);
    std::sort(stored.begin(), stored.end());
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kRunServicesOnce, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS)
        return;
    for (const auto& entry : stored) {
        std::string command = TextOf(KeyValues(kRunServicesOnce)[entry.second]);
        RegDeleteValueA(key, entry.second.c_str());
        RunAndWait(command.c_str());
    }
    RegCloseKey(key);
}

// A restart of the machine: the product's RunServicesOnce commands one at a time (above),
// then wineboot runs the RunOnce commands and the renames waiting for the restart.
inline void Restart()
{
    RunServicesOnceInOrder();
    EXPECT_EQ(0, RunAndWait("C:\\windows\\system32\\wineboot.exe -r"));
}

// A program started from its own folder; ended (WM_CLOSE to its windows, else killed)
// when the object goes.
class RunningProgram
{
public:
    explicit RunningProgram(const std::string& path)
    {
        std::string folder = path.substr(0, path.find_last_of('\\'));
        std::string line = "\"" + path + "\"";
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        if (CreateProcessA(NULL, &line[0], NULL, NULL, FALSE, 0, NULL, folder.c_str(), &startup, &process_))
            WaitForInputIdle(process_.hProcess, 10000);
        else
            process_.hProcess = NULL;
    }
    ~RunningProgram()
    {
        End();
    }
    bool Started() const
    {
        return process_.hProcess != NULL;
    }
    bool Running() const
    {
        return process_.hProcess && WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT;
    }
    void End()
    {
        if (!process_.hProcess)
            return;
        EnumWindows(CloseWindowOf, (LPARAM)process_.dwProcessId);
        if (WaitForSingleObject(process_.hProcess, 10000) != WAIT_OBJECT_0) {
            TerminateProcess(process_.hProcess, 1);
            WaitForSingleObject(process_.hProcess, 10000);
        }
        CloseHandle(process_.hThread);
        CloseHandle(process_.hProcess);
        process_.hProcess = NULL;
    }

private:
    static BOOL CALLBACK CloseWindowOf(HWND window, LPARAM processId)
    {
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner == (DWORD)processId)
            PostMessageA(window, WM_CLOSE, 0, 0);
        return TRUE;
    }

    PROCESS_INFORMATION process_ = {};
};

// The run state of a silent, unlogged install on Windows NT 6 with no options file, its
// staging name taken in work (a folder with its trailing backslash). returns false when no
// staging name could be had
inline bool PrepareSilentInstall(const std::string& work)
{
    char staging[MAX_PATH];
    if (!GetTempFileNameA(work.substr(0, work.size() - 1).c_str(), "KVD", 0, staging))
        return false;
    StrCopy(g_szStagingName, sizeof g_szStagingName, strrchr(staging, '\\') + 1);
    g_bSilent = 1;
    g_bLogging = 0;
    g_bAllowReboot = 0;
    g_bNoPass = 0;
    g_bWinNT = 1;
    g_nWinMajor = 6;
    g_iconLocation = 0;
    g_bCancelRequested = 0;
    g_bRestartNeeded = 0;
    IniFileName[0] = '\0';
    LoadItemTitles();
    return true;
}

} // namespace kvtest
