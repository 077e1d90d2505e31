// The interface page (which parts of the product to install), its help box, and the
// icon-placement page that the install asks when it registers the Explorer interface.
#include "dialogs/dialogs.h"
#include "resources/resource.h"

// The page's masks, kept from the launcher until the page ends: the preselected boxes and
// the boxes the user may change.
static unsigned int s_selection;
static unsigned int s_offered;

// One check box per choice bit, in the bits' order.
static const struct {
    int id;
    unsigned int bit;
} kBoxes[] = {
    { IDC_IFACE_CLASSIC, CHOICE_CLASSIC },     { IDC_IFACE_EXPLORER, CHOICE_EXPLORER },
    { IDC_IFACE_UTILITIES, CHOICE_UTILITIES }, { IDC_IFACE_BROWSER, CHOICE_BROWSER },
    { IDC_IFACE_QUEUE, CHOICE_QUEUE },
};

// returns the chosen selection mask (never 0), 0 for Cancel
int RunInterfaceDialog(HWND ownerWindow, HINSTANCE module, unsigned int preselected, unsigned int offered)
{
    s_selection = preselected;
    s_offered = offered;
    // Without the classic interface preselected the page is not shown: the preselection
    // stands, as in a silent run.
    if (!(preselected & CHOICE_CLASSIC))
        return (int)preselected;
    int selection = (int)RunModalPage(module, DLG_VERS_32, ownerWindow, InterfaceDialogProc);
    // A page that could not be shown counts as Cancel: nothing was chosen, not even the
    // utilities that the options preselected.
    if (selection == 0)
        gbInstallBonusPack = 0;
    return selection;
}

unsigned int InterfaceSelection(unsigned int checkedBoxes, int* installUtilities)
{
    unsigned int mask = checkedBoxes & (CHOICE_CLASSIC | CHOICE_EXPLORER);
    *installUtilities = (checkedBoxes & CHOICE_UTILITIES) ? 1 : 0;
    if (*installUtilities)
        mask |= checkedBoxes & (CHOICE_UTILITIES | CHOICE_BROWSER | CHOICE_QUEUE);
    return mask;
}

static void InitInterface(HWND dialog)
{
    CenterWindow(dialog, 0);
    CheckDlgButton(dialog, IDC_IFACE_CLASSIC, (s_selection & CHOICE_CLASSIC) ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(dialog, IDC_IFACE_EXPLORER, (s_selection & CHOICE_EXPLORER) ? BST_CHECKED : BST_UNCHECKED);
    // The utilities and their two companions: offered or not; checked only when offered.
    for (int i = 2; i < (int)ARRAY_SIZE(kBoxes); i++) {
        EnableWindow(GetDlgItem(dialog, kBoxes[i].id), (s_offered & kBoxes[i].bit) != 0);
        if ((s_offered & kBoxes[i].bit) && (s_selection & kBoxes[i].bit))
            CheckDlgButton(dialog, kBoxes[i].id, BST_CHECKED);
    }
    EnableWindow(GetDlgItem(dialog, IDC_IFACE_CLASSIC), (s_offered & CHOICE_CLASSIC) != 0);
    EnableWindow(GetDlgItem(dialog, IDC_IFACE_EXPLORER), (s_offered & CHOICE_EXPLORER) != 0);
}

// Next: the boxes as they stand, enabled or not; nothing chosen keeps the page open.
static void FinishInterface(HWND dialog)
{
    unsigned int checked = 0;
    for (const auto& box : kBoxes)
        if (IsDlgButtonChecked(dialog, box.id) == BST_CHECKED)
            checked |= box.bit;
    s_selection = InterfaceSelection(checked, &gbInstallBonusPack);
    if (s_selection != 0) {
        EndDialog(dialog, (INT_PTR)s_selection);
        return;
    }
    char text[KV_TEXT_SIZE];
    if (LoadStringA(g_hInstance, IDS_NOTHING_SELECTED, text, ARRAY_SIZE(text)) <= 0)
        StrCopy(text, sizeof text, "Nothing Selected!");
    MessageBoxA(dialog, text, NULL, MB_ICONERROR | MB_OK);
}

// returns TRUE for the messages it handles
INT_PTR CALLBACK InterfaceDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        InitInterface(dialog);
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_IFACE_UTILITIES:
            // Browser integration goes with the utilities; the queue keeps its state.
            EnableWindow(GetDlgItem(dialog, IDC_IFACE_BROWSER),
                         IsDlgButtonChecked(dialog, IDC_IFACE_UTILITIES) == BST_CHECKED);
            return FALSE;
        case IDOK:
            FinishInterface(dialog);
            return TRUE;
        case IDCANCEL:
            s_selection = 0;
            gbInstallBonusPack = 0;
            EndDialog(dialog, 0);
            return TRUE;
        case IDC_IFACE_HELP:
            ShowInterfaceHelp(dialog);
            return TRUE;
        }
        break;
    }
    return FALSE;
}

void ShowInterfaceHelp(HWND ownerWindow)
{
    RunModalPage(g_hInstance, DLG_32_HELP, ownerWindow, InterfaceHelpProc);
}

// returns TRUE for a command (any of them closes the box), else FALSE; the box stays at its
// template position over its owner
INT_PTR CALLBACK InterfaceHelpProc(HWND dialog, UINT message, WPARAM, LPARAM)
{
    if (message != WM_COMMAND)
        return FALSE;
    EndDialog(dialog, 1);
    return TRUE;
}

// returns FALSE for every message: the dialog manager keeps its own first focus
INT_PTR CALLBACK IconPlacementDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        CheckRadioButton(dialog, IDC_ICON_DESKTOP, IDC_ICON_MY_COMPUTER,
                         g_iconLocation ? IDC_ICON_MY_COMPUTER : IDC_ICON_DESKTOP);
        CenterWindow(dialog, 0);
        break;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK:
            g_iconLocation = IsDlgButtonChecked(dialog, IDC_ICON_MY_COMPUTER) == BST_CHECKED ? 1 : 0;
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
