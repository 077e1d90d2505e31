// The suite's tally and shared helpers, and its main: the tally line goes to the output at
// the end for run-faults.sh.
#include "faults/faults.h"
#include <gtest/gtest.h>
#include <stdio.h>
#include <stdlib.h>
#include "support/files.h"
#include "support/product_state.h"

namespace kvfaults
{

namespace
{

struct Tally {
    long scenarios = 0, faults = 0, crashes = 0, hangs = 0, lost = 0;
} g_tally;

std::string Environment(const char* name)
{
    const char* value = getenv(name);
    return value ? value : "";
}

} // namespace

void CountScenario()
{
    g_tally.scenarios++;
}

void CountFaults(int count)
{
    g_tally.faults += count;
}

void CountLost(int count)
{
    g_tally.lost += count;
}

bool ExpectKept(const char* file, int line, const std::string& path, const std::string& bytes)
{
    bool kept = kvtest::FileExists(path) && kvtest::ReadFile(path) == bytes;
    if (!kept) {
        ADD_FAILURE_AT(file, line) << path << " was not kept byte for byte";
        CountLost();
    }
    return kept;
}

bool EndedCleanly(const kve2e::RunResult& run)
{
    if (run.timedOut) {
        g_tally.hangs++;
        ADD_FAILURE() << "the program did not end";
        return false;
    }
    // An exception's status (0xC0000005 and its kin) or a breakpoint's.
    if (run.exitCode >= 0xC0000000u || run.exitCode == 0x80000003u) {
        g_tally.crashes++;
        ADD_FAILURE() << "the program crashed with status 0x" << std::hex << run.exitCode;
        return false;
    }
    EXPECT_TRUE(run.started);
    return run.started;
}

std::string SmallDrive()
{
    return Environment("KV_FAULTS_SMALL_DRIVE");
}

unsigned long SmallDriveBytes()
{
    return strtoul(Environment("KV_FAULTS_SMALL_BYTES").c_str(), NULL, 10);
}

std::string ReadOnlyDrive()
{
    return Environment("KV_FAULTS_READONLY_DRIVE");
}

std::string NewVersion(const char* installedName)
{
    std::string path = kvtest::PayloadFile(installedName);
    return kvtest::FileExists(path) ? kvtest::ReadFile(path) : "";
}

std::vector<std::string> ProductFileNames()
{
    std::vector<std::string> names;
    for (const std::string& name : kvtest::InstalledNames(false))
        if (!NewVersion(name.c_str()).empty())
            names.push_back(name);
    return names;
}

std::string OldVersion(const std::string& installedName)
{
    return "earlier version of " + installedName + "\r\n";
}

void PlaceOldVersion(const std::string& folder)
{
    for (const std::string& name : ProductFileNames())
        KV_WRITE_FILE(folder + "\\" + name, OldVersion(name));
}

std::vector<std::string> DamagedProductFiles(const std::string& folder)
{
    std::vector<std::string> damaged;
    for (const std::string& name : ProductFileNames()) {
        std::string path = folder + "\\" + name;
        if (!kvtest::FileExists(path))
            continue;
        std::string text = kvtest::ReadFile(path);
        if (text != OldVersion(name) && text != NewVersion(name.c_str()))
            damaged.push_back(name);
    }
    CountLost((int)damaged.size());
    return damaged;
}

} // namespace kvfaults

namespace
{

// Prints the tally once every test has run.
class TallyPrinter : public testing::EmptyTestEventListener
{
    void OnTestProgramEnd(const testing::UnitTest&) override
    {
        const auto& t = kvfaults::g_tally;
        printf("kvfaults tally: %ld %ld %ld %ld %ld\n", t.scenarios, t.faults, t.crashes, t.hangs, t.lost);
        fflush(stdout);
    }
};

} // namespace

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    testing::UnitTest::GetInstance()->listeners().Append(new TallyPrinter);
    return RUN_ALL_TESTS();
}
