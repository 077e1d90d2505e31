// The wizard as a user meets it: kvsetup.exe run interactively under Wine, each page found
// by its caption, read and pressed by the page driver. The scenarios check what the pages
// show and what the run leaves. With KV_SCREENSHOTS naming a folder, each page is also
// captured there (scripts/screenshots.sh).
#include <gtest/gtest.h>
#include <algorithm>
#include <set>
#include "support/harness.h"
#include "resources/resource.h"
#include "support/files.h"
#include "support/machine.h"
#include "support/hook.h"
#include "support/pages.h"
#include "support/product_state.h"
#include <dlgs.h>

using namespace kve2e;
using namespace kvtest;

namespace
{

const char kChooser[] = "Locate";
const char kPrompt[] = "Please enter the destination folder:";
const char kInsideWorkFolder[] = "You cannot install to the folder that contains the installation files.";

// Captures the screen as name.bmp into the folder KV_SCREENSHOTS names (a Windows path),
// when it names one; scripts/screenshots.sh turns the captures into PNGs.
void Screenshot(const char* name)
{
    const char* folder = getenv("KV_SCREENSHOTS");
    if (!folder || !*folder)
        return;
    // The page is shown before all its controls have painted: have every window paint now.
    RedrawWindow(NULL, NULL, NULL, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
    BITMAPINFOHEADER info = {};
    info.biSize = sizeof info;
    info.biWidth = width;
    info.biHeight = height;
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biCompression = BI_RGB;
    DWORD rowBytes = ((DWORD)width * 3 + 3) & ~3u;
    info.biSizeImage = rowBytes * (DWORD)height;
    HDC screen = GetDC(NULL);
    HDC memory = CreateCompatibleDC(screen);
    void* bits = NULL;
    HBITMAP bitmap = CreateDIBSection(screen, (BITMAPINFO*)&info, DIB_RGB_COLORS, &bits, NULL, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, 0, 0, SRCCOPY);
    GdiFlush();
    BITMAPFILEHEADER header = {};
    header.bfType = 0x4D42;
    header.bfOffBits = sizeof header + sizeof info;
    header.bfSize = header.bfOffBits + info.biSizeImage;
    FILE* f = fopen((std::string(folder) + "\\" + name + ".bmp").c_str(), "wb");
    if (f) {
        fwrite(&header, sizeof header, 1, f);
        fwrite(&info, sizeof info, 1, f);
        fwrite(bits, info.biSizeImage, 1, f);
        fclose(f);
    }
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(NULL, screen);
}

// The text of a control once it has become want, or as it is when the wait gives up.
std::string WaitForText(HWND page, int id, const std::string& want)
{
    std::string text;
    kvtest::WaitUntil([&] { return (text = ControlText(page, id)) == want; }, 10000);
    return text;
}

std::string WindowsFolder()
{
    char folder[MAX_PATH] = "";
    GetWindowsDirectoryA(folder, sizeof folder);
    return folder;
}

std::string InteractiveOptions(const std::string& dest, const std::string& group)
{
    return "[INSTALL]\r\nQUIET=FALSE\r\nLOGGING=TRUE\r\nDESKTOP=FALSE\r\n[KORVID]\r\nDIR32=" + dest
        + "\r\nGROUP32=" + group + "\r\n";
}

// A step that expects a message box with the text and presses its OK.
PageStep BoxStep(const char* caption, const std::string& text)
{
    return BoxAnswer(caption, IDOK, [text](const std::string& seen) { EXPECT_EQ(text, seen); });
}

// A step that types the folder and presses one of the folder page's buttons.
PageStep FolderStep(const std::string& folder, int button)
{
    return { kFolderPage, IDC_FOLDER_EDIT, [folder, button](HWND page) {
                SetControlText(page, IDC_FOLDER_EDIT, folder);
                Press(page, button);
            } };
}

// A step that chooses a folder in the chooser: the hidden name field given a path in it.
PageStep ChooserStep(const std::string& folder, const char* shot = NULL)
{
    return { kChooser, IDC_BROWSE_PROMPT, [folder, shot](HWND chooser) {
                EXPECT_EQ(kPrompt, ControlText(chooser, IDC_BROWSE_PROMPT));
                if (shot)
                    Screenshot(shot);
                SetControlText(chooser, edt1, folder + "\\a");
                Press(chooser, IDOK);
            } };
}

// The product files of a folder, each with its bytes (KORVID.ini with the folder replaced).
std::map<std::string, std::string> Contents(const std::string& folder)
{
    std::map<std::string, std::string> files;
    for (const std::string& name : ListTree(folder)) {
        std::string bytes = ReadFile(folder + "\\" + name);
        for (size_t at; (at = bytes.find(folder)) != std::string::npos;)
            bytes.replace(at, folder.size(), "<dest>");
        files[name] = bytes;
    }
    return files;
}

// Keeps the window showing the release notes in *found (an EnumWindows callback).
BOOL CALLBACK KeepNotesWindow(HWND window, LPARAM found)
{
    if (Caption(window).find("KvNews") == std::string::npos)
        return TRUE;
    *(HWND*)found = window;
    return FALSE;
}

class Pages : public CleanMachine
{
protected:
    std::vector<std::string> groups = { "KORVID Driven", "KV Driven Tools" };

    void TearDown() override
    {
        CleanMachine::TearDown();
        for (const std::string& group : groups)
            DeleteTree(GroupFolder(group.c_str()));
    }

    // Runs the program through the steps; every step must have been taken by its end.
    RunResult Drive(Sandbox& box, PageScript& script, std::function<void(HWND)> watch = nullptr,
                    const std::vector<std::string>& environment = {})
    {
        RunOptions options;
        options.timeoutMs = 60000;
        options.environment = environment;
        options.onVisibleWindow = [&](HWND window) {
            if (watch)
                watch(window);
            script.Offer(window);
        };
        RunResult run = box.Run(options);
        EXPECT_TRUE(run.started);
        EXPECT_FALSE(run.timedOut) << "waiting for " << script.Waiting() << "; windows:" << run.WindowsSeen();
        EXPECT_EQ(0u, run.exitCode);
        EXPECT_TRUE(script.Done()) << "waiting for " << script.Waiting();
        return run;
    }
};

} // namespace

// The whole interactive road, every page read and pressed, then the same choices installed
// silently elsewhere: both leave the same product behind.
TEST_F(Pages, InteractiveInstallWalksEveryPageAndMatchesTheSilentInstall)
{
    Sandbox box("pages");
    ASSERT_TRUE(box.PlaceSetup());
    std::string dest = box.Root() + "\\Driven";
    ASSERT_TRUE(box.PlaceInstallIni(InteractiveOptions(dest, "KORVID Driven")));
    std::string chosen = box.Root() + "\\Chosen", named = box.Root() + "\\My Korvid Files";
    CreateDirectoryA(chosen.c_str(), NULL);
    CreateDirectoryA(named.c_str(), NULL);
    // Existing groups: one listed, and Startup in any case, never listed.
    ASSERT_TRUE(CreateDirectoryA(GroupFolder("KV Driven Tools").c_str(), NULL));
    if (!FileExists(GroupFolder("Startup"))) {
        ASSERT_TRUE(CreateDirectoryA(GroupFolder("sTaRtUp").c_str(), NULL));
    }
    // A restart would run this command; pressing Enter on the restart page must not.
    RunOnceCommand restartMarker("kve2e pages restart", "cmd.exe /c exit");

    std::string heldStatus;
    HWND interfacePage = NULL;
    // The tests' hook holds the copy as it starts its second file: the copy box's status line
    // then names the first file as placed, and the pictures of the pages
    // (scripts/screenshots.sh) show the box in the middle of its work.
    kvtest::CopyBoxHook hook(kvtest::WinePath(KV_CANCEL_HOOK_UNIX));
    kvtest::CopyBoxPause pause;
    PageScript script({
        { kCaption, IDC_WELCOME_INSTALL,
          [](HWND page) {
              EXPECT_EQ("&Install or update KORVID Pro", ControlText(page, IDC_WELCOME_INSTALL));
              EXPECT_EQ("&Uninstall KORVID Pro", ControlText(page, IDC_WELCOME_UNINSTALL));
              EXPECT_TRUE(IsChecked(page, IDC_WELCOME_INSTALL));
              EXPECT_FALSE(IsEnabled(page, IDC_WELCOME_UNINSTALL));
              Screenshot("welcome");
              Press(page, IDOK);
          } },
        { kFolderPage, IDC_FOLDER_EDIT,
          [&](HWND page) {
              EXPECT_EQ(kPrompt, ControlText(page, IDC_FOLDER_PROMPT));
              EXPECT_EQ(dest, ControlText(page, IDC_FOLDER_EDIT));
              EXPECT_FALSE(IsShown(page, IDC_BACK));
              EXPECT_FALSE(IsEnabled(page, IDC_BACK));
              Screenshot("folder");
              // The work folder itself is refused...
              SetControlText(page, IDC_FOLDER_EDIT, box.TempFolder());
              Press(page, IDOK);
          } },
        BoxStep(kCaption, kInsideWorkFolder),
        // ...and so is every folder inside it, asked again each time.
        FolderStep(box.TempFolder() + "\\Sub", IDOK),
        BoxStep(kCaption, kInsideWorkFolder),
        // The one destination check refuses the Windows folder too.
        FolderStep(WindowsFolder(), IDOK),
        { kCaption, kBoxText,
          [](HWND box) {
              EXPECT_NE(std::string::npos, ControlText(box, kBoxText).find("the Windows folder"))
                  << ControlText(box, kBoxText);
              Press(box, IDOK);
          } },
        FolderStep(chosen, IDC_FOLDER_BROWSE),
        ChooserStep(chosen, "browse"),
        { kFolderPage, IDC_FOLDER_EDIT,
          [&](HWND page) {
              // The chooser answers in lower case; the product's name is added as written.
              std::string want = kvtest::Lower(chosen) + "\\KORVID";
              EXPECT_EQ(want, WaitForText(page, IDC_FOLDER_EDIT, want));
              SetControlText(page, IDC_FOLDER_EDIT, named);
              Press(page, IDC_FOLDER_BROWSE);
          } },
        ChooserStep(named),
        { kFolderPage, IDC_FOLDER_EDIT,
          [&](HWND page) {
              // A folder that names the product already is taken as it is.
              EXPECT_EQ(kvtest::Lower(named), WaitForText(page, IDC_FOLDER_EDIT, kvtest::Lower(named)));
              SetControlText(page, IDC_FOLDER_EDIT, dest);
              Press(page, IDOK);
          } },
        { kInterfacePage, IDC_IFACE_CLASSIC,
          [&](HWND page) {
              interfacePage = page;
              for (int id : { IDC_IFACE_CLASSIC, IDC_IFACE_EXPLORER, IDC_IFACE_UTILITIES, IDC_IFACE_BROWSER,
                              IDC_IFACE_QUEUE }) {
                  SCOPED_TRACE(id);
                  EXPECT_TRUE(IsChecked(page, id));
                  EXPECT_TRUE(IsEnabled(page, id));
              }
              EXPECT_FALSE(IsShown(page, IDC_BACK));
              Screenshot("interface");
              // The utilities carry the browser integration; the queue keeps its state.
              Click(page, IDC_IFACE_UTILITIES);
              EXPECT_FALSE(IsEnabled(page, IDC_IFACE_BROWSER));
              EXPECT_TRUE(IsEnabled(page, IDC_IFACE_QUEUE));
              Click(page, IDC_IFACE_UTILITIES);
              EXPECT_TRUE(IsEnabled(page, IDC_IFACE_BROWSER));
              Press(page, IDC_IFACE_HELP);
          } },
        { kCaption, IDOK,
          [&](HWND help) {
              // The help box opens over the page's top-left corner.
              RECT rect, pageRect;
              GetWindowRect(help, &rect);
              GetWindowRect(interfacePage, &pageRect);
              EXPECT_LE(pageRect.left, rect.left);
              EXPECT_LE(pageRect.top, rect.top);
              EXPECT_GT(pageRect.left + 40, rect.left);
              EXPECT_GT(pageRect.top + 40, rect.top);
              Screenshot("help");
              Press(help, IDOK);
          } },
        { kInterfacePage, IDC_IFACE_CLASSIC,
          [](HWND page) {
              EXPECT_TRUE(IsChecked(page, IDC_IFACE_QUEUE));
              // Only the companions left checked: nothing the page accepts.
              for (int id : { IDC_IFACE_CLASSIC, IDC_IFACE_EXPLORER, IDC_IFACE_UTILITIES })
                  Click(page, id);
              Press(page, IDOK);
          } },
        BoxStep(kNoCaption, "Nothing Selected!"),
        { kInterfacePage, IDC_IFACE_CLASSIC,
          [](HWND page) {
              for (int id : { IDC_IFACE_CLASSIC, IDC_IFACE_EXPLORER, IDC_IFACE_UTILITIES })
                  Click(page, id);
              Press(page, IDOK);
          } },
        { kCaption, IDC_COPY_STATUS,
          [&](HWND copyBox) {
              EXPECT_TRUE(pause.WaitHeld());
              heldStatus = ControlText(copyBox, IDC_COPY_STATUS);
              Screenshot("copy");
              pause.Resume();
              // Closing the main window while the copy box is up leaves the run going.
              PostMessageA(GetWindow(copyBox, GW_OWNER), WM_CLOSE, 0, 0);
          } },
        { kGroupPage, IDC_GROUP_COMBO,
          [](HWND page) {
              std::vector<std::string> items = ComboItems(page, IDC_GROUP_COMBO);
              std::string list;
              for (const std::string& item : items)
                  list += " \"" + item + "\"";
              EXPECT_TRUE(std::count(items.begin(), items.end(), "KV Driven Tools")) << list;
              for (const std::string& item : items)
                  EXPECT_NE(0, _stricmp(item.c_str(), "Startup"));
              EXPECT_EQ("KORVID Driven", ControlText(page, IDC_GROUP_COMBO));
              Screenshot("group");
              SetControlText(page, IDC_GROUP_COMBO, "Bad \"Name\"");
              Press(page, IDOK);
          } },
        BoxStep(kCaption,
                "A group name cannot contain a double quote or a control character.\nPlease enter "
                "another name."),
        { kGroupPage, IDC_GROUP_COMBO,
          [](HWND page) {
              SetControlText(page, IDC_GROUP_COMBO, "KORVID Driven");
              Press(page, IDOK);
          } },
        { kIconPage, IDC_ICON_DESKTOP,
          [](HWND page) {
              EXPECT_TRUE(IsChecked(page, IDC_ICON_MY_COMPUTER));
              EXPECT_FALSE(IsShown(page, IDC_ICON_BACK));
              Screenshot("icons");
              Click(page, IDC_ICON_DESKTOP);
              Press(page, IDOK);
          } },
        { kRestartPage, IDCANCEL,
          [](HWND page) {
              // Enter presses "Restart Later", which has the focus.
              EXPECT_EQ(GetDlgItem(page, IDCANCEL), FocusedControl(page));
              Screenshot("restart");
              PressKey(page, VK_RETURN);
              EXPECT_TRUE(kvtest::WaitUntil([&] { return !IsWindow(page); }));
              if (IsWindow(page))
                  Press(page, IDCANCEL);
          } },
    });
    Drive(
        box, script, [&](HWND window) { hook.SetOn(window); }, std::vector<std::string> { "KV_PAUSE_AT=2" });

    EXPECT_TRUE(restartMarker.Stored());
    EXPECT_EQ("Copying " + box.TempFolder() + "\\kv95pro.exe to " + dest + "\\kv95pro.exe", heldStatus);
    EXPECT_FALSE(FileExists(chosen + "\\KORVID"));
    EXPECT_EQ(dest, WinIni("DEFDIR"));
    EXPECT_EQ("KORVID Driven", WinIni("GROUP"));
    const char kDesktopEntry[] =
        "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Desktop\\Namespace\\{"
        "5b1e0c72-3a94-4f6d-8e21-c7d09a3b4a01}";
    EXPECT_TRUE(RegKeyExists(HKEY_LOCAL_MACHINE, kDesktopEntry));
    std::map<std::string, std::string> driven = Contents(dest);
    std::vector<std::string> drivenItems = GroupItems("KORVID Driven");
    std::string drivenScheduler = RegString(
        HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion\\Run", "KORVID Queue Scheduler");

    // The same choices, silently, into another folder.
    CloseExplorerWindows();
    RemoveProductState();
    DeleteTree(GroupFolder("KORVID Driven"));
    Sandbox silent("pages-silent");
    ASSERT_TRUE(silent.PlaceSetup());
    std::string silentDest = silent.Root() + "\\Driven";
    ASSERT_TRUE(
        silent.PlaceInstallIni("[INSTALL]\r\nQUIET=TRUE\r\nLOGGING=TRUE\r\nDESKTOP=TRUE\r\n[KORVID]\r\nDIR32="
                               + silentDest + "\r\nGROUP32=KORVID Driven\r\n"));
    RunResult run = silent.Run();
    EXPECT_FALSE(run.timedOut);
    EXPECT_TRUE(Contents(silentDest) == driven);
    EXPECT_EQ(drivenItems, GroupItems("KORVID Driven"));
    EXPECT_TRUE(RegKeyExists(HKEY_LOCAL_MACHINE, kDesktopEntry));
    EXPECT_EQ(drivenScheduler.find(dest) != std::string::npos,
              RegString(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion\\Run",
                        "KORVID Queue Scheduler")
                      .find(silentDest)
                  != std::string::npos);
    DeleteTree(silentDest);
}

// The welcome page offers the uninstall choice only for a recorded installation; its
// release notes are placed owned by the page and opened in Notepad.
TEST_F(Pages, WelcomeOffersUninstallOnlyForARecordedInstallation)
{
    struct Row {
        const char* defdir; // NULL: no key
        const char* instopts;
        bool offered;
    } rows[] = {
        { NULL, NULL, false },       { "C:\\KV", NULL, false }, { "C:\\KV", "0", false },
        { "C:\\KV", "many", false }, { "", "12", false },       { "C:\\KV", "12", true },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.defdir ? row.defdir : "(none)") + " / "
                     + (row.instopts ? row.instopts : "(none)"));
        WriteProfileStringA("KORVID", NULL, NULL);
        if (row.defdir)
            WriteProfileStringA("KORVID", "DEFDIR", row.defdir);
        if (row.instopts)
            WriteProfileStringA("KORVID", "INSTOPTS", row.instopts);
        Sandbox box("welcome");
        ASSERT_TRUE(box.PlaceSetup());
        std::string notes = box.TempFolder() + "\\KvNews.txt";
        HANDLE held = INVALID_HANDLE_VALUE;
        std::vector<PageStep> steps = { { kCaption, IDC_WELCOME_INSTALL, [&](HWND page) {
                                             EXPECT_EQ(row.offered, IsEnabled(page, IDC_WELCOME_UNINSTALL));
                                             PressKey(page, VK_ESCAPE);
                                         } } };
        if (row.offered) {
            steps[0].act = [&](HWND page) {
                EXPECT_TRUE(IsEnabled(page, IDC_WELCOME_UNINSTALL));
                Click(page, IDC_WELCOME_UNINSTALL);
                EXPECT_TRUE(IsChecked(page, IDC_WELCOME_UNINSTALL));
                EXPECT_FALSE(IsChecked(page, IDC_WELCOME_INSTALL));
                // The notes cannot be written while held: the question is the page's own.
                held = CreateFileA(notes.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
                Press(page, IDC_WELCOME_RELEASE_NOTES);
            };
            steps.push_back({ "Install", kBoxText, [&](HWND question) {
                                 HWND page = GetWindow(question, GW_OWNER);
                                 EXPECT_EQ(kCaption, Caption(page));
                                 EXPECT_FALSE(IsWindowEnabled(page));
                                 Press(question, IDCANCEL);
                             } });
            steps.push_back({ kCaption, IDC_WELCOME_INSTALL, [&](HWND page) {
                                 CloseHandle(held);
                                 EXPECT_TRUE(IsChecked(page, IDC_WELCOME_UNINSTALL));
                                 Press(page, IDC_WELCOME_RELEASE_NOTES);
                                 Press(page, IDCANCEL);
                             } });
        }
        PageScript script(steps);
        Drive(box, script);
        EXPECT_EQ("<missing>", WinIni("DIR"));
        if (!row.offered)
            continue;
        EXPECT_EQ(ReadFile(PayloadFile("KvNews.txt")), ReadFile(notes));
        // Notepad opened the notes.
        HWND notepad = NULL;
        kvtest::WaitUntil([&] {
            EnumWindows(KeepNotesWindow, (LPARAM)&notepad);
            return notepad != NULL;
        });
        EXPECT_TRUE(notepad != NULL);
        if (notepad)
            PostMessageA(notepad, WM_CLOSE, 0, 0);
    }
}

// Cancel ends the run wherever it is pressed: on the folder page with message 10023 (which a
// recorded folder too long for a path also gets), on the interface page with nothing
// installed (not even the utilities), and on the copy box with message 10028 between two
// files, every file left whole, either old or new.
TEST_F(Pages, CancelOnEachPageEndsTheRun)
{
    std::string payload = PayloadFolder();
    {
        SCOPED_TRACE("folder page");
        Sandbox box("cancel-folder");
        ASSERT_TRUE(box.PlaceSetup());
        PageScript script({ PressStep(kCaption, IDC_WELCOME_INSTALL, IDOK),
                            PressStep(kFolderPage, IDC_FOLDER_EDIT, IDCANCEL),
                            BoxStep(kCaption, "Can't continue without a destination folder!") });
        Drive(box, script);
    }
    {
        // A recorded folder longer than any path ends the run before the folder page, and
        // says so.
        SCOPED_TRACE("recorded folder too long");
        Sandbox box("long-dir");
        ASSERT_TRUE(box.PlaceSetup());
        WriteProfileStringA("KORVID", "DIR", ("C:\\" + std::string(600, 'k')).c_str());
        PageScript script({ PressStep(kCaption, IDC_WELCOME_INSTALL, IDOK),
                            BoxStep(kCaption, "Can't continue without a destination folder!") });
        Drive(box, script);
        WriteProfileStringA("KORVID", NULL, NULL);
    }
    {
        SCOPED_TRACE("interface page");
        Sandbox box("cancel-iface");
        ASSERT_TRUE(box.PlaceSetup());
        std::string dest = box.Root() + "\\dest";
        ASSERT_TRUE(box.PlaceInstallIni(InteractiveOptions(dest, "KORVID Driven")));
        PageScript script({ PressStep(kCaption, IDC_WELCOME_INSTALL, IDOK),
                            PressStep(kFolderPage, IDC_FOLDER_EDIT, IDOK),
                            PressStep(kInterfacePage, IDC_IFACE_CLASSIC, IDCANCEL) });
        RunResult run = Drive(box, script);
        EXPECT_TRUE(FileExists(dest));
        EXPECT_TRUE(ListTree(dest).empty());
        for (const WindowSeen& window : run.windows)
            EXPECT_TRUE(window.caption != kCaption || !window.everVisible
                        || !GetDlgItem(window.window, IDC_COPY_STATUS));
    }
    {
        SCOPED_TRACE("copy box");
        Sandbox box("cancel-copy");
        ASSERT_TRUE(box.PlaceSetup());
        std::string dest = box.Root() + "\\dest";
        ASSERT_TRUE(box.PlaceInstallIni(InteractiveOptions(dest, "KORVID Driven")));
        // An earlier copy of every product file.
        CreateDirectoryA(dest.c_str(), NULL);
        std::vector<std::string> names;
        for (const std::string& name : ListFiles(payload)) {
            names.push_back(name);
            KV_WRITE_FILE(dest + "\\" + name, "old " + name);
        }
        PageScript script({ PressStep(kCaption, IDC_WELCOME_INSTALL, IDOK),
                            PressStep(kFolderPage, IDC_FOLDER_EDIT, IDOK),
                            PressStep(kInterfacePage, IDC_IFACE_CLASSIC, IDOK),
                            { kCaption, IDC_COPY_STATUS,
                              [](HWND copyBox) {
                                  // Twice: the flag stays set and the box stays up.
                                  Press(copyBox, IDCANCEL);
                                  Press(copyBox, IDCANCEL);
                              } },
                            // The sequence still asks for the group after a stop.
                            PressStep(kGroupPage, IDC_GROUP_COMBO, IDCANCEL),
                            { kNoCaption, kBoxText, [](HWND box) {
                                 EXPECT_EQ(0u, ControlText(box, kBoxText).find(kInstallFailed));
                                 Press(box, IDOK);
                             } } });
        Drive(box, script);
        int replaced = 0;
        for (const std::string& name : names) {
            SCOPED_TRACE(name);
            std::string now = ReadFile(dest + "\\" + name);
            bool isNew = now == ReadFile(payload + "\\" + name);
            EXPECT_TRUE(isNew || now == "old " + name);
            replaced += isNew;
        }
        // The install stopped early: most files are still the earlier ones.
        EXPECT_LT(replaced, (int)names.size() / 2);
        EXPECT_EQ("<missing>", WinIni("DEFDIR"));
    }
}

// The folder page's two answers that are not a refusal of the work folder: a folder that
// cannot be made is reported once, with the system's error, and asked again; a folder beside
// the work folder whose name only begins like it is accepted (and made).
TEST_F(Pages, FolderBesideTheWorkFolderIsTakenAndAFailedFolderIsReportedOnce)
{
    Sandbox box("beside");
    ASSERT_TRUE(box.PlaceSetup());
    ASSERT_TRUE(box.PlaceInstallIni(InteractiveOptions(box.Root() + "\\dest", "KORVID Driven")));
    // A file where the folder would go: CreateDirectory fails with ERROR_ALREADY_EXISTS.
    std::string taken = box.Root() + "\\taken";
    KV_WRITE_FILE(taken, "");
    std::string beside = box.TempFolder() + "Extra";
    PageScript script({ PressStep(kCaption, IDC_WELCOME_INSTALL, IDOK), FolderStep(taken, IDOK),
                        BoxStep("Install", "Creation of " + taken + " failed. (183)"),
                        FolderStep(beside, IDOK), PressStep(kInterfacePage, IDC_IFACE_CLASSIC, IDCANCEL) });
    Drive(box, script);
    EXPECT_TRUE(FileExists(beside + "\\"));
    EXPECT_TRUE(ListTree(beside).empty());
}

// The welcome page's Uninstall choice removes the installation win.ini records: the INI
// question answered Yes, the progress box, then "all files removed"; nothing is left.
TEST_F(Pages, UninstallChoiceRemovesTheRecordedInstallation)
{
    // The removal refuses a folder inside the temporary folder, where the sandboxes lie.
    const std::string dest = "C:\\KV Pages Removal";
    Sandbox installer("pages-installed");
    RunResult installed =
        installer.RunWith("[INSTALL]\r\nQUIET=TRUE\r\nLOGGING=TRUE\r\n\r\n[KORVID]\r\nDIR32=" + dest
                          + "\r\nGROUP32=KORVID Pro\r\n");
    ASSERT_EQ(3010u, installed.exitCode) << installer.SetupLog();
    ASSERT_TRUE(FileExists(dest + "\\kvpro32.dll"));
    CloseExplorerWindows();

    Sandbox box("pages-uninstall");
    ASSERT_TRUE(box.PlaceSetup());
    bool progressSeen = false;
    PageScript script({
        { kCaption, IDC_WELCOME_INSTALL,
          [](HWND page) {
              Click(page, IDC_WELCOME_UNINSTALL);
              Press(page, IDOK);
          } },
        { kCaption, kBoxText,
          [](HWND question) {
              EXPECT_EQ(0u,
                        ControlText(question, kBoxText).find("You have INI files in the KORVID Pro folder."));
              Press(question, IDYES);
          } },
        BoxStep("", "Removal process complete.\nAll files removed."),
    });
    Drive(box, script,
          [&](HWND window) { progressSeen = progressSeen || Caption(window) == "Removal process"; });
    EXPECT_TRUE(progressSeen);
    EXPECT_FALSE(FileExists(dest));
    EXPECT_EQ("<missing>", WinIni("DIR"));
    EXPECT_EQ("<missing>", WinIni("INSTOPTS"));
    EXPECT_FALSE(FileExists(GroupFolder("KORVID Pro")));
    DeleteTree(dest);
}
