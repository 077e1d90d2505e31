// What an install leaves on the machine, read and removed for the tests: win.ini's
// [KORVID] section, the registry entries, the Program Manager group's Start Menu folder,
// and scratch folders.
#pragma once
#include <windows.h>
#include <functional>
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
// Writes bytes as the whole file (a failure at the caller's file and line when it cannot).
void WriteWholeFile(const char* file, int line, const std::string& path, const std::string& bytes);
#define KV_WRITE_FILE(path, bytes) kvtest::WriteWholeFile(__FILE__, __LINE__, path, bytes)
// The text in lower case, a path's short form, and a folder path of exactly length characters
// below root (nested folders of at most 60).
std::string Lower(std::string text);
std::string ShortPath(const std::string& path);
// The command the restart runs to delete a file: <shell> /c del "<its short path>".
std::string DelCommand(const char* shell, const std::string& path);
std::string FolderOfLength(const std::string& root, size_t length);
// The Start Menu's Programs folder.
std::string ProgramsFolder();
// Calls visit with each entry directly under folder, "." and ".." left out.
void ForEachEntry(const std::string& folder, const std::function<void(const WIN32_FIND_DATAA&)>& visit);
std::vector<std::string> ListFiles(const std::string& folder);
// The lines of a text, without their CR LF.
std::vector<std::string> SplitLines(const std::string& text);

std::string WinIni(const char* key);
std::string RegString(HKEY root, const char* key, const char* name);
// A DWORD value, -1 when the key or value is missing or of another type.
long long RegNumber(HKEY root, const char* key, const char* name);
// A text value of the product's uninstall entry, "<missing>" when none.
std::string UninstallValue(const char* name);
bool RegKeyExists(HKEY root, const char* key);
// Deletes a key with all its subkeys and values.
void DeleteRegTree(HKEY root, const char* key);

// The Start Menu folder of a Program Manager group and the items in it (names without ".lnk").
std::string GroupFolder(const char* group);
std::vector<std::string> GroupItems(const char* group);
// Closes the Explorer windows that the shell opens for each created group.
void CloseExplorerWindows();

// Polls until done() holds; returns whether it does. hangBoundMs only ends a wait for a state
// that never comes, so that a failing test fails rather than hangs.
bool WaitUntil(const std::function<bool()>& done, DWORD hangBoundMs = 30000);

// Runs a command line and waits for it; returns its exit code, or -1 when it did not run.
int RunAndWait(const char* commandLine, DWORD timeout = 120000);

// Removes everything an install of the product may have left: win.ini's [KORVID], the
// class, namespace, uninstall, scheduler and browser entries, and the "KORVID Pro" group.
void RemoveProductState();

} // namespace kvtest
