// The main window's procedure and the shared window helpers on real windows: the titles
// loaded at creation, closing, centring, pumping the queue, and the clean-up of the
// staged files from the temporary folder.
#include <gtest/gtest.h>
#include <string>
#include "shell/shell.h"
#include "engine/engine.h"
#include "support/machine.h"
#include "support/product_state.h"

namespace
{

const char kTestClass[] = "KVInstalUnderTest";

ATOM RegisterTestClass()
{
    static ATOM atom;
    if (!atom) {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = MainWndProc;
        wc.hInstance = g_hInstance;
        wc.lpszClassName = kTestClass;
        atom = RegisterClassA(&wc);
    }
    return atom;
}

HWND CreateTestWindow()
{
    return CreateWindowExA(0, kTestClass, "test", WS_POPUP, 5, 5, 300, 200, NULL, NULL, g_hInstance, NULL);
}

// returns true when a WM_QUIT waits in the queue; takes it (and all before it) out
bool TakeQuit(WPARAM* code)
{
    MSG msg;
    while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            *code = msg.wParam;
            return true;
        }
        DispatchMessageA(&msg);
    }
    return false;
}

int g_userMessages;

LRESULT CALLBACK CountingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message >= WM_USER && message < WM_USER + 10) {
        g_userMessages++;
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

int g_dialogCancels;

INT_PTR CALLBACK CountingDialogProc(HWND, UINT message, WPARAM wParam, LPARAM)
{
    if (message == WM_COMMAND && LOWORD(wParam) == IDCANCEL)
        g_dialogCancels++;
    return message == WM_INITDIALOG;
}

} // namespace

TEST(MainWindow, CreationLoadsTitlesAndOnlyTheMainWindowEndsTheRun)
{
    ASSERT_TRUE(RegisterTestClass());
    g_szTitleHelp[0] = g_szTitleUninstall[0] = g_szTitleExplorerHelp[0] = '\0';
    HWND other = CreateTestWindow();
    ASSERT_TRUE(other != NULL);
    EXPECT_STREQ("KORVID Pro Help", g_szTitleHelp);
    EXPECT_STREQ("KORVID Pro Release Notes", g_szTitleReleaseNotes);
    EXPECT_STREQ("KORVID Pro Uninstall", g_szTitleUninstall);
    EXPECT_STREQ("KORVID Icon Placement", g_szTitleIconPlacement);
    EXPECT_STREQ("KORVID Pro Explorer Help", g_szTitleExplorerHelp);

    HWND main = CreateTestWindow();
    ASSERT_TRUE(main != NULL);
    g_hMainWindow = main;
    WPARAM code = 99;

    // Another window of the class just goes.
    SendMessageA(other, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(other));
    EXPECT_FALSE(TakeQuit(&code));

    // An unknown command changes nothing.
    EXPECT_EQ(0, SendMessageA(main, WM_COMMAND, 101, 0));
    EXPECT_TRUE(IsWindow(main));

    // The main window goes and ends the loop with code 0.
    SendMessageA(main, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(main));
    EXPECT_TRUE(TakeQuit(&code));
    EXPECT_EQ(0u, code);
    g_hMainWindow = NULL;
}

TEST(MainWindow, CenterWindowKeepsSizeAndAppliesOffset)
{
    ASSERT_TRUE(RegisterTestClass());
    HWND window = CreateTestWindow();
    ASSERT_TRUE(window != NULL);
    RECT desktop;
    GetWindowRect(GetDesktopWindow(), &desktop);
    for (int offset : { 0, 30, -5000 }) {
        SCOPED_TRACE(offset);
        EXPECT_EQ(1, CenterWindow(window, offset));
        RECT rect;
        GetWindowRect(window, &rect);
        POINT want =
            CenteredPosition(desktop.right - desktop.left, desktop.bottom - desktop.top, 300, 200, offset);
        EXPECT_EQ(want.x, rect.left);
        EXPECT_EQ(want.y, rect.top);
        EXPECT_EQ(300, rect.right - rect.left);
        EXPECT_EQ(200, rect.bottom - rect.top);
    }
    DestroyWindow(window);
}

TEST(MainWindow, PumpMessagesEmptiesQueueThroughQuitAndRoutesTheModelessDialog)
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = CountingProc;
    wc.hInstance = g_hInstance;
    wc.lpszClassName = "KVPumpCounter";
    RegisterClassA(&wc);
    HWND window =
        CreateWindowExA(0, wc.lpszClassName, "", WS_POPUP, 0, 0, 10, 10, NULL, NULL, g_hInstance, NULL);
    ASSERT_TRUE(window != NULL);

    g_userMessages = 0;
    PostMessageA(window, WM_USER, 0, 0);
    PostThreadMessageA(GetCurrentThreadId(), WM_QUIT, 3, 0);
    PostMessageA(window, WM_USER + 1, 0, 0);
    EXPECT_EQ(1, PumpMessages());
    // A quit message in the middle does not stop it.
    EXPECT_EQ(2, g_userMessages);
    MSG msg;
    EXPECT_FALSE(PeekMessageA(&msg, NULL, 0, 0, PM_NOREMOVE));

    // Escape for the modeless dialog becomes its Cancel only through IsDialogMessage.
    struct {
        DLGTEMPLATE header;
        WORD menu, cls, title;
    } tmpl = {};
    tmpl.header.style = WS_POPUP | DS_MODALFRAME;
    tmpl.header.cx = 100;
    tmpl.header.cy = 50;
    HWND dialog = CreateDialogIndirectParamA(g_hInstance, &tmpl.header, NULL, CountingDialogProc, 0);
    ASSERT_TRUE(dialog != NULL);
    g_dialogCancels = 0;
    PostMessageA(dialog, WM_KEYDOWN, VK_ESCAPE, 0);
    PumpMessages();
    EXPECT_EQ(0, g_dialogCancels);
    g_hModelessDialog = dialog;
    PostMessageA(dialog, WM_KEYDOWN, VK_ESCAPE, 0);
    PumpMessages();
    EXPECT_EQ(1, g_dialogCancels);
    g_hModelessDialog = NULL;
    DestroyWindow(dialog);
    DestroyWindow(window);
}

class StagingCleanUp : public testing::Test
{
protected:
    // The temporary folder of this process is a scratch folder.
    kvtest::ScratchTemp temp_ { "cleanup" };
    const std::string scratch_ = temp_.Folder();

    bool Exists(const std::string& name) const
    {
        return kvtest::FileExists(scratch_ + "\\" + name);
    }
    void Touch(const std::string& name) const
    {
        KV_WRITE_FILE(scratch_ + "\\" + name, "");
    }
};

TEST_F(StagingCleanUp, DeletesEveryStagedManifestFileAndNothingElse)
{
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    ASSERT_STREQ((scratch_ + "\\").c_str(), temp);

    int staged = 0;
    for (const ManifestEntry& row : FileManifest)
        if (row.stagingName && row.stagingName[0]) {
            Touch(row.stagingName);
            staged++;
        }
    ASSERT_GT(staged, 50);
    for (const char* keep : { "KVD1A2B.tmp", "setup.log", "unrelated.dll" })
        Touch(keep);

    CleanUpStagingFiles();
    for (const ManifestEntry& row : FileManifest)
        if (row.stagingName && row.stagingName[0]) {
            SCOPED_TRACE(row.stagingName);
            EXPECT_FALSE(Exists(row.stagingName));
        }
    for (const char* keep : { "KVD1A2B.tmp", "setup.log", "unrelated.dll" })
        EXPECT_TRUE(Exists(keep)) << keep;

    // Nothing left to delete is not an error, and the rest stays.
    CleanUpStagingFiles();
    EXPECT_TRUE(Exists("setup.log"));
}
