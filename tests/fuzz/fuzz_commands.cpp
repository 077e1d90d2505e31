// Command lines: FormatProgramCommand, FormatFolderProgramCommand, FormatUninstallCommand
// and FormatShellCommand with IsSafeShellPath. A command is built only from texts its
// quotes can hold (no double quote, no control character; for the shell also none of
// & | < > ^ % !), is then exactly the reference text, and its quoted program reads back
// whole; the uninstall entry's command, read by the uninstaller's own ParseSwitches,
// gives back the folder and group it was made from.
#include "fuzz.h"
#include "engine/engine.h"
#include "unkv32_switches.h"

static bool Quotable(const std::string& text)
{
    for (unsigned char c : text) {
        if (c == '"' || c < 0x20 || c == 0x7f)
            return false;
    }
    return true;
}

static bool ShellSafe(const std::string& text)
{
    if (text.empty())
        return false;
    for (unsigned char c : text) {
        if (c < 0x20 || strchr("&|<>^%!\"", c))
            return false;
    }
    return true;
}

// The program a command names: the text inside its first pair of quotes, and the rest.
static bool SplitQuotedProgram(const std::string& command, std::string* program, std::string* rest)
{
    if (command.empty() || command[0] != '"')
        return false;
    size_t close = command.find('"', 1);
    if (close == std::string::npos)
        return false;
    *program = command.substr(1, close - 1);
    *rest = command.substr(close + 1);
    return true;
}

static void CheckProgramCommand(size_t size, const std::string& program, const std::string& arguments)
{
    HeapText programText(program), argumentsText(arguments);
    OutBuffer out(size);
    bool ok = FormatProgramCommand(out.get(), out.size(), programText.get(), argumentsText.get());
    FUZZ_CHECK(out.Terminated());
    if (program.empty() || !Quotable(program)) {
        FUZZ_CHECK(!ok);
        FUZZ_CHECK(size == 0 || out.Text().empty());
        return;
    }
    std::string expected = "\"" + program + "\"" + (arguments.empty() ? "" : " " + arguments);
    FUZZ_CHECK(ok == (expected.size() < size));
    if (!ok)
        return;
    FUZZ_CHECK(out.Text() == expected);
    std::string named, rest;
    FUZZ_CHECK(SplitQuotedProgram(out.Text(), &named, &rest));
    FUZZ_CHECK(named == program);
}

static void CheckFolderProgramCommand(size_t size, const std::string& folder, const std::string& name,
                                      const std::string& arguments)
{
    HeapText folderText(folder), nameText(name), argumentsText(arguments);
    OutBuffer out(size);
    bool ok = FormatFolderProgramCommand(out.get(), out.size(), folderText.get(), nameText.get(),
                                         argumentsText.get());
    FUZZ_CHECK(out.Terminated());
    bool ends = !folder.empty() && (folder.back() == '\\' || folder.back() == '/');
    std::string program = folder + (ends ? "" : "\\") + name;
    if (program.size() >= KV_PATH_SIZE || !Quotable(program)) {
        FUZZ_CHECK(!ok);
        return;
    }
    std::string expected = "\"" + program + "\"" + (arguments.empty() ? "" : " " + arguments);
    FUZZ_CHECK(ok == (expected.size() < size));
    if (ok)
        FUZZ_CHECK(out.Text() == expected);
}

// True when the text holds a blank-separated switch of the uninstaller ("-f", "/S", ...).
static bool HoldsSwitch(const std::string& text)
{
    for (size_t i = 0; i + 1 < text.size(); i++) {
        bool starts = i == 0 || text[i - 1] == ' ' || text[i - 1] == '\t';
        bool ends = i + 2 == text.size() || text[i + 2] == ' ' || text[i + 2] == '\t';
        if (starts && ends && (text[i] == '-' || text[i] == '/') && strchr("fFdDgGsSoO", text[i + 1]))
            return true;
    }
    return false;
}

static bool HasEdgeBlank(const std::string& text)
{
    return !text.empty() && (text.front() == ' ' || text.back() == ' ');
}

static void CheckUninstallCommand(size_t size, const std::string& folder, const std::string& group)
{
    HeapText folderText(folder), groupText(group);
    OutBuffer out(size);
    bool ok = FormatUninstallCommand(out.get(), out.size(), folderText.get(), groupText.get());
    FUZZ_CHECK(out.Terminated());
    if (!Quotable(folder) || !Quotable(group) || HoldsSwitch(folder) || HoldsSwitch(group)) {
        FUZZ_CHECK(!ok);
        FUZZ_CHECK(size == 0 || out.Text().empty());
        return;
    }
    bool ends = !folder.empty() && (folder.back() == '\\' || folder.back() == '/');
    std::string program = folder + (ends ? "" : "\\") + "unkv32.exe";
    std::string arguments = "-f " + folder + " -d " + folder + " -g " + group;
    std::string expected = "\"" + program + "\" " + arguments;
    if (program.size() >= KV_PATH_SIZE || arguments.size() >= KV_PATH_SIZE * 2 + KV_TEXT_SIZE + 16) {
        FUZZ_CHECK(!ok);
        return;
    }
    FUZZ_CHECK(ok == (expected.size() < size));
    if (!ok)
        return;
    FUZZ_CHECK(out.Text() == expected);

    // What the uninstaller reads: the command line after its own quoted name.
    std::string named, rest;
    FUZZ_CHECK(SplitQuotedProgram(out.Text(), &named, &rest));
    FUZZ_CHECK(named == program);
    char values[SWITCH_COUNT][VALUE_SIZE];
    bool given[SWITCH_COUNT];
    HeapText line(rest);
    int found = ParseSwitches(line.get(), values, given);
    // A group longer than a path (blanks around it aside) is more than the uninstaller
    // reads; the setup's groups have at most KV_TEXT_SIZE - 1 characters.
    size_t first = group.find_first_not_of(' '), last = group.find_last_not_of(' ');
    size_t groupLength = first == std::string::npos ? 0 : last - first + 1;
    if (groupLength >= VALUE_SIZE) {
        FUZZ_CHECK(found == -1);
        return;
    }
    FUZZ_CHECK(found == 3);
    FUZZ_CHECK(given[SWITCH_FOLDER] && given[SWITCH_DATA] && given[SWITCH_GROUP] && !given[SWITCH_SILENT]);
    // The uninstaller reads a value without the blanks around it; the folder it compares has
    // none (CheckDestination made it), and -g is read but not used.
    if (!HasEdgeBlank(folder)) {
        FUZZ_CHECK(folder == values[SWITCH_FOLDER]);
        FUZZ_CHECK(folder == values[SWITCH_DATA]);
    }
    if (!HasEdgeBlank(group))
        FUZZ_CHECK(group == values[SWITCH_GROUP]);
}

static void CheckShellCommand(size_t size, const std::string& shell, const std::string& verb,
                              const std::string& path)
{
    HeapText shellText(shell), verbText(verb), pathText(path);
    FUZZ_CHECK(IsSafeShellPath(pathText.get()) == ShellSafe(path));
    FUZZ_CHECK(!IsSafeShellPath(NULL));
    OutBuffer out(size);
    bool ok = FormatShellCommand(out.get(), out.size(), shellText.get(), verbText.get(), pathText.get());
    FUZZ_CHECK(out.Terminated());
    std::string expected = shell + " /c " + verb + " \"" + path + "\"";
    FUZZ_CHECK(ok == (ShellSafe(path) && expected.size() < size));
    if (ok) {
        FUZZ_CHECK(out.Text() == expected);
        // The path fills the last pair of quotes whole.
        FUZZ_CHECK(EndsWith(out.Text(), "\"" + path + "\""));
    } else if (size > 0) {
        FUZZ_CHECK(out.Text().empty());
    }
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzInput input(data, size);
    size_t outSize = input.Size(1024);
    std::string first = input.Text(), second = input.Text(), third = input.Text();
    CheckProgramCommand(outSize, first, second);
    CheckFolderProgramCommand(outSize, first, second, third);
    CheckUninstallCommand(outSize, first, second);
    CheckShellCommand(outSize, first, second, third);
    return 0;
}
