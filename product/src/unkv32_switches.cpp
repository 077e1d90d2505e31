// The uninstaller's command line: "-f <folder> -d <folder> -g <group> [-s]", each value
// unquoted up to the next switch, and the -o its copy is started with. Nothing here calls
// the system.
#include "unkv32_switches.h"
#include "base/base.h"

// returns the switch that starts at line[i] (a blank-separated "-f", "-d", "-g", "-s" or
// "-o", also with '/'), or -1
static int SwitchAt(const char* line, size_t i)
{
    if (i > 0 && line[i - 1] != ' ' && line[i - 1] != '\t')
        return -1;
    if (line[i] != '-' && line[i] != '/')
        return -1;
    char next = line[i + 1] ? line[i + 2] : 1;
    if (next != '\0' && next != ' ' && next != '\t')
        return -1;
    switch (line[i + 1]) {
    case 'f':
    case 'F':
        return SWITCH_FOLDER;
    case 'd':
    case 'D':
        return SWITCH_DATA;
    case 'g':
    case 'G':
        return SWITCH_GROUP;
    case 's':
    case 'S':
        return SWITCH_SILENT;
    case 'o':
    case 'O':
        return SWITCH_ORIGINAL;
    }
    return -1;
}

// Copies line[begin, end) into value (VALUE_SIZE characters) without the blanks and one pair of quotes around it.
// returns false when it does not fit
static bool CopyValue(const char* line, size_t begin, size_t end, char* value)
{
    while (begin < end && (line[begin] == ' ' || line[begin] == '\t'))
        begin++;
    while (end > begin && (line[end - 1] == ' ' || line[end - 1] == '\t'))
        end--;
    if (end - begin >= 2 && line[begin] == '"' && line[end - 1] == '"') {
        begin++;
        end--;
    }
    if (end - begin >= VALUE_SIZE)
        return false;
    memcpy(value, line + begin, end - begin);
    value[end - begin] = '\0';
    return true;
}

// returns the number of switches found, or -1 when a value is too long
int ParseSwitches(const char* line, char values[SWITCH_COUNT][VALUE_SIZE], bool given[SWITCH_COUNT])
{
    for (int s = 0; s < SWITCH_COUNT; s++) {
        values[s][0] = '\0';
        given[s] = false;
    }
    size_t len = StrLength(line);
    int found = 0;
    int current = -1;
    size_t valueStart = 0;
    for (size_t i = 0; i <= len; i++) {
        int s = i < len ? SwitchAt(line, i) : -1;
        if (s < 0 && i < len)
            continue;
        if (current >= 0 && !CopyValue(line, valueStart, i, values[current]))
            return -1;
        if (s >= 0) {
            given[s] = true;
            current = s;
            valueStart = i + 2 > len ? len : i + 2;
            found++;
            i++;
        }
    }
    return found;
}

// returns true with the copy's arguments in out
bool FormatCopyArguments(char* out, size_t size, const char* arguments, const char* original,
                         unsigned long reportHandle, unsigned long processHandle)
{
    if (size == 0)
        return false;
    out[0] = '\0';
    if (!*original || !IsQuotableText(original)
        || !StrFormat(out, size, "%s -o \"%s\" %lu %lu", arguments, original, reportHandle, processHandle)) {
        out[0] = '\0';
        return false;
    }
    // The copy must read what the original read, and this -o: a value that holds a switch
    // of its own, or an -o the caller gave, would change that.
    char before[SWITCH_COUNT][VALUE_SIZE], after[SWITCH_COUNT][VALUE_SIZE];
    bool givenBefore[SWITCH_COUNT], givenAfter[SWITCH_COUNT];
    char path[VALUE_SIZE];
    unsigned long report = 0, process = 0;
    int found = ParseSwitches(arguments, before, givenBefore);
    bool same = found >= 0 && !givenBefore[SWITCH_ORIGINAL]
        && ParseSwitches(out, after, givenAfter) == found + 1
        && ParseOriginalValue(after[SWITCH_ORIGINAL], path, sizeof path, &report, &process)
        && StrCompare(path, original) == 0 && report == reportHandle && process == processHandle;
    for (int s = 0; same && s < SWITCH_ORIGINAL; s++)
        same = givenBefore[s] == givenAfter[s] && StrCompare(before[s], after[s]) == 0;
    if (!same)
        out[0] = '\0';
    return same;
}

// Reads one unsigned decimal number at *p and the blanks after it. returns false when
// there is none
static bool ReadNumber(const char** p, unsigned long* number)
{
    if (**p < '0' || **p > '9')
        return false;
    *number = ReadDecimal(*p, p);
    while (**p == ' ' || **p == '\t')
        (*p)++;
    return true;
}

// returns true with the original's path and the two handle numbers
bool ParseOriginalValue(const char* value, char* path, size_t size, unsigned long* reportHandle,
                        unsigned long* processHandle)
{
    *reportHandle = 0;
    *processHandle = 0;
    if (size > 0)
        path[0] = '\0';
    const char* begin = value;
    const char* end;
    if (*begin == '"') {
        begin++;
        end = StrFindChar(begin, '"');
        if (!end)
            return false;
    } else {
        // The parser took away the quotes of a value that is a path alone.
        end = begin + StrLength(begin);
    }
    size_t length = (size_t)(end - begin);
    if (length == 0 || length >= size)
        return false;
    const char* p = *end == '"' ? end + 1 : end;
    while (*p == ' ' || *p == '\t')
        p++;
    if (*p != '\0' && !(ReadNumber(&p, reportHandle) && ReadNumber(&p, processHandle) && *p == '\0'))
        return false;
    memcpy(path, begin, length);
    path[length] = '\0';
    return true;
}
