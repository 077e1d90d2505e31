// The wizard's page launchers and dialog procedures. The pages' templates are not in the
// program yet: until they are, every launcher ends its page the way Cancel does, so an
// interactive run stops at the welcome page without showing anything it cannot finish.
#include "dialogs/dialogs.h"

// returns 0 (Cancel)
int RunWelcomeDialog(HWND, HINSTANCE)
{
    return 0;
}

// returns 0 (Cancel)
int RunFolderDialog(HWND, HINSTANCE, const char*, const char*, char*)
{
    return 0;
}

// returns 0 (Cancel)
int RunInterfaceDialog(HWND, HINSTANCE, unsigned int, unsigned int)
{
    return 0;
}

// returns 0 (Cancel)
int RunGroupDialog(HWND, HINSTANCE, char*)
{
    return 0;
}

INT_PTR CALLBACK CopyDialogProc(HWND, UINT, WPARAM, LPARAM)
{
    return FALSE;
}

INT_PTR CALLBACK RestartDialogProc(HWND, UINT, WPARAM, LPARAM)
{
    return FALSE;
}

INT_PTR CALLBACK IconPlacementDialogProc(HWND, UINT, WPARAM, LPARAM)
{
    return FALSE;
}

int g_bCancelRequested;
