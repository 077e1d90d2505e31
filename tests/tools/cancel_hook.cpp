// kvcancelhook.dll: a message hook that the fault suite sets on the setup's window thread.
// It watches the copy box's status line and, when the line shows the "Copying" text for
// the KV_CANCEL_AT-th time, clicks the box's Cancel from inside that very WM_SETTEXT, so
// the Cancel lands while that file is being placed. The text it clicked on is written to
// the file KV_CANCEL_NOTE names, for the test to check. With KV_PAUSE_AT instead, it holds the
// copy at that text until the test lets it go (the events "KvCopyBoxPaused" and
// "KvCopyBoxResume"), so that a screenshot shows the box in the middle of its copying.
// Loaded into the test program as well (to install the hook), where no variable is set and
// it does nothing.
#include <windows.h>
#include <stdlib.h>
#include <string.h>
#include "resource.h"

static const char kCopying[] = "Copying ";
static int g_copyingSeen;

// The number of the copying text a variable names; 0 for none.
static int Position(const char* variable)
{
    char value[16] = "";
    DWORD length = GetEnvironmentVariableA(variable, value, sizeof value);
    return length > 0 && length < sizeof value ? atoi(value) : 0;
}

// Says the copy is held, and waits until the test lets it go (a minute at most). Messages
// other threads send meanwhile (a repaint the test asks for) are answered, so that the
// waiting blocks no one.
static void HoldCopy(void)
{
    HANDLE paused = OpenEventA(EVENT_MODIFY_STATE, FALSE, "KvCopyBoxPaused");
    HANDLE resume = OpenEventA(SYNCHRONIZE, FALSE, "KvCopyBoxResume");
    if (paused && resume) {
        SetEvent(paused);
        DWORD start = GetTickCount();
        while (GetTickCount() - start < 60000
               && MsgWaitForMultipleObjects(1, &resume, FALSE, 1000, QS_SENDMESSAGE) != WAIT_OBJECT_0) {
            MSG msg;
            PeekMessageA(&msg, NULL, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
        }
    }
    if (paused)
        CloseHandle(paused);
    if (resume)
        CloseHandle(resume);
}

static void WriteNote(const char* text)
{
    char path[MAX_PATH] = "";
    DWORD length = GetEnvironmentVariableA("KV_CANCEL_NOTE", path, sizeof path);
    if (length == 0 || length >= sizeof path)
        return;
    HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return;
    DWORD written = 0;
    WriteFile(file, text, (DWORD)strlen(text), &written, NULL);
    CloseHandle(file);
}

extern "C" __declspec(dllexport) LRESULT CALLBACK CancelHookProc(int code, WPARAM wParam, LPARAM lParam)
{
    const CWPSTRUCT* sent = (const CWPSTRUCT*)lParam;
    if (code == HC_ACTION && sent->message == WM_SETTEXT && sent->lParam
        && GetDlgCtrlID(sent->hwnd) == IDC_COPY_STATUS) {
        const char* text = (const char*)sent->lParam;
        if (strncmp(text, kCopying, sizeof kCopying - 1) != 0)
            return CallNextHookEx(NULL, code, wParam, lParam);
        ++g_copyingSeen;
        if (g_copyingSeen == Position("KV_PAUSE_AT"))
            HoldCopy();
        if (g_copyingSeen == Position("KV_CANCEL_AT")) {
            WriteNote(text);
            HWND cancel = GetDlgItem(GetParent(sent->hwnd), IDCANCEL);
            if (cancel)
                SendMessageA(cancel, BM_CLICK, 0, 0);
        }
    }
    return CallNextHookEx(NULL, code, wParam, lParam);
}
