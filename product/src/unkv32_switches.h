// The uninstaller's command line: its switches and their values, and the line its copy in
// the temporary folder is started with.
#pragma once
#include <stddef.h>

// SWITCH_ORIGINAL (-o) is the uninstaller's own: the copy it starts gets the original's
// path there, and the two handles through which it reports and waits (see FormatCopyArguments).
enum { SWITCH_FOLDER, SWITCH_DATA, SWITCH_GROUP, SWITCH_SILENT, SWITCH_ORIGINAL, SWITCH_COUNT };
// A value's buffer: a path of at most 260 characters and its terminator.
enum { VALUE_SIZE = 261 };

// Fills values[] from the switches of line (a later switch wins; a switch with nothing
// after it leaves its value empty) and given[] with the switches present. A value is
// taken without the blanks and one pair of double quotes around it. returns the number of
// switches found, or -1 when a value is too long for its buffer
int ParseSwitches(const char* line, char values[SWITCH_COUNT][VALUE_SIZE], bool given[SWITCH_COUNT]);

// The copy's command line after its program: the original's arguments as they were, then
// -o "<original>" <report> <process>, the numbers of the inherited handles of the pipe the
// copy reports its exit code through and of the original's process. returns false (out
// empty) when the original cannot stand in quotes, when the line would read back other
// values than the original's or another -o, or when it does not fit
bool FormatCopyArguments(char* out, size_t size, const char* arguments, const char* original,
                         unsigned long reportHandle, unsigned long processHandle);
// Reads the value of -o: the quoted path, then the two handle numbers (both 0 when the
// value is a path alone). returns false when the value is none of these or the path does
// not fit size
bool ParseOriginalValue(const char* value, char* path, size_t size, unsigned long* reportHandle,
                        unsigned long* processHandle);
