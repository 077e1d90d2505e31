// The window helpers the pages and the long operations share: centring a window on the
// desktop, handling the waiting messages between files, and naming the temporary folder.
#include "base/base.h"

// returns the top-left corner, moved down by offset, with a negative coordinate raised to 0
POINT CenteredPosition(int desktopWidth, int desktopHeight, int width, int height, int offset)
{
    POINT pos;
    pos.x = desktopWidth / 2 - width / 2;
    pos.y = desktopHeight / 2 - height / 2;
    if (offset != 0)
        pos.y += offset;
    if (pos.x < 0)
        pos.x = 0;
    if (pos.y < 0)
        pos.y = 0;
    return pos;
}

// returns 1
int CenterWindow(HWND window, int offset)
{
    RECT desktop;
    RECT rect;
    GetWindowRect(GetDesktopWindow(), &desktop);
    GetWindowRect(window, &rect);
    int width = rect.right - rect.left;
    int height = rect.bottom - rect.top;
    POINT pos =
        CenteredPosition(desktop.right - desktop.left, desktop.bottom - desktop.top, width, height, offset);
    MoveWindow(window, pos.x, pos.y, width, height, FALSE);
    return 1;
}

// returns 1 once no message is waiting
int PumpMessages(void)
{
    MSG msg;
    while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) {
        if (g_hModelessDialog && IsDialogMessageA(g_hModelessDialog, &msg))
            continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return 1;
}

// returns 1 with the temporary folder (at most 255 characters) in folder, without its
// trailing '\' or '/' unless it is a drive root; 0 with folder empty when the system names
// none that fits
int GetTempFolder(char* folder)
{
    DWORD length = GetTempPathA(KV_TEXT_SIZE, folder);
    if (length == 0 || length >= KV_TEXT_SIZE) {
        folder[0] = '\0';
        return 0;
    }
    DropFolderSeparator(folder);
    return 1;
}
