// Messages by number and the setup log: texts come from the string table with a fixed
// fallback, variable parts are filled by the platform's message formatter, and an
// unattended run writes its texts line by line to setup.log in the work folder.
#include "base/base.h"
#include <stdarg.h>

static const char kLogFileName[] = "setup.log";
// The log's file: setup.log in the current directory unless the command line named another.
static char s_logFile[KV_PATH_SIZE] = "setup.log";

// returns false when the path does not fit (the log then stays where it was)
bool SetLogFile(const char* path)
{
    if (!path || !path[0])
        return StrCopy(s_logFile, sizeof s_logFile, kLogFileName);
    char kept[KV_PATH_SIZE];
    StrCopy(kept, sizeof kept, s_logFile);
    if (StrCopy(s_logFile, sizeof s_logFile, path))
        return true;
    StrCopy(s_logFile, sizeof s_logFile, kept);
    return false;
}

// returns 1 when the string was loaded, 0 when the buffer holds the fallback text
int LoadMessage(UINT id, char* buffer, int size)
{
    if (size <= 0 || !buffer)
        return 0;
    if (LoadStringA(g_hInstance, id, buffer, size) > 0)
        return 1;
    // A missing string shows its number, so the caller still has something to show.
    char fallback[KV_MESSAGE_SIZE];
    StrFormat(fallback, sizeof fallback, "%u DEBUG - Unable to load string", id);
    StrCopy(buffer, (size_t)size, fallback);
    return 0;
}

// returns the characters written; 0 when the formatter failed or the text would not fit
// KV_FORMAT_SIZE, and then the output is left as it was
int FormatText(char* output, const char* text, ...)
{
    // Formatted apart first, so a rejected template or a cut text never reaches output.
    char formatted[KV_FORMAT_SIZE];
    va_list args;
    va_start(args, text);
    DWORD written =
        FormatMessageA(FORMAT_MESSAGE_FROM_STRING, text, 0, 0, formatted, ARRAY_SIZE(formatted), &args);
    va_end(args);
    if (written == 0 || written >= ARRAY_SIZE(formatted))
        return 0;
    formatted[written] = '\0';
    StrCopy(output, KV_FORMAT_SIZE, formatted);
    return (int)written;
}

// Appends text and a line break to setup.log; a log that cannot be opened drops the line.
void LogLine(const char* text)
{
    if (!g_bLogging)
        return;
    AppendTextLine(s_logFile, text ? text : "");
}
