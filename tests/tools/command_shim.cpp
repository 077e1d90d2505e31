// The tests' stand-in for command.com, which Wine lacks: the restart-time tests copy it
// into the prefix's system folder, where it runs cmd.exe with its own arguments
// ("command.com /c copy A B" becomes "cmd.exe /c copy A B") and returns its exit code.
#include <windows.h>
#include <stdio.h>

// The command line after the program's own name.
static const char* Arguments(const char* line)
{
    if (*line == '"') {
        line++;
        while (*line && *line != '"')
            line++;
        if (*line == '"')
            line++;
    } else {
        while (*line && *line != ' ' && *line != '\t')
            line++;
    }
    return line;
}

int main(void)
{
    static char command[32768];
    int n = snprintf(command, sizeof command, "cmd.exe%s", Arguments(GetCommandLineA()));
    if (n < 0 || (size_t)n >= sizeof command)
        return 1;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process;
    if (!CreateProcessA(NULL, command, NULL, NULL, FALSE, 0, NULL, NULL, &startup, &process))
        return 1;
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 1;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return (int)code;
}
