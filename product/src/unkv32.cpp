// unkv32.exe, the program the uninstall entry names:
//   "<folder>\unkv32.exe" -f <folder> -d <folder> -g <group>
// The folder and group follow their switches unquoted and may hold blanks, so a value runs
// up to the next switch. It shows what it was given and points to the setup program's
// Uninstall choice, which does the removal.
#include <windows.h>
#include <stdio.h>

enum { SWITCH_FOLDER, SWITCH_DATA, SWITCH_GROUP, SWITCH_COUNT };
enum { VALUE_SIZE = MAX_PATH + 1 };

static const char kCaption[] = "KORVID Pro Uninstall";

// returns the switch that starts at line[i] (a blank-separated "-f", "-d" or "-g", also
// with '/'), or -1
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
    }
    return -1;
}

// Copies line[begin, end) into value without the blanks and one pair of quotes around it.
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

// Fills values[] from the switches of line (a later switch wins); a switch not given
// leaves its value empty. returns the number of switches found, or -1 when a value is
// too long
static int ParseSwitches(const char* line, char values[SWITCH_COUNT][VALUE_SIZE])
{
    for (int s = 0; s < SWITCH_COUNT; s++)
        values[s][0] = '\0';
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
            current = s;
            valueStart = i + 2 > len ? len : i + 2;
            found++;
            i++;
        }
    }
    return found;
}

// returns 0 after the user read the message, 1 when the command line was not usable
int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR cmdLine, int show)
{
    (void)instance;
    (void)previous;
    (void)show;
    char values[SWITCH_COUNT][VALUE_SIZE];
    int found = ParseSwitches(cmdLine ? cmdLine : "", values);
    if (found <= 0) {
        MessageBoxA(NULL,
                    found < 0 ? "A folder or group name is too long."
                              : "Usage: unkv32 -f <folder> -d <folder> -g <group>",
                    kCaption, MB_OK | MB_ICONSTOP);
        return 1;
    }
    char text[4 * VALUE_SIZE + 256];
    snprintf(text, sizeof(text),
             "KORVID Pro installation:\n\n"
             "Program folder (-f): %s\nData folder (-d): %s\nProgram group (-g): %s\n\n"
             "To remove it, run the KORVID Pro setup program and choose Uninstall.",
             values[SWITCH_FOLDER], values[SWITCH_DATA], values[SWITCH_GROUP]);
    MessageBoxA(NULL, text, kCaption, MB_OK | MB_ICONINFORMATION);
    return 0;
}
