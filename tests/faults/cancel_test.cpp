// The copy box's Cancel pressed while each file in turn is being placed, in an interactive
// install over an earlier version. A message hook of the tests (kvcancelhook.dll, set on the
// setup's window thread) clicks Cancel from inside the status line's k-th "Copying" text,
// so the click lands at a known file every time. Each run must end with message 10028,
// leave the files up to k new and the rest old (none cut), record nothing in win.ini, and
// a second install must then complete.
#include <gtest/gtest.h>
#include <algorithm>
#include "faults/faults.h"
#include "support/hook.h"
#include "resources/resource.h"
#include "support/pages.h"
#include "support/files.h"
#include "support/product_state.h"

using namespace kve2e;
using namespace kvfaults;
using kvtest::FileExists;
using kvtest::PageScript;
using kvtest::PageStep;
using kvtest::PressStep;

namespace
{

using kvtest::kCaption;
using kvtest::kFolderPage;
using kvtest::kGroupPage;
using kvtest::kInstallFailed;
using kvtest::kInterfacePage;
using kvtest::kNoCaption;

// The files in the order the copy box names them: every row of the four groups (those the
// package does not carry are named too, and fail quietly), then the bookmark files that
// follow a newly written product INI, each only when missing.
std::vector<std::string> CopyOrder()
{
    return kvtest::InstalledNames(true, false);
}

// Whether the second install runs after the cancel at position k (1-based) of a copy order
// whose groups end at the given positions: at the first and last file of every group, and
// at every eighth file between them.
bool InstallAgainAfter(size_t k, const std::vector<size_t>& groupEnds)
{
    if (k == 1 || k % 8 == 0)
        return true;
    for (size_t end : groupEnds)
        if (k == end || k == end + 1)
            return true;
    return false;
}

} // namespace

// For every position k: the interactive install cancelled at file k; after a spread of the
// positions (see InstallAgainAfter) a silent install over what it left.
TEST(Cancel, AtEveryFilePositionLeavesWholeFilesAndAnotherInstallCompletes)
{
    kvtest::RemoveProductState();
    const std::string root = "C:\\KV Faults Cancel";
    const std::string dest = root + "\\KORVID Pro";
    const std::vector<std::string> order = CopyOrder();
    const std::vector<std::string> product = ProductFileNames();
    const size_t productRows = order.size() - (SITEINI_COUNT - 1);
    const std::vector<size_t> groupEnds = { CLASSIC_COUNT, CLASSIC_COUNT + EXPLORER_COUNT,
                                            CLASSIC_COUNT + EXPLORER_COUNT + UTILITY_COUNT, productRows,
                                            order.size() };
    for (size_t k = 1; k <= order.size(); k++) {
        const std::string& cancelled = order[k - 1];
        SCOPED_TRACE("cancel at file " + std::to_string(k) + " (" + cancelled + ")");
        CountScenario();
        CountFaults();
        kvtest::DeleteTree(root);
        ASSERT_TRUE(CreateDirectoryA(root.c_str(), NULL));
        ASSERT_TRUE(CreateDirectoryA(dest.c_str(), NULL));
        PlaceOldVersion(dest);

        Sandbox box("cancel");
        ASSERT_TRUE(box.PlaceSetup());
        ASSERT_TRUE(box.PlaceInstallIni(
            "[INSTALL]\r\nQUIET=FALSE\r\nLOGGING=TRUE\r\n[KORVID]\r\nDIR32=" + dest + "\r\n"));
        std::string note = box.Root() + "\\cancelled.txt";
        kvtest::CopyBoxHook hook(kvtest::WinePath(KV_CANCEL_HOOK_UNIX));
        ASSERT_TRUE(hook.Loaded());
        std::string failureText;
        PageScript script({
            PressStep(kCaption, IDC_WELCOME_INSTALL, IDOK),
            PressStep(kFolderPage, IDC_FOLDER_EDIT, IDOK),
            PressStep(kInterfacePage, IDC_IFACE_CLASSIC, IDOK),
            // The sequence still asks for the group after a Cancel; OK, so that the
            // Cancel alone ends the install.
            PressStep(kGroupPage, IDC_GROUP_COMBO, IDOK),
            kvtest::BoxAnswer(kNoCaption, IDOK, [&](const std::string& text) { failureText = text; }),
        });
        RunOptions options;
        options.timeoutMs = 60000;
        options.environment = { "KV_CANCEL_AT=" + std::to_string(k), "KV_CANCEL_NOTE=" + note };
        options.onVisibleWindow = [&](HWND window) {
            hook.SetOn(window);
            script.Offer(window);
        };
        RunResult run = box.Run(options);
        kvtest::CloseExplorerWindows();
        ASSERT_TRUE(EndedCleanly(run));
        EXPECT_EQ(0u, run.exitCode);
        EXPECT_TRUE(script.Done()) << "waiting for " << script.Waiting();
        EXPECT_EQ(0u, failureText.find(kInstallFailed)) << failureText;
        // The hook clicked on the k-th file's text.
        std::string clicked = kvtest::ReadFile(note);
        std::string tail = " to " + dest + "\\" + cancelled;
        EXPECT_TRUE(clicked.size() > tail.size()
                    && clicked.compare(clicked.size() - tail.size(), tail.size(), tail) == 0)
            << clicked;

        // Files 1..k are new, the rest as they were; no file is cut.
        EXPECT_EQ(std::vector<std::string>(), DamagedProductFiles(dest));
        for (size_t p = 0; p < order.size(); p++) {
            const std::string& name = order[p];
            std::string path = dest + "\\" + name;
            bool placed = p < k;
            if (std::count(product.begin(), product.end(), name)) {
                EXPECT_EQ(placed ? NewVersion(name.c_str()) : OldVersion(name), kvtest::ReadFile(path))
                    << name;
            } else if (p >= productRows) {
                EXPECT_EQ(placed, FileExists(path)) << name;
            } else {
                // A row the package does not carry.
                EXPECT_FALSE(FileExists(path)) << name;
            }
        }
        // The product INI is written just before the bookmark files.
        EXPECT_EQ(k > productRows, FileExists(dest + "\\KORVID.ini"));
        EXPECT_EQ("<missing>", kvtest::WinIni("DIR"));
        EXPECT_EQ("<missing>", kvtest::WinIni("DEFDIR"));

        kvtest::RemoveProductState();
        if (!InstallAgainAfter(k, groupEnds))
            continue;
        // Another install over what the cancelled one left completes.
        Sandbox again("cancel-again");
        ASSERT_TRUE(again.PlaceSetup());
        ASSERT_TRUE(again.PlaceInstallIni(SilentOptions(dest)));
        run = again.Run();
        kvtest::CloseExplorerWindows();
        ASSERT_TRUE(EndedCleanly(run));
        EXPECT_EQ((DWORD)EXIT_RESTART_NEEDED, run.exitCode) << again.SetupLog();
        for (const std::string& name : product)
            EXPECT_TRUE(NewVersion(name.c_str()) == kvtest::ReadFile(dest + "\\" + name)) << name;
        EXPECT_EQ(dest, kvtest::WinIni("DIR"));
        kvtest::RemoveProductState();
    }
    kvtest::DeleteTree(root);
}
