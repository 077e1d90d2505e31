// The restart page at the end of an install that needs the machine restarted. "Restart
// Later" is the default button and has the focus, so Enter or Esc never restarts.
#include "dialogs/dialogs.h"

// returns FALSE for every message but the start, where it sets the focus itself
INT_PTR CALLBACK RestartDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        CenterWindow(dialog, 0);
        SendMessageA(dialog, DM_SETDEFID, IDCANCEL, 0);
        SetFocus(GetDlgItem(dialog, IDCANCEL));
        // FALSE: the focus set here stands.
        return FALSE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK:
            EndDialog(dialog, 1);
            break;
        case IDCANCEL:
            EndDialog(dialog, 0);
            break;
        }
        break;
    }
    return FALSE;
}
