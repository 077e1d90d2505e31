// The setup's command line, ParseSetupSwitches, on any line: every value and the refused
// word end within their buffers and hold no double quote, and a value is given only by a
// line that names its switch.
// The uninstaller's command line, ParseSwitches. On any line: a value never outgrows its
// buffer, is a piece of the line, and holds no switch of its own (a switch ends the value
// before it); one more switch at the end is one more found. On a line made from chosen values (blanks,
// tabs, '-' or '/', either letter case, any order, -s anywhere) every value comes back
// exactly.
#include "fuzz.h"
#include "unkv32_switches.h"
#include "shell/shell.h"
#include <ctype.h>

static bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

// The number of switches ParseSwitches reads in the text, -1 when it refuses it.
static int Found(const std::string& text, char values[SWITCH_COUNT][VALUE_SIZE], bool given[SWITCH_COUNT])
{
    HeapText heap(text);
    return ParseSwitches(heap.get(), values, given);
}

static void CheckAnyLine(const std::string& line)
{
    char values[SWITCH_COUNT][VALUE_SIZE];
    bool given[SWITCH_COUNT];
    memset(values, 0xA5, sizeof values);
    int found = Found(line, values, given);
    if (found < 0)
        return;
    for (int s = 0; s < SWITCH_COUNT; s++) {
        FUZZ_CHECK(memchr(values[s], 0, VALUE_SIZE) != NULL);
        std::string value = values[s];
        FUZZ_CHECK(value.empty() || given[s]);
        FUZZ_CHECK(line.find(value) != std::string::npos);
        // Read again alone, a value holds no switch, unless the line quotes it.
        char inner[SWITCH_COUNT][VALUE_SIZE];
        bool innerGiven[SWITCH_COUNT];
        FUZZ_CHECK(Found(value, inner, innerGiven) == 0
                   || (value.size() >= 2 && line.find("\"" + value + "\"") != std::string::npos));
    }
    // One more -s at the end is one more switch found, with an empty value (the later one
    // wins), and changes no other value.
    char more[SWITCH_COUNT][VALUE_SIZE];
    bool moreGiven[SWITCH_COUNT];
    FUZZ_CHECK(Found(line + " -s", more, moreGiven) == found + 1);
    for (int s = 0; s < SWITCH_COUNT; s++) {
        FUZZ_CHECK(strcmp(s == SWITCH_SILENT ? "" : values[s], more[s]) == 0);
        FUZZ_CHECK(moreGiven[s] == (given[s] || s == SWITCH_SILENT));
    }
}

// A value as the line holds it: no blank at either end, no double quote, no switch.
static std::string CleanValue(std::string value)
{
    std::string clean;
    for (char c : value.substr(0, VALUE_SIZE - 1)) {
        if (c != '"')
            clean += c;
    }
    while (!clean.empty() && IsBlank(clean.back()))
        clean.pop_back();
    while (!clean.empty() && IsBlank(clean.front()))
        clean.erase(clean.begin());
    // No '-' or '/' starts a word of it, so it holds no switch.
    for (size_t i = 0; i < clean.size(); i++) {
        if ((clean[i] == '-' || clean[i] == '/') && (i == 0 || IsBlank(clean[i - 1])))
            clean[i] = '_';
    }
    return clean;
}

static void CheckMadeLine(FuzzInput& input)
{
    static const char letters[SWITCH_COUNT] = { 'f', 'd', 'g', 's' };
    std::string values[SWITCH_COUNT];
    for (int s = 0; s < SWITCH_SILENT; s++)
        values[s] = CleanValue(input.Text());
    unsigned order = input.Byte(), style = input.Byte(), silentAt = input.Byte() % 4;
    std::string line;
    bool silent = style & 0x80;
    for (int n = 0; n < SWITCH_SILENT; n++) {
        int s = (int)((order >> (2 * n)) % SWITCH_SILENT);
        std::string blank = style & (1u << n) ? "\t" : " ";
        if (silent && (unsigned)n == silentAt)
            line += blank + (style & 0x40 ? "/S" : "-s") + blank;
        char letter = style & 0x20 ? (char)(letters[s] - ('a' - 'A')) : letters[s];
        line += blank + (style & 0x10 ? "/" : "-") + letter + blank + values[s];
    }
    if (silent && silentAt == 3)
        line += " -s";
    // The same switch given twice: the later one wins.
    std::string expected[SWITCH_COUNT];
    bool present[SWITCH_COUNT] = {};
    int switches = 0;
    for (int n = 0; n < SWITCH_SILENT; n++) {
        int s = (int)((order >> (2 * n)) % SWITCH_SILENT);
        expected[s] = values[s];
        present[s] = true;
        switches++;
    }
    if (silent) {
        present[SWITCH_SILENT] = true;
        switches++;
    }

    HeapText text(line);
    char parsed[SWITCH_COUNT][VALUE_SIZE];
    bool given[SWITCH_COUNT];
    int found = ParseSwitches(text.get(), parsed, given);
    FUZZ_CHECK(found == switches);
    for (int s = 0; s < SWITCH_COUNT; s++) {
        FUZZ_CHECK(given[s] == present[s]);
        FUZZ_CHECK(expected[s] == parsed[s]);
    }
}

// True when the line, upper-cased and without its quotes, holds the text.
static bool Names(const std::string& line, const char* text)
{
    std::string plain;
    for (char c : line)
        if (c != '"')
            plain += (char)toupper((unsigned char)c);
    return plain.find(text) != std::string::npos;
}

static void CheckSetupLine(const std::string& line)
{
    HeapText text(line);
    SetupSwitches switches;
    memset(&switches, 0xA5, sizeof switches);
    int result = ParseSetupSwitches(text.get(), &switches);
    const char* values[] = { switches.dir, switches.group, switches.log, switches.ini, switches.refused };
    const size_t sizes[] = { sizeof switches.dir, sizeof switches.group, sizeof switches.log,
                             sizeof switches.ini, sizeof switches.refused };
    for (int v = 0; v < 5; v++) {
        FUZZ_CHECK(memchr(values[v], 0, sizes[v]) != NULL);
        FUZZ_CHECK(strchr(values[v], '"') == NULL);
    }
    FUZZ_CHECK(!switches.dir[0] || Names(line, "/DIR="));
    FUZZ_CHECK(!switches.group[0] || Names(line, "/GROUP="));
    FUZZ_CHECK(!switches.log[0] || Names(line, "/LOG="));
    FUZZ_CHECK(!switches.ini[0] || Names(line, "/INI="));
    FUZZ_CHECK(!switches.silent || Names(line, "/S"));
    FUZZ_CHECK(result != SWITCHES_OK || switches.refused[0] == '\0');
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    CheckSetupLine(std::string((const char*)data, size));
    FuzzInput input(data, size);
    if (input.Byte() & 1)
        CheckMadeLine(input);
    else
        CheckAnyLine(input.Text());
    return 0;
}
