// The removal driver: finds the installation that win.ini records, checks its folder, runs
// the removal sequence behind the progress box, removes the folder, forgets the installation
// and reports the outcome, or stores the folder's removal for the next start and offers the
// restart when files were in use.
#include "removal/removal.h"
#include "engine/engine.h"
#include "dialogs/dialogs.h"
#include "resources/resource.h"

// Everything the product has, whatever the install recorded.
static const unsigned int kRemoveAll = MASK_CLASSIC | MASK_EXPLORER | MASK_UTILITIES | MASK_BROWSER;

// Shows a message, or logs it in a silent run.
static void Report(HWND owner, const char* text, const char* caption, UINT style)
{
    if (g_bSilent)
        LogLine(text);
    else
        MessageBoxA(owner, text, caption, style);
}

// returns false when nothing is recorded or the recorded folder may not be touched
bool FindRecordedFolder(const char* expectedFolder, char* fullPath, size_t size)
{
    char recorded[KV_FOLDER_SIZE];
    GetProfileStringA("KORVID", "DIR", "", recorded, ARRAY_SIZE(recorded));
    if (recorded[0] == '\0' || GetProfileIntA("KORVID", "INSTOPTS", 0) == 0)
        return false;
    // The removal deletes by pattern in this folder: it must be a folder of its own, though
    // an earlier installation may have put it inside the Windows folder.
    char workFolder[KV_PATH_SIZE];
    if (!GetTempFolder(workFolder))
        workFolder[0] = '\0';
    int reason = CheckRecordedFolder(recorded, workFolder, fullPath, size);
    if (reason != DEST_ACCEPTED) {
        char line[KV_FORMAT_SIZE];
        if (StrFormat(line, sizeof line, "Not removing \"%s\": %s", recorded, DestinationRefusalText(reason)))
            LogLine(line);
        return false;
    }
    if (!expectedFolder)
        return true;
    char expected[KV_PATH_SIZE];
    return CheckRecordedFolder(expectedFolder, workFolder, expected, sizeof expected) == DEST_ACCEPTED
        && StrCompareNoCase(expected, fullPath) == 0;
}

// The modeless progress box with its Cancel hidden, or null when it cannot be made.
static HWND OpenProgressBox(HWND owner)
{
    if (g_bSilent)
        return NULL;
    HWND box = CreateDialogParamA(g_hInstance, DLG_COPY, owner, CopyDialogProc, 0);
    if (!box)
        return NULL;
    char title[KV_TEXT_SIZE];
    if (!LoadMessage(IDS_REMOVAL_PROCESS, title, ARRAY_SIZE(title)))
        StrCopy(title, sizeof title, "Removal process");
    SetWindowTextA(box, title);
    HWND cancel = GetDlgItem(box, IDCANCEL);
    if (cancel) {
        EnableWindow(cancel, FALSE);
        ShowWindow(cancel, SW_HIDE);
    }
    return box;
}

// Stores the folder's removal for the next start and offers the restart; a declined
// restart leaves the stored commands for whatever start comes next.
static void OfferRestart(HWND owner, const char* folder)
{
    char command[KV_LINE_SIZE];
    if (BuildRestartCommand(command, sizeof command, "rmdir", folder)
        && StrAppend(command, sizeof command, " "))
        ScheduleAtRestart(command);
    if (g_bSilent)
        return;
    char text[KV_TEXT_SIZE * 2], caption[KV_TEXT_SIZE];
    LoadMessage(IDS_CONGRATULATIONS, caption, ARRAY_SIZE(caption));
    if (g_bNoRestart) {
        // Started with /NORESTART: told to restart, never offered it.
        LoadMessage(IDS_UNINSTALL_RESTART_LEFT, text, ARRAY_SIZE(text));
        MessageBoxA(owner, text, caption, MB_OK | MB_ICONINFORMATION);
        g_bRestartNeeded = 0;
        return;
    }
    LoadMessage(IDS_UNINSTALL_RESTART, text, ARRAY_SIZE(text));
    if (MessageBoxA(owner, text, caption, MB_OKCANCEL | MB_SYSTEMMODAL) == IDCANCEL)
        g_bRestartNeeded = 0;
}

// returns true when folder holds nothing but name
bool FolderHoldsOnly(const char* folder, const char* name)
{
    char pattern[KV_PATH_SIZE];
    WIN32_FIND_DATAA found;
    if (!JoinPath(pattern, sizeof pattern, folder, "*.*"))
        return false;
    HANDLE find = FindFirstFileA(pattern, &found);
    if (find == INVALID_HANDLE_VALUE)
        return false;
    bool only = true;
    do {
        const char* entry = found.cFileName;
        if (StrCompare(entry, ".") != 0 && StrCompare(entry, "..") != 0 && StrCompareNoCase(entry, name) != 0)
            only = false;
    } while (only && FindNextFileA(find, &found));
    FindClose(find);
    return only;
}

// returns a REMOVAL_ value
int RemoveProductAt(HWND ownerWindow, const char* expectedFolder, const char* sparedName)
{
    // The caption of the closing message, and the sequence's error text.
    char caption[KV_TEXT_SIZE];
    char text[KV_FORMAT_SIZE];
    LoadMessage(IDS_REMOVE, caption, ARRAY_SIZE(caption));
    char folder[KV_PATH_SIZE];
    if (!FindRecordedFolder(expectedFolder, folder, sizeof folder)) {
        LoadMessage(IDS_REMOVAL_NO_INFO, text, ARRAY_SIZE(text));
        Report(ownerWindow, text, caption, MB_ICONINFORMATION);
        return REMOVAL_REFUSED;
    }

    HWND box = OpenProgressBox(ownerWindow);
    HWND status = box ? GetDlgItem(box, IDC_COPY_STATUS) : NULL;
    g_bRestartNeeded = 0;
    g_szKeptFile[0] = '\0';
    StrCopy(g_szSparedName, sizeof g_szSparedName, sparedName ? sparedName : "");
    bool removed = RunRemovalSequence(folder, kRemoveAll, caption, ownerWindow, status)
        && (RemoveDirectoryA(folder) || (g_szSparedName[0] && FolderHoldsOnly(folder, g_szSparedName)));
    g_szSparedName[0] = '\0';
    SetActiveWindow(ownerWindow);
    if (box)
        DestroyWindow(box);
    WriteProfileStringA("KORVID", NULL, NULL);

    int outcome = REMOVAL_DONE;
    if (removed) {
        LoadMessage(IDS_REMOVAL_COMPLETE, text, ARRAY_SIZE(text));
    } else if (g_bRestartNeeded && !g_szKeptFile[0]) {
        OfferRestart(ownerWindow, folder);
        return REMOVAL_RESTART_NEEDED;
    } else {
        // A product file that nothing will delete keeps the folder whatever a restart does:
        // no restart is offered or made, and the deletions stored so far wait for whatever
        // start comes next.
        if (g_szKeptFile[0]) {
            outcome = REMOVAL_INCOMPLETE;
            g_bRestartNeeded = 0;
            if (StrFormat(text, sizeof text,
                          "Not removed: %s (it could be neither deleted nor stored for the next start)",
                          g_szKeptFile))
                LogLine(text);
        }
        char format[KV_TEXT_SIZE];
        LoadMessage(IDS_REMOVAL_INCOMPLETE, format, ARRAY_SIZE(format));
        // The folder fits the text: at most 260 characters in a buffer of KV_FORMAT_SIZE.
        InsertText(text, sizeof text, format, folder);
    }
    Report(ownerWindow, text, caption, MB_ICONINFORMATION);
    return outcome;
}

// returns 0
int RemoveProduct(HWND ownerWindow)
{
    RemoveProductAt(ownerWindow, NULL, NULL);
    return 0;
}
