// Command lines the setup starts or stores for the next start. A program's path always
// goes in double quotes, so that "C:\Program Files\..." can never start C:\Program.exe; a
// path that cannot be quoted safely is refused.
#include "engine/engine.h"
#include <string.h>

// returns true when the text holds no double quote and no control character
static bool CanBeQuoted(const char* text)
{
    for (const unsigned char* p = (const unsigned char*)text; *p; p++) {
        if (*p == '"' || *p < 0x20)
            return false;
    }
    return true;
}

// returns true with "program" arguments (or "program" alone) in out; false when program
// holds a double quote or a control character, or the command does not fit
bool FormatProgramCommand(char* out, size_t size, const char* program, const char* arguments)
{
    if (size > 0)
        out[0] = '\0';
    if (!program || !*program || !CanBeQuoted(program))
        return false;
    if (arguments && *arguments)
        return StrFormat(out, size, "\"%s\" %s", program, arguments);
    return StrFormat(out, size, "\"%s\"", program);
}

// returns true with "folder\name" arguments in out (see FormatProgramCommand)
bool FormatFolderProgramCommand(char* out, size_t size, const char* folder, const char* name,
                                const char* arguments)
{
    char program[KV_PATH_SIZE];
    if (!JoinPath(program, ARRAY_SIZE(program), folder, name))
        return false;
    return FormatProgramCommand(out, size, program, arguments);
}

// returns the WinExec result, or 0 when the command could not be built
UINT StartProgram(const char* folder, const char* name, const char* arguments, UINT show)
{
    char command[KV_PATH_SIZE + 64];
    if (!FormatFolderProgramCommand(command, ARRAY_SIZE(command), folder, name, arguments))
        return 0;
    return WinExec(command, show);
}
