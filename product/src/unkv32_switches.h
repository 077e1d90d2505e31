// The uninstaller's command line: its switches and their values.
#pragma once
#include <stddef.h>

enum { SWITCH_FOLDER, SWITCH_DATA, SWITCH_GROUP, SWITCH_SILENT, SWITCH_COUNT };
// A value's buffer: a path of at most 260 characters and its terminator.
enum { VALUE_SIZE = 261 };

// Fills values[] from the switches of line (a later switch wins; a switch with nothing
// after it leaves its value empty) and given[] with the switches present. A value is
// taken without the blanks and one pair of double quotes around it. returns the number of
// switches found, or -1 when a value is too long for its buffer
int ParseSwitches(const char* line, char values[SWITCH_COUNT][VALUE_SIZE], bool given[SWITCH_COUNT]);
