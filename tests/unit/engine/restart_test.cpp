// Commands for the next start: value names, the key per platform, and the bound.
#include <gtest/gtest.h>
#include "engine/engine.h"
#include "support/machine.h"

class ScheduleAtRestartTest : public testing::Test
{
protected:
    void SetUp() override
    {
        kvtest::DeleteOxtavineValues(kvtest::kRunOnce);
        kvtest::DeleteOxtavineValues(kvtest::kRunServicesOnce);
        servicesKeyExisted_ = kvtest::MachineKeyExists(kvtest::kRunServicesOnce);
    }
    void TearDown() override
    {
        kvtest::DeleteOxtavineValues(kvtest::kRunOnce);
        kvtest::DeleteOxtavineValues(kvtest::kRunServicesOnce);
        // Leave the key as the prefix had it.
        if (servicesKeyExisted_ && !kvtest::MachineKeyExists(kvtest::kRunServicesOnce)) {
            HKEY key;
            if (RegCreateKeyA(HKEY_LOCAL_MACHINE, kvtest::kRunServicesOnce, &key) == ERROR_SUCCESS)
                RegCloseKey(key);
        } else if (!servicesKeyExisted_ && kvtest::KeyValues(kvtest::kRunServicesOnce).empty()) {
            RegDeleteKeyA(HKEY_LOCAL_MACHINE, kvtest::kRunServicesOnce);
        }
    }

    static void SetValue(const char* key, const char* name, const char* data)
    {
        HKEY h;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyA(HKEY_LOCAL_MACHINE, key, &h));
        RegSetValueExA(h, name, 0, REG_SZ, (const BYTE*)data, (DWORD)strlen(data) + 1);
        RegCloseKey(h);
    }

    kvtest::SavedRunState saved_;
    bool servicesKeyExisted_ = false;
};

TEST_F(ScheduleAtRestartTest, NTFillsGapsUnderRunOnceOnly)
{
    g_bWinNT = 1;
    SetValue(kvtest::kRunOnce, "Oxtavine0", "earlier 0");
    SetValue(kvtest::kRunOnce, "Oxtavine2", "earlier 2");
    auto services = kvtest::KeyValues(kvtest::kRunServicesOnce);
    bool servicesKey = kvtest::MachineKeyExists(kvtest::kRunServicesOnce);

    EXPECT_EQ(1, ScheduleAtRestart("cmd.exe /c rmdir C:\\KORVID~1 "));
    EXPECT_EQ(1, ScheduleAtRestart("cmd.exe /c del C:\\KORVID~1\\KVPRO32.DEL"));

    auto values = kvtest::KeyValues(kvtest::kRunOnce);
    EXPECT_EQ("earlier 0", kvtest::TextOf(values["Oxtavine0"]));
    // The data is the command with its terminator; the trailing blank stays.
    EXPECT_EQ(std::string("cmd.exe /c rmdir C:\\KORVID~1 ", 30), values["Oxtavine1"]);
    EXPECT_EQ("earlier 2", kvtest::TextOf(values["Oxtavine2"]));
    EXPECT_EQ("cmd.exe /c del C:\\KORVID~1\\KVPRO32.DEL", kvtest::TextOf(values["Oxtavine3"]));
    EXPECT_EQ(services, kvtest::KeyValues(kvtest::kRunServicesOnce));
    EXPECT_EQ(servicesKey, kvtest::MachineKeyExists(kvtest::kRunServicesOnce));
}

TEST_F(ScheduleAtRestartTest, NinetyFiveCreatesRunServicesOnceAndCountsInOrder)
{
    g_bWinNT = 0;
    if (kvtest::KeyValues(kvtest::kRunServicesOnce).empty())
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, kvtest::kRunServicesOnce);
    ASSERT_FALSE(kvtest::MachineKeyExists(kvtest::kRunServicesOnce));
    auto runOnce = kvtest::KeyValues(kvtest::kRunOnce);

    const char* commands[] = { "command.com /c copy A.NEW A.EXE", "command.com /c del B.DEL",
                               "command.com /c rmdir C:\\KORVID~1 " };
    for (const char* command : commands)
        EXPECT_EQ(1, ScheduleAtRestart(command));
    auto values = kvtest::KeyValues(kvtest::kRunServicesOnce);
    EXPECT_EQ(3u, values.size());
    EXPECT_EQ(commands[0], kvtest::TextOf(values["Oxtavine0"]));
    EXPECT_EQ(commands[1], kvtest::TextOf(values["Oxtavine1"]));
    EXPECT_EQ(commands[2], kvtest::TextOf(values["Oxtavine2"]));
    EXPECT_EQ(runOnce, kvtest::KeyValues(kvtest::kRunOnce));
}

TEST_F(ScheduleAtRestartTest, AFullKeyFailsCleanly)
{
    g_bWinNT = 0;
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyA(HKEY_LOCAL_MACHINE, kvtest::kRunServicesOnce, &key));
    for (int i = 0; i < RESTART_MAX_COMMANDS; i++) {
        char name[32];
        StrFormat(name, sizeof name, "Oxtavine%d", i);
        RegSetValueExA(key, name, 0, REG_SZ, (const BYTE*)"x", 2);
    }
    RegCloseKey(key);

    size_t count = kvtest::KeyValues(kvtest::kRunServicesOnce).size();
    EXPECT_EQ(0, ScheduleAtRestart("command.com /c del X.DEL"));
    EXPECT_EQ(count, kvtest::KeyValues(kvtest::kRunServicesOnce).size());

    // A name freed by a restart is taken again.
    ASSERT_EQ(ERROR_SUCCESS,
              RegOpenKeyExA(HKEY_LOCAL_MACHINE, kvtest::kRunServicesOnce, 0, KEY_ALL_ACCESS, &key));
    RegDeleteValueA(key, "Oxtavine500");
    RegCloseKey(key);
    EXPECT_EQ(1, ScheduleAtRestart("command.com /c del X.DEL"));
    EXPECT_EQ("command.com /c del X.DEL",
              kvtest::TextOf(kvtest::KeyValues(kvtest::kRunServicesOnce)["Oxtavine500"]));
}
