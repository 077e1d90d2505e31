// The Program Manager group prompt: proposes a name, lists the existing groups (all but
// Startup), and takes only a name that can stand inside a Program Manager command.
#include "dialogs/dialogs.h"
#include "progman/progman.h"
#include "resources/resource.h"

// The launcher's shared buffer: the proposed name, then the answer.
static char s_group[KV_TEXT_SIZE];

// returns 1 for OK (the name in groupName when one was given), 0 for Cancel
int RunGroupDialog(HWND ownerWindow, HINSTANCE module, char* groupName)
{
    StrCopy(s_group, sizeof s_group, groupName ? groupName : "");
    int result = (int)RunModalPage(module, DLG_GETGROUP, ownerWindow, GroupDialogProc);
    if (result != 0 && groupName)
        StrCopy(groupName, KV_TEXT_SIZE, s_group);
    return result;
}

static void InitGroup(HWND dialog)
{
    HWND combo = GetDlgItem(dialog, IDC_GROUP_COMBO);
    CenterWindow(dialog, 0);
    ProgmanListGroups(combo);
    // The field holds no more than the name buffer, so a name is never cut.
    SendMessageA(combo, CB_LIMITTEXT, KV_TEXT_SIZE - 1, 0);
    SetWindowTextA(combo, s_group);
}

// OK: a name the Program Manager commands cannot carry is refused, and the page asks again.
static void FinishGroup(HWND dialog)
{
    char name[KV_TEXT_SIZE];
    GetDlgItemTextA(dialog, IDC_GROUP_COMBO, name, ARRAY_SIZE(name));
    if (!IsSafeProgmanText(name)) {
        char text[KV_TEXT_SIZE];
        LoadMessage(IDS_GROUP_NAME_REFUSED, text, ARRAY_SIZE(text));
        ShowPageError(dialog, text);
        SetFocus(GetDlgItem(dialog, IDC_GROUP_COMBO));
        return;
    }
    StrCopy(s_group, sizeof s_group, name);
    EndDialog(dialog, 1);
}

// returns TRUE for the messages it handles
INT_PTR CALLBACK GroupDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        InitGroup(dialog);
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK:
            FinishGroup(dialog);
            return TRUE;
        case IDCANCEL:
            EndDialog(dialog, 0);
            return TRUE;
        }
        break;
    }
    return FALSE;
}
