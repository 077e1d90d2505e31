// Reading and removing what an install leaves behind, for the tests' checks and clean-up.
#include "support/product_state.h"
#include "engine/engine.h"
#include <gtest/gtest.h>
#include <ctype.h>
#include <algorithm>
#include <shlobj.h>
#include <shellapi.h>
#include <stdio.h>
#include <string.h>

namespace kvtest
{

std::string WinePath(const char* unixPath)
{
    std::string path = std::string("Z:") + unixPath;
    for (char& c : path)
        if (c == '/')
            c = '\\';
    return path;
}

std::string MakeScratchFolder(const char* tag)
{
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    for (unsigned n = GetTickCount();; n++) {
        char folder[MAX_PATH];
        snprintf(folder, sizeof folder, "%skv-%s-%u", temp, tag, n);
        if (CreateDirectoryA(folder, NULL))
            return folder;
    }
}

void ForEachEntry(const std::string& folder, const std::function<void(const WIN32_FIND_DATAA&)>& visit)
{
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE)
        return;
    do {
        if (strcmp(data.cFileName, ".") != 0 && strcmp(data.cFileName, "..") != 0)
            visit(data);
    } while (FindNextFileA(find, &data));
    FindClose(find);
}

void DeleteTree(const std::string& folder)
{
    ForEachEntry(folder, [&](const WIN32_FIND_DATAA& data) {
        std::string path = folder + "\\" + data.cFileName;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            DeleteTree(path);
        else {
            SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileA(path.c_str());
        }
    });
    RemoveDirectoryA(folder.c_str());
}

bool FileExists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string ReadFile(const std::string& path)
{
    std::string data;
    FILE* f = fopen(path.c_str(), "rb");
    if (!f)
        return data;
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, f)) > 0)
        data.append(buffer, n);
    fclose(f);
    return data;
}

std::vector<std::string> ListFiles(const std::string& folder)
{
    std::vector<std::string> names;
    ForEachEntry(folder, [&](const WIN32_FIND_DATAA& data) {
        if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            names.push_back(data.cFileName);
    });
    return names;
}

std::vector<std::string> SplitLines(const std::string& text)
{
    std::vector<std::string> lines;
    std::string line;
    for (char c : text) {
        if (c == '\n') {
            lines.push_back(line);
            line.clear();
        } else if (c != '\r') {
            line += c;
        }
    }
    if (!line.empty())
        lines.push_back(line);
    return lines;
}

std::string WinIni(const char* key)
{
    char value[1024];
    GetProfileStringA("KORVID", key, "<missing>", value, sizeof value);
    return value;
}

std::string RegString(HKEY root, const char* key, const char* name)
{
    HKEY handle;
    if (RegOpenKeyExA(root, key, 0, KEY_READ, &handle) != ERROR_SUCCESS)
        return "<missing>";
    char buffer[2048] = "";
    DWORD size = sizeof buffer - 1, type = 0;
    LONG rc = RegQueryValueExA(handle, name, NULL, &type, (BYTE*)buffer, &size);
    RegCloseKey(handle);
    if (rc != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ))
        return "<missing>";
    buffer[size] = '\0';
    return buffer;
}

long long RegNumber(HKEY root, const char* key, const char* name)
{
    HKEY handle;
    if (RegOpenKeyExA(root, key, 0, KEY_READ, &handle) != ERROR_SUCCESS)
        return -1;
    DWORD value = 0, size = sizeof value, type = 0;
    LONG rc = RegQueryValueExA(handle, name, NULL, &type, (BYTE*)&value, &size);
    RegCloseKey(handle);
    return rc == ERROR_SUCCESS && type == REG_DWORD ? (long long)value : -1;
}

std::string UninstallValue(const char* name)
{
    return RegString(HKEY_LOCAL_MACHINE, kUninstallEntryKey, name);
}

void DeleteRegTree(HKEY root, const char* key)
{
    HKEY handle;
    if (RegOpenKeyExA(root, key, 0, KEY_READ, &handle) != ERROR_SUCCESS)
        return;
    std::vector<std::string> children;
    char child[256];
    for (DWORD i = 0; RegEnumKeyA(handle, i, child, sizeof child) == ERROR_SUCCESS; i++)
        children.push_back(child);
    RegCloseKey(handle);
    for (const std::string& name : children)
        DeleteRegTree(root, (std::string(key) + "\\" + name).c_str());
    RegDeleteKeyA(root, key);
}

bool RegKeyExists(HKEY root, const char* key)
{
    HKEY handle;
    if (RegOpenKeyExA(root, key, 0, KEY_READ, &handle) != ERROR_SUCCESS)
        return false;
    RegCloseKey(handle);
    return true;
}

std::string GroupFolder(const char* group)
{
    char programs[MAX_PATH] = "";
    SHGetFolderPathA(NULL, CSIDL_PROGRAMS, NULL, 0, programs);
    return std::string(programs) + "\\" + group;
}

std::vector<std::string> GroupItems(const char* group)
{
    std::vector<std::string> items;
    for (const std::string& name : ListFiles(GroupFolder(group)))
        if (name.size() > 4 && name.compare(name.size() - 4, 4, ".lnk") == 0)
            items.push_back(name.substr(0, name.size() - 4));
    return items;
}

static BOOL CALLBACK CloseExplorerWindow(HWND window, LPARAM)
{
    char className[64];
    if (GetClassNameA(window, className, sizeof className) && strcmp(className, "ExplorerWClass") == 0)
        PostMessageA(window, WM_CLOSE, 0, 0);
    return TRUE;
}

void CloseExplorerWindows()
{
    EnumWindows(CloseExplorerWindow, 0);
}

void WriteWholeFile(const char* file, int line, const std::string& path, const std::string& bytes)
{
    FILE* f = fopen(path.c_str(), "wb");
    bool written = f && fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    if ((f && fclose(f) != 0) || !written)
        ADD_FAILURE_AT(file, line) << "could not write " << path;
}

std::string Lower(std::string text)
{
    for (char& c : text)
        c = (char)tolower((unsigned char)c);
    return text;
}

std::string ShortPath(const std::string& path)
{
    char out[MAX_PATH] = "";
    GetShortPathNameA(path.c_str(), out, sizeof out);
    return out;
}

std::string DelCommand(const char* shell, const std::string& path)
{
    return std::string(shell) + " /c del \"" + ShortPath(path) + "\"";
}

std::string FolderOfLength(const std::string& root, size_t length)
{
    std::string path = root;
    char letter = 'a';
    while (path.size() + 1 < length)
        path += "\\" + std::string(std::min<size_t>(60, length - path.size() - 1), letter++);
    if (path.size() < length)
        path += letter;
    return path;
}

std::string ProgramsFolder()
{
    char path[MAX_PATH] = "";
    SHGetFolderPathA(NULL, CSIDL_PROGRAMS, NULL, SHGFP_TYPE_CURRENT, path);
    return path;
}

bool WaitUntil(const std::function<bool()>& done, DWORD hangBoundMs)
{
    for (DWORD start = GetTickCount(); !done();) {
        if (GetTickCount() - start > hangBoundMs)
            return done();
        Sleep(20);
    }
    return true;
}

int RunAndWait(const char* commandLine, DWORD timeout)
{
    std::string line = commandLine;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process;
    if (!CreateProcessA(NULL, &line[0], NULL, NULL, FALSE, 0, NULL, NULL, &startup, &process))
        return -1;
    DWORD code = (DWORD)-1;
    if (WaitForSingleObject(process.hProcess, timeout) == WAIT_OBJECT_0)
        GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return (int)code;
}

void RemoveProductState()
{
    WriteProfileStringA("KORVID", NULL, NULL);
    static const char* const kClasses[] = {
        "CLSID\\{5B1E0C72-3A94-4F6D-8E21-C7D09A3B4A10}",
        "CLSID\\{5B1E0C72-3A94-4F6D-8E21-C7D09A3B4A01}",
        "CLSID\\{5B1E0C72-3A94-4F6D-8E21-C7D09A3B4A0A}",
        "CLSID\\{5B1E0C72-3A94-4F6D-8E21-C7D09A3B4A20}",
    };
    for (const char* key : kClasses)
        DeleteRegTree(HKEY_CLASSES_ROOT, key);
    static const char* const kMachineKeys[] = {
        "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Desktop\\Namespace\\{5b1e0c72-3a94-4f6d-"
        "8e21-c7d09a3b4a01}",
        "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Desktop\\Namespace\\{5b1e0c72-3a94-4f6d-"
        "8e21-c7d09a3b4a0a}",
        "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\MyComputer\\Namespace\\{5b1e0c72-3a94-4f6d-"
        "8e21-c7d09a3b4a01}",
        "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\MyComputer\\Namespace\\{5b1e0c72-3a94-4f6d-"
        "8e21-c7d09a3b4a0a}",
        "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Browser Helper "
        "Objects\\{5B1E0C72-3A94-4F6D-8E21-C7D09A3B4A20}",
        kUninstallEntryKey,
        "SOFTWARE\\Oxtavine",
    };
    for (const char* key : kMachineKeys)
        DeleteRegTree(HKEY_LOCAL_MACHINE, key);
    HKEY run;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion\\Run", 0,
                      KEY_SET_VALUE, &run)
        == ERROR_SUCCESS) {
        RegDeleteValueA(run, "KORVID Queue Scheduler");
        RegCloseKey(run);
    }
    DeleteTree(GroupFolder("KORVID Pro"));
}

} // namespace kvtest
