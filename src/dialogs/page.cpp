// What the pages share: running a template modally with a failure counted as Cancel, and
// the error box a page shows over itself.
#include "dialogs/dialogs.h"

static const char kCaption[] = "KORVID Pro Installation";

// returns the page's end value; 0 when the dialog manager could not show it (-1), so a
// page that never appeared can only mean Cancel
INT_PTR RunModalPage(HINSTANCE module, const char* templateName, HWND ownerWindow, DLGPROC procedure)
{
    INT_PTR result = DialogBoxParamA(module, templateName, ownerWindow, procedure, 0);
    return result == -1 ? 0 : result;
}

void ShowPageError(HWND owner, const char* text)
{
    MessageBoxA(owner, text, kCaption, MB_ICONERROR);
}
