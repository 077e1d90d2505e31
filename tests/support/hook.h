// The tests' message hook on the setup's copy box (kvcancelhook.dll, tests/tools/cancel_hook.cpp),
// set on the thread of the first window of the setup that shows. What it does is chosen by
// the setup's environment: KV_CANCEL_AT clicks the box's Cancel at that file, KV_PAUSE_AT
// holds the copy at that file until the test lets it go (CopyBoxPause).
#pragma once
#include <windows.h>
#include <gtest/gtest.h>
#include <string>

namespace kvtest
{

class CopyBoxHook
{
public:
    explicit CopyBoxHook(const std::string& dllPath)
    {
        dll_ = LoadLibraryA(dllPath.c_str());
        proc_ = dll_ ? (HOOKPROC)(void*)GetProcAddress(dll_, "CancelHookProc") : NULL;
    }
    ~CopyBoxHook()
    {
        if (hook_)
            UnhookWindowsHookEx(hook_);
        if (dll_)
            FreeLibrary(dll_);
    }
    CopyBoxHook(const CopyBoxHook&) = delete;
    CopyBoxHook& operator=(const CopyBoxHook&) = delete;
    bool Loaded() const
    {
        return proc_ != NULL;
    }
    void SetOn(HWND window)
    {
        if (hook_ || !proc_)
            return;
        hook_ = SetWindowsHookExA(WH_CALLWNDPROC, proc_, dll_, GetWindowThreadProcessId(window, NULL));
        EXPECT_TRUE(hook_ != NULL) << GetLastError();
    }

private:
    HMODULE dll_ = NULL;
    HOOKPROC proc_ = NULL;
    HHOOK hook_ = NULL;
};

// The two events through which the hook holds the copy (KV_PAUSE_AT): it sets "paused" and
// waits for "resume".
class CopyBoxPause
{
public:
    CopyBoxPause()
        : paused_(CreateEventA(NULL, TRUE, FALSE, "KvCopyBoxPaused")),
          resume_(CreateEventA(NULL, TRUE, FALSE, "KvCopyBoxResume"))
    {
    }
    ~CopyBoxPause()
    {
        Resume();
        CloseHandle(paused_);
        CloseHandle(resume_);
    }
    CopyBoxPause(const CopyBoxPause&) = delete;
    CopyBoxPause& operator=(const CopyBoxPause&) = delete;
    // Waits until the copy is held (the bound only guards against a hang).
    bool WaitHeld()
    {
        return WaitForSingleObject(paused_, 60000) == WAIT_OBJECT_0;
    }
    void Resume()
    {
        SetEvent(resume_);
    }

private:
    HANDLE paused_;
    HANDLE resume_;
};

} // namespace kvtest
