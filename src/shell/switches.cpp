// The setup's command-line switches: /S, /DIR=, /GROUP=, /LOG=, /NORESTART, /INI= and /?,
// in any case and any order. A word runs to the next blank outside double quotes, and its
// quotes are dropped, so "/DIR=C:\A B", /DIR="C:\A B" and /DIR=C:\"A B" are one switch. No
// global state, no Win32 call.
#include "shell/shell.h"

enum { WORD_SIZE = KV_LONG_TEXT_SIZE };

// One switch of the table: its name (without '/'), and where its value goes (none for a
// switch without a value).
struct SwitchRow {
    const char* name;
    int flag;         // SWITCH_FLAG_..., for a switch without a value
    size_t valueSize; // 0 for a switch without a value
};

enum {
    SWITCH_FLAG_NONE,
    SWITCH_FLAG_SILENT,
    SWITCH_FLAG_NORESTART,
    SWITCH_FLAG_HELP,
};

static const SwitchRow kSwitches[] = {
    { "S", SWITCH_FLAG_SILENT, 0 },
    { "NORESTART", SWITCH_FLAG_NORESTART, 0 },
    { "?", SWITCH_FLAG_HELP, 0 },
    { "DIR", SWITCH_FLAG_NONE, KV_PATH_SIZE },
    { "GROUP", SWITCH_FLAG_NONE, KV_TEXT_SIZE },
    { "LOG", SWITCH_FLAG_NONE, KV_PATH_SIZE },
    { "INI", SWITCH_FLAG_NONE, KV_PATH_SIZE },
};

static bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// Reads the word at *cursor into word without its quotes and moves the cursor past it.
// returns SWITCHES_OK, SWITCHES_OPEN_QUOTE or SWITCHES_TOO_LONG (the word is then cut)
static int ReadWord(const char** cursor, char* word, size_t size)
{
    const char* p = *cursor;
    size_t n = 0;
    bool quoted = false, cut = false;
    for (; *p && (quoted || !IsBlank(*p)); p++) {
        if (*p == '"') {
            quoted = !quoted;
            continue;
        }
        if (n + 1 < size)
            word[n++] = *p;
        else
            cut = true;
    }
    word[n] = '\0';
    *cursor = p;
    if (quoted)
        return SWITCHES_OPEN_QUOTE;
    return cut ? SWITCHES_TOO_LONG : SWITCHES_OK;
}

// The destination of a switch's value in switches.
static char* ValueOf(SetupSwitches* switches, const char* name)
{
    if (StrCompare(name, "DIR") == 0)
        return switches->dir;
    if (StrCompare(name, "GROUP") == 0)
        return switches->group;
    if (StrCompare(name, "LOG") == 0)
        return switches->log;
    return switches->ini;
}

// Takes one word as a switch. returns SWITCHES_OK or why the word is refused
static int TakeWord(char* word, int wordState, SetupSwitches* switches)
{
    if (word[0] != '/')
        return SWITCHES_UNKNOWN;
    char* name = word + 1;
    char* equals = StrFindChar(name, '=');
    if (equals)
        *equals = '\0';
    const SwitchRow* row = NULL;
    for (const SwitchRow& s : kSwitches) {
        if (StrCompareNoCase(name, s.name) == 0)
            row = &s;
    }
    if (equals)
        *equals = '=';
    if (!row || (row->valueSize == 0 && equals))
        return SWITCHES_UNKNOWN;
    if (row->valueSize == 0) {
        switches->silent |= row->flag == SWITCH_FLAG_SILENT;
        switches->noRestart |= row->flag == SWITCH_FLAG_NORESTART;
        switches->help |= row->flag == SWITCH_FLAG_HELP;
        return wordState;
    }
    if (wordState != SWITCHES_OK)
        return wordState;
    if (!equals || equals[1] == '\0')
        return SWITCHES_MISSING_VALUE;
    // A value that does not fit is refused whole, never kept cut.
    if (StrLength(equals + 1) >= row->valueSize)
        return SWITCHES_TOO_LONG;
    StrCopy(ValueOf(switches, row->name), row->valueSize, equals + 1);
    return SWITCHES_OK;
}

// returns SWITCHES_OK, or the first reason a word was refused (that word in switches->refused);
// the words after a refused one are still read, so that /S and /LOG count wherever they stand
int ParseSetupSwitches(const char* line, SetupSwitches* switches)
{
    memset(switches, 0, sizeof *switches);
    int result = SWITCHES_OK;
    const char* cursor = line ? line : "";
    char word[WORD_SIZE];
    for (;;) {
        while (IsBlank(*cursor))
            cursor++;
        if (*cursor == '\0')
            break;
        int wordState = ReadWord(&cursor, word, sizeof word);
        int taken = TakeWord(word, wordState, switches);
        if (taken != SWITCHES_OK && result == SWITCHES_OK) {
            result = taken;
            StrCopy(switches->refused, sizeof switches->refused, word);
        }
    }
    return result;
}

// returns the words that say why a switch was refused
const char* SwitchRefusalText(int reason)
{
    switch (reason) {
    case SWITCHES_UNKNOWN:
        return "is not a switch of this setup";
    case SWITCHES_MISSING_VALUE:
        return "needs a value after its \"=\"";
    case SWITCHES_TOO_LONG:
        return "has a value that is too long";
    case SWITCHES_OPEN_QUOTE:
        return "opens a quote it does not close";
    default:
        return "is refused";
    }
}
