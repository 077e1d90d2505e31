// The modeless copy-progress box: the install and the removal write their status into its
// text line; its Cancel asks the install to stop between files.
#include "dialogs/dialogs.h"

// returns TRUE for the start and for Cancel, FALSE for all others
INT_PTR CALLBACK CopyDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        CenterWindow(dialog, 0);
        return TRUE;
    case WM_COMMAND:
        // The Cancel button, the close box and Esc: the box stays until the work ends.
        if (LOWORD(wParam) == IDCANCEL) {
            g_bCancelRequested = 1;
            return TRUE;
        }
        break;
    }
    return FALSE;
}
