// What an install leaves on the machine, read and removed for the tests: win.ini's
// [KORVID] section, the registry entries, the Program Manager group's Start Menu folder,
// and scratch folders.
#pragma once
#include <windows.h>
#include <string>
#include <vector>

namespace kvtest
{

// The Windows path of a Unix path of the build tree (Wine maps / to Z:).
std::string WinePath(const char* unixPath);
// A new empty folder under the temporary folder, without a trailing backslash.
std::string MakeScratchFolder(const char* tag);
// Deletes a folder with everything in it.
void DeleteTree(const std::string& folder);
bool FileExists(const std::string& path);
std::string ReadFile(const std::string& path);
std::vector<std::string> ListFiles(const std::string& folder);
// The lines of a text, without their CR LF.
std::vector<std::string> SplitLines(const std::string& text);

std::string WinIni(const char* key);
std::string RegString(HKEY root, const char* key, const char* name);
bool RegKeyExists(HKEY root, const char* key);
// Deletes a key with all its subkeys and values.
void DeleteRegTree(HKEY root, const char* key);

// The Start Menu folder of a Program Manager group and the items in it (names without ".lnk").
std::string GroupFolder(const char* group);
std::vector<std::string> GroupItems(const char* group);
// Closes the Explorer windows that the shell opens for each created group.
void CloseExplorerWindows();

// Runs a command line and waits for it; returns its exit code, or -1 when it did not run.
int RunAndWait(const char* commandLine, DWORD timeout = 120000);

// Removes everything an install of the product may have left: win.ini's [KORVID], the
// class, namespace, uninstall, scheduler and browser entries, and the "KORVID Pro" group.
void RemoveProductState();

} // namespace kvtest
