// The fault and bad-input suite: whole-program scenarios under faults the tests inject (a
// full disk, a read-only drive, cut-off paths, a Cancel at every file, files in use, hostile
// option files, no Program Manager). The suite keeps one tally over all its scenarios and
// prints it at the end; run-faults.sh adds up the tallies of its passes into the summary.
#pragma once
#include <windows.h>
#include <string>
#include <vector>
#include "support/harness.h"
#include "support/machine.h"
#include "engine/engine.h"

namespace kvfaults
{

// One scenario run (a table row counts as one).
void CountScenario();
// Faults injected into the current scenario.
void CountFaults(int count = 1);
// Files lost or damaged: a file that was there before and is gone or changed when it
// should not be, or a product file that is neither its old nor its new version whole.
void CountLost(int count = 1);
// Checks, at the caller's file and line, that a file is there with the bytes it had; counts
// it lost when not. returns whether it was kept
bool ExpectKept(const char* file, int line, const std::string& path, const std::string& bytes);
#define KV_EXPECT_KEPT(path, bytes) kvfaults::ExpectKept(__FILE__, __LINE__, path, bytes)
// Counts a crash (the program ended by an exception) or a hang (the harness had to end
// it). returns true when the run ended on its own
bool EndedCleanly(const kve2e::RunResult& run);

// The drives run-faults.sh mapped: a small filesystem ("K:", its size in bytes) and a
// read-only one holding the folder "KORVID Pro" with a file "keep.txt". "" when not mapped.
std::string SmallDrive();
unsigned long SmallDriveBytes();
std::string ReadOnlyDrive();

// A product file as the package carries it (unpacked), "" when the package has none.
std::string NewVersion(const char* installedName);
// Every file a default install places, by installed name (the rows the package carries).
std::vector<std::string> ProductFileNames();
// Writes an earlier version of every product file into folder: text that names the file,
// so that it differs from the new one and from every other file.
void PlaceOldVersion(const std::string& folder);
std::string OldVersion(const std::string& installedName);
// Counts (and reports through CountLost) the product files in folder that are present and
// neither their old nor their new version whole. returns their names
std::vector<std::string> DamagedProductFiles(const std::string& folder);

} // namespace kvfaults
