// The welcome page: install or update, or uninstall when win.ini records an earlier
// installation; its "View Release Notes" places the notes in the temporary folder and opens
// them in Notepad while the page stays up.
#include "dialogs/dialogs.h"
#include "resources/resource.h"

static const char kReleaseNotes[] = "KvNews.txt";

// The launcher's placer, for the page's "View Release Notes".
static ReleaseNotesPlacer s_placeNotes;

// returns 0 Cancel, 1 install or update, 2 uninstall
int RunWelcomeDialog(HWND ownerWindow, HINSTANCE module, ReleaseNotesPlacer placeNotes)
{
    s_placeNotes = placeNotes;
    return (int)RunModalPage(module, DLG_INSTALL, ownerWindow, WelcomeDialogProc);
}

// returns false when the path cannot stand inside quotes or the command does not fit
bool FormatNotepadCommand(char* command, size_t size, const char* folder, const char* fileName)
{
    char path[KV_PATH_SIZE];
    if (!JoinPath(path, sizeof path, folder, fileName) || !IsQuotableText(path))
        return false;
    return StrFormat(command, size, "notepad \"%s\"", path);
}

void ViewReleaseNotes(HWND owner, ReleaseNotesPlacer placeNotes)
{
    char folder[KV_TEXT_SIZE], command[KV_FORMAT_SIZE];
    if (!placeNotes || !GetTempFolder(folder))
        return;
    // The placement's Retry/Cancel question is owned by the page, so the page cannot be
    // pressed again while it is asked.
    if (placeNotes(owner, folder, kReleaseNotes) != 0)
        return;
    if (FormatNotepadCommand(command, sizeof command, folder, kReleaseNotes))
        WinExec(command, SW_SHOW);
}

// The page's start: the choices' texts, install preselected, uninstall offered only when an
// earlier installation is recorded.
static void InitWelcome(HWND dialog)
{
    char text[KV_TEXT_SIZE], folder[KV_TEXT_SIZE];
    CenterWindow(dialog, 0);
    LoadMessage(IDS_WELCOME_INSTALL, text, ARRAY_SIZE(text));
    SetDlgItemTextA(dialog, IDC_WELCOME_INSTALL, text);
    LoadMessage(IDS_WELCOME_UNINSTALL, text, ARRAY_SIZE(text));
    SetDlgItemTextA(dialog, IDC_WELCOME_UNINSTALL, text);
    CheckRadioButton(dialog, IDC_WELCOME_INSTALL, IDC_WELCOME_UNINSTALL, IDC_WELCOME_INSTALL);

    int installed = 0;
    if (GetProfileStringA("KORVID", "DEFDIR", "", folder, ARRAY_SIZE(folder)) > 0)
        installed = GetProfileIntA("KORVID", "INSTOPTS", 0) != 0;
    EnableWindow(GetDlgItem(dialog, IDC_WELCOME_UNINSTALL), installed);
}

// returns TRUE for the messages it handles
INT_PTR CALLBACK WelcomeDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        InitWelcome(dialog);
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK: {
            int choice = 0;
            if (IsDlgButtonChecked(dialog, IDC_WELCOME_INSTALL) == BST_CHECKED)
                choice = 1;
            else if (IsDlgButtonChecked(dialog, IDC_WELCOME_UNINSTALL) == BST_CHECKED)
                choice = 2;
            EndDialog(dialog, choice);
            return TRUE;
        }
        case IDCANCEL:
            EndDialog(dialog, 0);
            return TRUE;
        case IDC_WELCOME_RELEASE_NOTES:
            ViewReleaseNotes(dialog, s_placeNotes);
            return FALSE;
        }
        break;
    }
    return FALSE;
}
