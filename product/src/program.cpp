// KORVID Pro's windowed programs (kv95pro.exe, kvscrpt.exe, kvfind.exe, kvsync.exe,
// kvqueue.exe, kvurl.exe, kvlink.exe): one small window with the program's name and its
// maker, open until the user closes it. Each program's title, window class and line of
// text come from its own string table (program.rc.in).
#include <windows.h>

enum { IDS_TITLE = 1, IDS_CLASS = 2, IDS_TAGLINE = 3, IDI_PROGRAM = 1 };

static char s_tagline[256];

// Paints the tagline centred in the window.
static void PaintWindow(HWND window)
{
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(window, &ps);
    RECT rc;
    GetClientRect(window, &rc);
    SetBkMode(dc, TRANSPARENT);
    DrawTextA(dc, s_tagline, -1, &rc, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    EndPaint(window, &ps);
}

// returns the message's result; closing the window ends the program
static LRESULT CALLBACK ProgramWndProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_PAINT:
        PaintWindow(window);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, msg, wParam, lParam);
}

// returns 0 after the window was closed, 1 when it could not be made
int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR cmdLine, int show)
{
    (void)previous;
    (void)cmdLine;
    char title[128], className[32];
    if (!LoadStringA(instance, IDS_TITLE, title, sizeof(title))
        || !LoadStringA(instance, IDS_CLASS, className, sizeof(className))
        || !LoadStringA(instance, IDS_TAGLINE, s_tagline, sizeof(s_tagline)))
        return 1;

    WNDCLASSA wc = {};
    wc.lpfnWndProc = ProgramWndProc;
    wc.hInstance = instance;
    wc.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_PROGRAM));
    wc.hCursor = LoadCursorA(NULL, (LPCSTR)IDC_ARROW);
    wc.hbrBackground = (HBRUSH)(COLOR_WINDOW + 1);
    wc.lpszClassName = className;
    if (!RegisterClassA(&wc))
        return 1;
    HWND window = CreateWindowA(className, title, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, 400, 200,
                                NULL, NULL, instance, NULL);
    if (!window)
        return 1;
    ShowWindow(window, show);
    UpdateWindow(window);

    MSG msg;
    while (GetMessageA(&msg, NULL, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return 0;
}
