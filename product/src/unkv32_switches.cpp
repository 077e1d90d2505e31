// The uninstaller's command line: "-f <folder> -d <folder> -g <group> [-s]", each value
// unquoted up to the next switch. Nothing here calls the system.
#include "unkv32_switches.h"
#include <string.h>

// returns the switch that starts at line[i] (a blank-separated "-f", "-d", "-g" or "-s",
// also with '/'), or -1
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
    size_t len = strlen(line);
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
