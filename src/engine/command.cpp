// Command lines the setup starts or stores for the next start. A program's path always
// goes in double quotes, so that "C:\Program Files\..." can never start C:\Program.exe; a
// path that cannot be quoted safely is refused.
#include "engine/engine.h"

// returns true with "program" arguments (or "program" alone) in out; false when program
// holds a double quote or a control character, or the command does not fit
bool FormatProgramCommand(char* out, size_t size, const char* program, const char* arguments)
{
    if (size > 0)
        out[0] = '\0';
    if (!program || !*program || !IsQuotableText(program))
        return false;
    if (arguments && *arguments)
        return StrFormat(out, size, "\"%s\" %s", program, arguments);
    return StrFormat(out, size, "\"%s\"", program);
}

// returns true with "folder\name" arguments in out (see FormatProgramCommand)
bool FormatFolderProgramCommand(char* out, size_t size, const char* folder, const char* name,
                                const char* arguments)
{
    if (size > 0)
        out[0] = '\0';
    char program[KV_PATH_SIZE];
    if (!JoinPath(program, ARRAY_SIZE(program), folder, name))
        return false;
    return FormatProgramCommand(out, size, program, arguments);
}

// Starts folder\name (its path quoted) shown as asked, with folder as its current folder:
// a product program finds its own files beside it, whatever folder the setup has current.
// returns true with the process's handles in *process (the caller closes them)
static bool StartInFolder(const char* folder, const char* name, const char* arguments, UINT show,
                          PROCESS_INFORMATION* process)
{
    char command[KV_PATH_SIZE + 64];
    if (!FormatFolderProgramCommand(command, ARRAY_SIZE(command), folder, name, arguments))
        return false;
    STARTUPINFOA startup;
    memset(&startup, 0, sizeof startup);
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = (WORD)show;
    return CreateProcessA(NULL, command, NULL, NULL, FALSE, 0, NULL, folder, &startup, process) != 0;
}

// returns true when text holds a blank-separated "-f", "-d", "-g", "-s" or "-o" (or with '/'),
// which the uninstaller would read as the start of another value
static bool HoldsUninstallSwitch(const char* text)
{
    for (const char* p = text; *p; p++) {
        bool starts = p == text || p[-1] == ' ' || p[-1] == '\t';
        if (!starts || (*p != '-' && *p != '/') || !StrFindChar("fFdDgGsSoO", p[1]) || !p[1])
            continue;
        if (p[2] == '\0' || p[2] == ' ' || p[2] == '\t')
            return true;
    }
    return false;
}

// returns true with the uninstall entry's command in out; false when the folder or group
// cannot be passed safely or the command does not fit
bool FormatUninstallCommand(char* out, size_t size, const char* folder, const char* group)
{
    if (size > 0)
        out[0] = '\0';
    const char* values[] = { folder, group };
    for (const char* value : values) {
        if (!value || !IsQuotableText(value) || HoldsUninstallSwitch(value))
            return false;
    }
    char program[KV_PATH_SIZE];
    char arguments[KV_PATH_SIZE * 2 + KV_TEXT_SIZE + 16];
    return JoinPath(program, ARRAY_SIZE(program), folder, "unkv32.exe")
        && StrFormat(arguments, ARRAY_SIZE(arguments), "-f %s -d %s -g %s", folder, folder, group)
        && FormatProgramCommand(out, size, program, arguments);
}

// True when the path can stand in double quotes on a line that a command shell parses: the
// shell still reads & | < > ^ % ! and the quote itself inside quotes, and a control
// character would end or split the line.
bool IsSafeShellPath(const char* path)
{
    if (!path || !*path)
        return false;
    for (const unsigned char* p = (const unsigned char*)path; *p; p++) {
        if (*p < 0x20 || StrFindChar("&|<>^%!\"", *p))
            return false;
    }
    return true;
}

// returns true with <shell> /c <verb> "<path>" in out; false (out empty) when the path is
// not safe for the shell or the command does not fit
bool FormatShellCommand(char* out, size_t size, const char* shell, const char* verb, const char* path)
{
    if (size > 0)
        out[0] = '\0';
    if (!IsSafeShellPath(path))
        return false;
    if (!StrFormat(out, size, "%s /c %s \"%s\"", shell, verb, path)) {
        out[0] = '\0';
        return false;
    }
    return true;
}

// returns true with the short (8.3) form of an existing path in out; false when the system
// could not convert it or the result does not fit
bool GetShortPath(const char* path, char* out, size_t size)
{
    if (size > 0)
        out[0] = '\0';
    DWORD length = GetShortPathNameA(path, out, (DWORD)size);
    if (length == 0 || length >= size) {
        if (size > 0)
            out[0] = '\0';
        return false;
    }
    return true;
}

// returns true with the command for the next start that runs verb on the short path of
// path, through "cmd.exe" on Windows NT and "command.com" otherwise
bool BuildRestartCommand(char* out, size_t size, const char* verb, const char* path)
{
    char shortPath[KV_PATH_SIZE];
    if (size > 0)
        out[0] = '\0';
    if (!GetShortPath(path, shortPath, ARRAY_SIZE(shortPath)))
        return false;
    return FormatShellCommand(out, size, g_bWinNT ? "cmd.exe" : "command.com", verb, shortPath);
}

// returns 1 when folder\name (its path quoted) started and ended within timeoutMs, else 0
int RunProgramAndWait(const char* folder, const char* name, const char* arguments, UINT show, DWORD timeoutMs)
{
    PROCESS_INFORMATION process;
    if (!StartInFolder(folder, name, arguments, show, &process))
        return 0;
    int ended = WaitForSingleObject(process.hProcess, timeoutMs) == WAIT_OBJECT_0 ? 1 : 0;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return ended;
}
