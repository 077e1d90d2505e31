// The Program Manager texts: ResolveProgmanItem, the four commands, ProgmanCommandSize,
// CopyGroupList and NextGroupName. A command is built only from fields its quotes can hold,
// and read back the way the server reads it (split at , ( ) [ ] outside double quotes) it
// gives exactly its command name and fields; a buffer of ProgmanCommandSize always holds
// it. A group list is cut only after a whole name, and every name handed on is whole.
#include "fuzz.h"
#include "progman/progman.h"

static bool Quotable(const std::string& text)
{
    for (unsigned char c : text) {
        if (c == '"' || c < 0x20 || c == 0x7f)
            return false;
    }
    return true;
}

// The server's reading of "[Name(arg,arg,...)]": the name, then each argument, a quoted
// one whole. returns false when the text is not one such command.
static bool ParseCommand(const std::string& text, std::string* name, std::vector<std::string>* args)
{
    if (text.size() < 4 || text[0] != '[' || text.substr(text.size() - 2) != ")]")
        return false;
    size_t open = text.find('(');
    if (open == std::string::npos)
        return false;
    *name = text.substr(1, open - 1);
    args->clear();
    std::string current;
    bool quoted = false;
    for (size_t i = open + 1; i < text.size() - 2; i++) {
        char c = text[i];
        if (c == '"') {
            quoted = !quoted;
        } else if (!quoted && c == ',') {
            args->push_back(current);
            current.clear();
        } else if (!quoted && strchr("()[]", c)) {
            return false;
        } else {
            current += c;
        }
    }
    if (quoted)
        return false;
    args->push_back(current);
    return true;
}

static void CheckOneFieldCommand(bool (*format)(char*, size_t, const char*), const char* command, size_t size,
                                 const std::string& field)
{
    HeapText fieldText(field);
    OutBuffer out(size);
    bool ok = format(out.get(), out.size(), fieldText.get());
    FUZZ_CHECK(out.Terminated());
    FUZZ_CHECK(IsSafeProgmanText(fieldText.get()) == Quotable(field));
    if (!Quotable(field)) {
        FUZZ_CHECK(!ok);
        FUZZ_CHECK(size == 0 || out.Text().empty());
        return;
    }
    std::string expected = std::string("[") + command + "(\"" + field + "\")]";
    FUZZ_CHECK(ok == (expected.size() < size));
    if (ok) {
        FUZZ_CHECK(out.Text() == expected);
        std::string name;
        std::vector<std::string> args;
        FUZZ_CHECK(ParseCommand(out.Text(), &name, &args));
        FUZZ_CHECK(name == command && args.size() == 1 && args[0] == field);
    }
    // The size the client allocates for the field holds the command.
    OutBuffer sized(ProgmanCommandSize(field.size()));
    FUZZ_CHECK(sized.size() >= PROGMAN_COMMAND_SIZE);
    FUZZ_CHECK(format(sized.get(), sized.size(), fieldText.get()));
}

static void CheckItem(size_t size, const std::string& itemName, const std::string& folder,
                      const std::string& fileName, const std::string& commandLine, const std::string& current)
{
    HeapText itemText(itemName), folderText(folder), fileText(fileName), commandText(commandLine),
        currentText(current);
    ProgmanItem item;
    bool resolved = ResolveProgmanItem(&item, itemText.get(), folderText.get(), fileText.get(),
                                       commandText.get(), currentText.get());
    std::string workFolder = folder.empty() ? current : folder;
    std::string defaultCommand;
    if (fileName.find('\\') != std::string::npos) {
        defaultCommand = fileName;
    } else {
        bool ends = !workFolder.empty() && (workFolder.back() == '\\' || workFolder.back() == '/');
        defaultCommand = workFolder + (ends ? "" : "\\") + fileName;
    }
    bool fits =
        workFolder.size() < KV_PATH_SIZE && (!commandLine.empty() || defaultCommand.size() < KV_PATH_SIZE);
    FUZZ_CHECK(resolved == fits);
    if (!resolved)
        return;
    FUZZ_CHECK(item.workFolder == workFolder);
    FUZZ_CHECK(item.itemName == (itemName.empty() ? fileName : itemName));
    FUZZ_CHECK(item.commandLine == (commandLine.empty() ? defaultCommand : commandLine));

    OutBuffer out(size);
    bool ok = FormatAddItemCommand(out.get(), out.size(), &item);
    FUZZ_CHECK(out.Terminated());
    std::string command = item.commandLine, name = item.itemName;
    if (!Quotable(command) || !Quotable(name) || !Quotable(workFolder)) {
        FUZZ_CHECK(!ok);
        FUZZ_CHECK(size == 0 || out.Text().empty());
        return;
    }
    std::string expected = "[AddItem(\"" + command + "\",\"" + name + "\",,,,,\"" + workFolder + "\")]";
    FUZZ_CHECK(ok == (expected.size() < size));
    if (ok) {
        FUZZ_CHECK(out.Text() == expected);
        std::string parsedName;
        std::vector<std::string> args;
        FUZZ_CHECK(ParseCommand(out.Text(), &parsedName, &args));
        FUZZ_CHECK(parsedName == "AddItem" && args.size() == 7);
        FUZZ_CHECK(args[0] == command && args[1] == name && args[6] == workFolder);
        for (int i = 2; i < 6; i++)
            FUZZ_CHECK(args[i].empty());
    }
    OutBuffer sized(ProgmanCommandSize(command.size() + name.size() + workFolder.size()));
    FUZZ_CHECK(FormatAddItemCommand(sized.get(), sized.size(), &item));
}

static bool IsListSeparator(char c)
{
    return c == '\r' || c == '\n';
}

static std::vector<std::string> Names(const std::string& list)
{
    std::vector<std::string> names;
    std::string current;
    for (char c : list + "\n") {
        if (!IsListSeparator(c)) {
            current += c;
        } else if (!current.empty()) {
            names.push_back(current);
            current.clear();
        }
    }
    return names;
}

static void CheckGroupList(size_t size, size_t nameSize, const std::string& reply, bool noReply)
{
    OutBuffer list(size);
    // The reply in a block of its own size, as the server's data arrives.
    char* data = (char*)malloc(reply.size() ? reply.size() : 1);
    memcpy(data, reply.data(), reply.size());
    bool whole = CopyGroupList(list.get(), list.size(), noReply ? NULL : data, reply.size());
    free(data);
    FUZZ_CHECK(list.Terminated());
    if (size == 0) {
        FUZZ_CHECK(!whole && list.Untouched());
        return;
    }
    std::string text = noReply ? std::string() : reply.substr(0, reply.find('\0'));
    std::string copied = list.Text();
    FUZZ_CHECK(whole == (text.size() < size));
    if (whole) {
        FUZZ_CHECK(copied == text);
    } else {
        // Cut after a whole name: what follows in the reply is a separator.
        FUZZ_CHECK(copied.size() < size && StartsWith(text, copied));
        FUZZ_CHECK(copied.empty() || IsListSeparator(text[copied.size()]));
        FUZZ_CHECK(copied.empty() || !IsListSeparator(copied.back()));
    }

    // Every name of the list that fits the caller's buffer, in order, each whole.
    std::vector<std::string> expected;
    for (const std::string& name : Names(copied)) {
        if (name.size() < nameSize)
            expected.push_back(name);
    }
    HeapText listText(copied);
    const char* cursor = listText.get();
    OutBuffer name(nameSize);
    size_t count = 0;
    while (NextGroupName(&cursor, name.get(), name.size())) {
        FUZZ_CHECK(count < expected.size());
        FUZZ_CHECK(name.Terminated() && name.Text() == expected[count]);
        FUZZ_CHECK(cursor >= listText.get() && cursor <= listText.get() + copied.size());
        count++;
    }
    FUZZ_CHECK(count == expected.size());
    FUZZ_CHECK(*cursor == '\0');
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzInput input(data, size);
    size_t outSize = input.Size(PROGMAN_COMMAND_SIZE + 64);
    unsigned choice = input.Byte();
    std::string first = input.Text(), second = input.Text(), third = input.Text(), fourth = input.Text();
    std::string current = input.Text();
    CheckOneFieldCommand(FormatCreateGroupCommand, "CreateGroup", outSize, first);
    CheckOneFieldCommand(FormatDeleteGroupCommand, "DeleteGroup", outSize, first);
    CheckOneFieldCommand(FormatDeleteItemCommand, "DeleteItem", outSize, first);
    CheckItem(outSize, first, second, third, fourth, current);
    CheckGroupList(outSize, choice % 64, input.Rest(), choice >= 0xF0);
    return 0;
}
