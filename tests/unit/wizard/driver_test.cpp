// The wizard driver's pure decisions: the default destination of each platform, refusing
// the work folder, the install mask, and the product INI's address fix-up.
#include <gtest/gtest.h>
#include "engine/engine.h"
#include "wizard/wizard.h"

TEST(WizardDriver, DefaultDestinationFollowsThePlatform)
{
    struct Row {
        const char* system;
        int known;
        DWORD platform;
        DWORD major;
        const char* dest;
    } rows[] = {
        { "C:\\WINDOWS\\SYSTEM", 1, VER_PLATFORM_WIN32_WINDOWS, 4, "C:\\Program Files\\KORVID Pro" },
        { "D:\\WINNT\\system32", 1, VER_PLATFORM_WIN32_NT, 4, "D:\\Program Files\\KORVID Pro" },
        { "E:\\WINNT35\\system32", 1, VER_PLATFORM_WIN32_NT, 3, "E:\\WIN32APP\\KORVID" },
        { "C:\\WINDOWS\\SYSTEM", 1, VER_PLATFORM_WIN32s, 3, "C:\\KORVID" },
        { "C:\\WINDOWS\\SYSTEM", 1, VER_PLATFORM_WIN32s, 4, "C:\\KORVID" },
        { "C:\\WINDOWS\\SYSTEM", 0, VER_PLATFORM_WIN32_NT, 5, "C:\\KORVID" },
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.dest);
        char dest[512];
        EXPECT_TRUE(DefaultDestination(dest, sizeof dest, r.system, r.known, r.platform, r.major));
        EXPECT_STREQ(r.dest, dest);
    }
}

TEST(WizardDriver, WorkFolderAndEverythingInsideItIsRefused)
{
    struct Row {
        const char* dest;
        bool refused;
    } rows[] = {
        { "c:\\temp\\ftp", true },
        { "C:\\TEMP\\", true },
        { "C:\\temp", true },
        { "C:\\TEMP2", false }, // beside it: only its name begins like the work folder's
        { "C:\\TEMPExtra\\KORVID", false },
        { "C:\\TEM", false },
        { "D:\\TEMP", false },
        { "C:\\Program Files\\KORVID Pro", false },
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.dest);
        EXPECT_EQ(r.refused, IsInsideWorkFolder(r.dest, "C:\\TEMP\\"));
    }
    // Without a work folder nothing is refused.
    EXPECT_FALSE(IsInsideWorkFolder("C:\\KORVID", ""));
}

TEST(WizardDriver, InstallMaskTakesTheUtilitiesFromTheFlag)
{
    struct Row {
        unsigned int selection;
        int utilities;
        int silent;
        unsigned int mask;
    } rows[] = {
        { 0x1F, 1, 0, 0x1F }, { 0x1F, 0, 0, 0x1B }, // the selection's own 0x4 is not used
        { 0x01, 1, 0, 0x05 }, { 0x19, 0, 1, 0x10000019 }, { 0x00, 1, 0, 0x04 },
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.mask);
        EXPECT_EQ(r.mask, BuildInstallMask(r.selection, r.utilities, r.silent));
    }
}

TEST(WizardDriver, MailAddressFixUp)
{
    struct Row {
        const char* value;
        const char* after;
        bool written;
    } rows[] = {
        { "you@yours.com", "qlmrx66@", true },
        { "YOU@YOURS.COM.example", "qlmrx66@", true }, // only the first 13 characters count
        { "you@yours.co", "you@yours.co", false },
        { "qlmrx60@", "qlmrx60@", false }, // the default for a missing key
        { "QLMRX66@", "QLMRX66@", true },  // written back unchanged
        { "someone@example.com", "someone@example.com", false },
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.value);
        char address[128];
        StrCopy(address, sizeof address, r.value);
        EXPECT_EQ(r.written, FixMailAddress(address, sizeof address));
        EXPECT_STREQ(r.after, address);
    }
}
