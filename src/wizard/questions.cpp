// The install's questions put to the user: the group prompt, the icon-placement page, the
// sites question and the Retry/Cancel box of a required file that could not be placed.
#include "wizard/wizard.h"
#include "engine/engine.h"
#include "dialogs/dialogs.h"
#include "resources/resource.h"

// returns 1 for OK (the edited name in group), 0 for Cancel
static int AskGroupName(HWND owner, char* group)
{
    return RunGroupDialog(owner, g_hInstance, group);
}

// The page has no owner; it reads and sets g_iconLocation itself.
static void AskIconPlacement(void)
{
    DialogBoxParamA(g_hInstance, MAKEINTRESOURCEA(IDD_ICON_PLACEMENT), NULL, IconPlacementDialogProc, 0);
}

// returns 1 for Yes
static int AskInstallSites(HWND owner)
{
    char text[KV_MESSAGE_SIZE], caption[KV_TEXT_SIZE];
    LoadMessage(IDS_MORE_SITES, text, ARRAY_SIZE(text));
    LoadMessage(IDS_KORVID_SITES, caption, ARRAY_SIZE(caption));
    return MessageBoxA(owner, text, caption, MB_ICONQUESTION | MB_YESNO) == IDYES;
}

// returns 1 for Retry
static int AskRetry(HWND owner, const char* text, const char* caption)
{
    return MessageBoxA(owner, text, caption, MB_ICONERROR | MB_RETRYCANCEL) == IDRETRY;
}

const InstallQuestions kPageQuestions = { AskGroupName, AskIconPlacement, AskInstallSites, AskRetry };
