// The installer shell as a whole program under Wine: a silent run shows nothing and leaves
// the temporary folder clean; an interactive run shows the main window as built; a run
// that needs a restart restarts only when it may. Each scenario runs the built setup in
// its own sandbox and removes whatever an install may have left.
#include <gtest/gtest.h>
#include <algorithm>
#include <set>
#include "support/harness.h"
#include "support/files.h"
#include "support/machine.h"
#include "support/product_state.h"
#include "shell/shell.h"
#include "engine/engine.h"

using namespace kve2e;

namespace
{

using Shell = kvtest::CleanMachine;

// A silent, logged install into dest, restarting or not as allowRestart says.
std::string RestartOptions(const std::string& dest, bool allowRestart, const char* extra = "")
{
    return SilentOptions(dest, std::string("ALLOWRBT=") + (allowRestart ? "TRUE" : "FALSE") + "\r\n" + extra,
                         "GROUP32=KORVID Pro");
}

} // namespace

TEST_F(Shell, SilentRunShowsNoWindowAndCleansTheTemporaryFolder)
{
    Sandbox box("silent");
    RunResult run = box.RunWith(RestartOptions(box.Root() + "\\dest", false));
    ASSERT_TRUE(run.started);
    KV_EXPECT_RAN_SILENTLY(run, box, 3010u); // installed; the Explorer interface wants a restart
    // The hidden main window exists all the same.
    const WindowSeen* main = run.FindWindowOfClass("KVInstal");
    ASSERT_TRUE(main != NULL) << run.WindowsSeen();
    EXPECT_FALSE(main->everVisible);

    // The options came from the file beside the program, not from the staged template.
    std::vector<std::string> log = SplitLines(box.SetupLog());
    ASSERT_GE(log.size(), 7u) << box.SetupLog();
    EXPECT_EQ("g_bSilent=1", log[0]);
    EXPECT_EQ("g_szLine2=\"\"", log[6]);

    // The template was staged in the temporary folder as Install.ini for the run...
    ASSERT_TRUE(run.tempFilesSeen.count("Install.ini"));
    EXPECT_EQ(0u, run.tempTexts["Install.ini"].find("[RenameThisSectionTo:INSTALL]\r\n"))
        << run.tempTexts["Install.ini"];
    // ...and no staged file of the manifest is left after it.
    std::set<std::string> left;
    for (const std::string& name : box.TempFiles())
        left.insert(name);
    for (const ManifestEntry& row : FileManifest) {
        SCOPED_TRACE(row.stagingName);
        EXPECT_FALSE(kvtest::FileExists(box.TempFolder() + "\\" + row.stagingName));
    }
    EXPECT_TRUE(left.count("setup.log"));
}

TEST_F(Shell, InteractiveRunShowsTheMainWindowAsBuilt)
{
    Sandbox box("window");
    ASSERT_TRUE(box.PlaceSetup());
    // No options file beside the program: the staged template is read, the run is interactive.
    RunOptions options;
    std::set<HWND> cancelled;
    bool mainShown = false;
    options.onVisibleWindow = [&](HWND window) {
        char name[64] = "";
        GetClassNameA(window, name, sizeof name);
        mainShown = mainShown || strcmp(name, "KVInstal") == 0;
        // Whatever page or prompt the wizard shows is cancelled, once, after the main
        // window behind it has been seen.
        if (mainShown && strcmp(name, "#32770") == 0 && cancelled.insert(window).second)
            PostMessageA(window, WM_COMMAND, IDCANCEL, 0);
    };
    RunResult run = box.Run(options);
    ASSERT_TRUE(run.started);
    EXPECT_FALSE(run.timedOut) << run.WindowsSeen();
    EXPECT_EQ(0u, run.exitCode);

    const WindowSeen* main = run.FindWindowOfClass("KVInstal");
    ASSERT_TRUE(main != NULL) << run.WindowsSeen();
    EXPECT_TRUE(main->everVisible);
    EXPECT_EQ("KORVID Pro Install (32)", main->caption);
    EXPECT_EQ(WS_CLIPCHILDREN | WS_CAPTION | WS_SYSMENU,
              main->style
                  & (WS_CLIPCHILDREN | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX
                     | WS_MAXIMIZEBOX | WS_CHILD | WS_POPUP));
    RECT desktop;
    GetWindowRect(GetDesktopWindow(), &desktop);
    WindowRect want = MainWindowRect(desktop.right, desktop.bottom);
    EXPECT_EQ(want.left, main->rect.left);
    EXPECT_EQ(want.top, main->rect.top);
    EXPECT_EQ(want.width, main->rect.right - main->rect.left);
    EXPECT_EQ(want.height, main->rect.bottom - main->rect.top);

    EXPECT_FALSE(kvtest::FileExists(box.TempFolder() + "\\Install.ini"));
    // The template's logging is off: no log.
    EXPECT_FALSE(kvtest::FileExists(box.TempFolder() + "\\setup.log"));
}

// A silent install that replaces the product's library while another process has it loaded
// needs a restart. Under Wine the restart's work is real: it ends every process that owns a
// window and runs the stored RunOnce commands (this console test program survives it). So
// the request shows through its effects: a command seeded in RunOnce runs and a windowed
// bystander ends, or, when the options forbid the restart, neither happens.
TEST_F(Shell, RestartOnlyWhenTheOptionsAllowIt)
{
    for (bool allow : { false, true }) {
        SCOPED_TRACE(allow ? "ALLOWRBT=TRUE" : "ALLOWRBT=FALSE");
        // The earlier install's DIR in win.ini would take the place of DIR32.
        kvtest::RemoveProductState();
        Sandbox box(allow ? "restart" : "norestart");
        ASSERT_TRUE(box.PlaceSetup());
        std::string dest = box.Root() + "\\dest";
        ASSERT_TRUE(CreateDirectoryA(dest.c_str(), NULL));
        std::string library = dest + "\\kvpro32.dll";
        // An older library of other bytes, so that its replacement shows.
        std::string older = kvtest::PayloadFile("kvsyncd.dll");
        ASSERT_TRUE(CopyFileA(older.c_str(), library.c_str(), FALSE));
        HMODULE inUse = LoadLibraryA(library.c_str());
        ASSERT_TRUE(inUse != NULL);
        ASSERT_TRUE(box.PlaceInstallIni(RestartOptions(dest, allow, "EXPLORER=FALSE\r\n")));

        char shortRoot[MAX_PATH];
        ASSERT_NE(0u, GetShortPathNameA(box.Root().c_str(), shortRoot, sizeof shortRoot));
        std::string marker = std::string(shortRoot) + "\\restarted.txt";
        RunOnceCommand command("kve2e restart marker", "cmd.exe /c echo restarted>" + marker);
        ASSERT_TRUE(command.Stored());
        WindowedBystander bystander;
        ASSERT_TRUE(bystander.WaitForWindow(30000));

        RunResult run = box.Run();
        // Deployment systems read 1641 as "restart started" and 3010 as "restart needed".
        KV_EXPECT_RAN_SILENTLY(run, box, allow ? 1641u : 3010u);
        // The library in use was moved aside and the new one placed at its name.
        EXPECT_EQ(kvtest::ReadFile(older), kvtest::ReadFile(dest + "\\kvpro32.bak"));
        EXPECT_EQ(kvtest::ReadFile(kvtest::PayloadFile("kvpro32.dll")), kvtest::ReadFile(library));

        if (allow) {
            EXPECT_TRUE(WaitForFile(marker)) << box.SetupLog();
            EXPECT_FALSE(command.Stored());
            EXPECT_TRUE(kvtest::WaitUntil([&] { return !bystander.Running(); }));
        } else {
            // A restart is asked for before the program ends, and the request starts wineboot
            // from the program: no such child was left running, and nothing that a restart
            // ends or runs has changed.
            EXPECT_EQ(0, std::count(run.childrenAtEnd.begin(), run.childrenAtEnd.end(), "wineboot.exe"))
                << testing::PrintToString(run.childrenAtEnd);
            EXPECT_FALSE(kvtest::FileExists(marker));
            EXPECT_TRUE(command.Stored());
            EXPECT_TRUE(bystander.Running());
        }
        FreeLibrary(inUse);
    }
}

// The main window's icon as the systems without alpha draw it: each size the pages and the
// shell show has a 16-colour image (the one a 16- or 256-colour display takes), and in every
// image a pixel its mask leaves out is black, so that the screen shows through unchanged; a
// pixel the 32-bit image's alpha hides wholly is left out by the mask too.
TEST(Resources, IconDrawsThroughItsMaskWithoutAlpha)
{
    HMODULE setup = LoadLibraryExA(SetupProgramPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_TRUE(setup);
    HRSRC group = FindResourceA(setup, "APP_MAIN", RT_GROUP_ICON);
    ASSERT_TRUE(group);
    const BYTE* dir = (const BYTE*)LockResource(LoadResource(setup, group));
    std::set<std::pair<int, int>> sizesAndBits;
    for (int e = 0; e < *(const WORD*)(dir + 4); e++) {
        const BYTE* entry = dir + 6 + 14 * e; // width, height, colours, reserved, planes, bits, bytes, id
        int size = entry[0];
        HRSRC found = FindResourceA(setup, MAKEINTRESOURCEA(*(const WORD*)(entry + 12)), RT_ICON);
        ASSERT_TRUE(found);
        const BYTE* image = (const BYTE*)LockResource(LoadResource(setup, found));
        const BITMAPINFOHEADER* header = (const BITMAPINFOHEADER*)image;
        int bits = header->biBitCount;
        SCOPED_TRACE(testing::Message() << size << " pixels, " << bits << " bits");
        ASSERT_TRUE(bits == 32 || bits == 4);
        ASSERT_EQ(size, header->biWidth);
        sizesAndBits.insert({ size, bits });
        const RGBQUAD* colours = (const RGBQUAD*)(image + header->biSize);
        const BYTE* pixels = (const BYTE*)(colours + (bits == 4 ? 16 : 0));
        int stride = ((size * bits + 31) / 32) * 4;
        const BYTE* mask = pixels + stride * size;
        int maskStride = ((size + 31) / 32) * 4;
        for (int y = 0; y < size; y++) {
            for (int x = 0; x < size; x++) {
                bool leftOut = (mask[y * maskStride + x / 8] >> (7 - x % 8)) & 1;
                RGBQUAD colour;
                if (bits == 4) {
                    colour = colours[(pixels[y * stride + x / 2] >> (x % 2 ? 0 : 4)) & 15];
                } else {
                    colour = ((const RGBQUAD*)pixels)[y * size + x];
                    if (colour.rgbReserved == 0) {
                        EXPECT_TRUE(leftOut) << "alpha 0 drawn at " << x << "," << y;
                    }
                }
                if (leftOut) {
                    EXPECT_EQ(0u, (DWORD)colour.rgbRed | colour.rgbGreen | colour.rgbBlue)
                        << "at " << x << "," << y;
                }
            }
        }
    }
    std::set<std::pair<int, int>> want = { { 32, 32 }, { 32, 4 }, { 16, 32 }, { 16, 4 } };
    EXPECT_EQ(want, sizesAndBits);
    FreeLibrary(setup);
}
