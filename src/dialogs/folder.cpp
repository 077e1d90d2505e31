// The destination-folder page and its folder chooser. The page returns the folder as typed
// or chosen; the driver checks it. The chooser is the Open common dialog in its older form
// with a template of our own that shows only the folders and the drives: the folder in which
// the user presses OK is the answer, with "\KORVID" added unless it already names the product.
#include "dialogs/dialogs.h"
#include "resources/resource.h"
#include <commdlg.h>
#include <stddef.h>

// The launcher's shared buffers: the prompt (also the chooser's) and the folder.
static char s_prompt[KV_FOLDER_SIZE];
static char s_folder[KV_FOLDER_SIZE];

#ifndef _WIN64
static_assert(offsetof(OPENFILENAMEA, lpTemplateName) + sizeof(LPCSTR) == 76,
              "the chooser's record has its 76-byte form");
#endif

// The chooser's library, loaded from the system folder when the chooser first opens: a run
// that never opens it (every silent run) does not load it and the shell libraries it brings,
// which under Wine take about 60 ms of every start. returns the Open dialog's entry, or NULL
// when the library cannot be loaded
typedef BOOL(WINAPI* OpenDialogEntry)(LPOPENFILENAMEA);
static OpenDialogEntry LoadOpenDialog(void)
{
    static OpenDialogEntry entry;
    if (entry)
        return entry;
    char systemFolder[KV_PATH_SIZE], path[KV_PATH_SIZE];
    UINT n = GetSystemDirectoryA(systemFolder, ARRAY_SIZE(systemFolder));
    if (n == 0 || n >= ARRAY_SIZE(systemFolder) || !JoinPath(path, sizeof path, systemFolder, "comdlg32.dll"))
        return NULL;
    HMODULE library = LoadLibraryA(path);
    if (library)
        entry = (OpenDialogEntry)(void*)GetProcAddress(library, "GetOpenFileNameA");
    return entry;
}

// returns 1 for Next (the folder in resultFolder), 0 for Cancel
int RunFolderDialog(HWND ownerWindow, HINSTANCE module, const char* prompt, const char* initialFolder,
                    char* resultFolder)
{
    StrCopy(s_prompt, sizeof s_prompt, prompt);
    StrCopy(s_folder, sizeof s_folder, initialFolder);
    int result = (int)RunModalPage(module, DLG_GETDIR, ownerWindow, FolderDialogProc);
    if (result != 0)
        StrCopy(resultFolder, KV_FOLDER_SIZE, s_folder);
    return result;
}

// True when text holds word in any mix of upper- and lower-case letters.
static bool ContainsWordAnyCase(const char* text, const char* word)
{
    size_t length = StrLength(word);
    for (; *text; text++)
        if (StrCompareNoCaseN(text, word, length) == 0)
            return true;
    return false;
}

bool BrowseResultFolder(char* path, size_t size)
{
    char* last = StrFindLastChar(path, '\\');
    if (last)
        *last = '\0';
    if (ContainsWordAnyCase(path, "KORVID"))
        return true;
    return StrAppend(path, size, "\\KORVID");
}

// returns 0 for every message: the common dialog does all its own work
UINT_PTR CALLBACK BrowseHookProc(HWND dialog, UINT message, WPARAM, LPARAM)
{
    if (message == WM_INITDIALOG)
        SetDlgItemTextA(dialog, IDC_BROWSE_PROMPT, s_prompt);
    return 0;
}

// returns non-zero with the chosen folder in resultFolder, 0 when the user cancelled, the
// chooser failed or the folder would not fit
int BrowseForFolder(HWND ownerWindow, const char* initialFolder, char* resultFolder)
{
    char name[KV_TEXT_SIZE], filter[KV_TEXT_SIZE], title[KV_TEXT_SIZE];
    // The chooser shows this name in its hidden file-name field and answers it joined to the
    // folder in which OK was pressed.
    StrCopy(resultFolder, KV_PATH_SIZE, "a");
    LoadMessage(IDS_ALL_FILES, name, ARRAY_SIZE(name));
    if (!StrFormat(filter, sizeof filter, "%s (*.*)|*.*|", name))
        return 0;
    for (char* p = filter; *p; p++)
        if (*p == '|')
            *p = '\0';
    LoadMessage(IDS_LOCATE, title, ARRAY_SIZE(title));

    OPENFILENAMEA chooser;
    memset(&chooser, 0, sizeof chooser);
    chooser.lStructSize = OPENFILENAME_SIZE_VERSION_400A;
    chooser.hwndOwner = ownerWindow;
    chooser.hInstance = g_hInstance;
    chooser.lpstrFilter = filter;
    chooser.nFilterIndex = 1;
    chooser.lpstrFile = resultFolder;
    chooser.nMaxFile = KV_PATH_SIZE - 1;
    chooser.lpstrInitialDir = initialFolder;
    chooser.lpstrTitle = title;
    chooser.Flags = OFN_HIDEREADONLY | OFN_ENABLEHOOK | OFN_ENABLETEMPLATE;
    chooser.lCustData = 0;
    chooser.lpfnHook = BrowseHookProc;
    chooser.lpTemplateName = DLG_BROWSE;
    OpenDialogEntry openDialog = LoadOpenDialog();
    BOOL chosen = openDialog && openDialog(&chooser);
    if (!chosen || !BrowseResultFolder(resultFolder, KV_PATH_SIZE))
        return 0;
    return chosen;
}

// Browse: the chooser starts from the folder typed so far; its answer replaces the text.
static void BrowseFromPage(HWND dialog)
{
    char chosen[KV_PATH_SIZE];
    s_folder[0] = '\0';
    GetDlgItemTextA(dialog, IDC_FOLDER_EDIT, s_folder, ARRAY_SIZE(s_folder));
    if (BrowseForFolder(dialog, s_folder, chosen))
        SetDlgItemTextA(dialog, IDC_FOLDER_EDIT, chosen);
}

// returns TRUE for the messages it handles, FALSE for Browse and all others
INT_PTR CALLBACK FolderDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        CenterWindow(dialog, 0);
        SetDlgItemTextA(dialog, IDC_FOLDER_PROMPT, s_prompt);
        // The field holds no more than the folder buffer, so a folder is never cut.
        SendDlgItemMessageA(dialog, IDC_FOLDER_EDIT, EM_LIMITTEXT, KV_FOLDER_SIZE - 1, 0);
        SetDlgItemTextA(dialog, IDC_FOLDER_EDIT, s_folder);
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK:
            GetDlgItemTextA(dialog, IDC_FOLDER_EDIT, s_folder, ARRAY_SIZE(s_folder));
            EndDialog(dialog, 1);
            return TRUE;
        case IDCANCEL:
            EndDialog(dialog, 0);
            return TRUE;
        case IDC_FOLDER_BROWSE:
            BrowseFromPage(dialog);
            return FALSE;
        }
        break;
    }
    return FALSE;
}
