// The texts the Program Manager client sends and reads: an item's fields, the four
// commands, and the "Groups" reply cut and split into names. Nothing here calls the system.
#include "progman/progman.h"

// The longest fixed part of a command, "[AddItem(\"\",\"\",,,,,\"\")]", with room to spare.
enum { COMMAND_FIXED_CHARS = 32 };

static const char* OrEmpty(const char* text)
{
    return text ? text : "";
}

static bool IsListSeparator(char c)
{
    return c == '\r' || c == '\n';
}

// returns true when the text holds no double quote and no control character
bool IsSafeProgmanText(const char* text)
{
    return IsQuotableText(OrEmpty(text));
}

// returns false when the working folder or the default command line is too long for a path
bool ResolveProgmanItem(ProgmanItem* item, const char* itemName, const char* folder, const char* fileName,
                        const char* commandLine, const char* currentFolder)
{
    itemName = OrEmpty(itemName);
    folder = OrEmpty(folder);
    fileName = OrEmpty(fileName);
    commandLine = OrEmpty(commandLine);

    item->itemName = *itemName ? itemName : fileName;
    item->commandLine = *commandLine ? commandLine : item->defaultCommand;
    item->defaultCommand[0] = '\0';
    if (!StrCopy(item->workFolder, ARRAY_SIZE(item->workFolder), *folder ? folder : OrEmpty(currentFolder)))
        return false;
    if (*commandLine)
        return true;
    // A file name that holds a backslash is a path of its own, whatever the folder.
    if (StrFindChar(fileName, '\\'))
        return StrCopy(item->defaultCommand, ARRAY_SIZE(item->defaultCommand), fileName);
    return JoinPath(item->defaultCommand, ARRAY_SIZE(item->defaultCommand), item->workFolder, fileName);
}

// A command with one quoted field. returns false (out empty) when the field cannot stand
// inside quotes, or when the command did not fit
static bool FormatQuoted(char* out, size_t size, const char* format, const char* field)
{
    if (size > 0)
        out[0] = '\0';
    if (!IsSafeProgmanText(field))
        return false;
    return StrFormat(out, size, format, OrEmpty(field));
}

// returns false when the name cannot be quoted or the command did not fit
bool FormatCreateGroupCommand(char* out, size_t size, const char* groupName)
{
    return FormatQuoted(out, size, "[CreateGroup(\"%s\")]", groupName);
}

// returns false when the name cannot be quoted or the command did not fit
bool FormatDeleteGroupCommand(char* out, size_t size, const char* groupName)
{
    return FormatQuoted(out, size, "[DeleteGroup(\"%s\")]", groupName);
}

// returns false when the name cannot be quoted or the command did not fit
bool FormatDeleteItemCommand(char* out, size_t size, const char* itemName)
{
    return FormatQuoted(out, size, "[DeleteItem(\"%s\")]", itemName);
}

// returns false when the name cannot be quoted or the command did not fit
bool FormatAddItemCommand(char* out, size_t size, const ProgmanItem* item)
{
    if (size > 0)
        out[0] = '\0';
    if (!IsSafeProgmanText(item->commandLine) || !IsSafeProgmanText(item->itemName)
        || !IsSafeProgmanText(item->workFolder))
        return false;
    return StrFormat(out, size, "[AddItem(\"%s\",\"%s\",,,,,\"%s\")]", item->commandLine, item->itemName,
                     item->workFolder);
}

// returns false (out as it was) when a field cannot be quoted or the command would not fit
bool AppendAddItemCommand(char* out, size_t size, const ProgmanItem* item)
{
    size_t used = size > 0 ? StrLength(out) : 0;
    if (used + 1 >= size)
        return false;
    if (FormatAddItemCommand(out + used, size - used, item))
        return true;
    out[used] = '\0';
    return false;
}

// returns the buffer size for fields of fieldChars characters in all
size_t ProgmanCommandSize(size_t fieldChars)
{
    if (fieldChars + COMMAND_FIXED_CHARS <= PROGMAN_COMMAND_SIZE)
        return PROGMAN_COMMAND_SIZE;
    return fieldChars + COMMAND_FIXED_CHARS;
}

// returns false when the reply was too long and names were left out
bool CopyGroupList(char* list, size_t size, const char* data, size_t dataSize)
{
    if (size == 0)
        return false;
    list[0] = '\0';
    if (!data)
        return true;
    const char* end = (const char*)memchr(data, '\0', dataSize);
    size_t length = end ? (size_t)(end - data) : dataSize;
    if (length < size) {
        memcpy(list, data, length);
        list[length] = '\0';
        return true;
    }
    // Keep what ends at the last separator that fits: the name after it would be cut.
    size_t keep = size - 1;
    while (keep > 0 && !IsListSeparator(data[keep]))
        keep--;
    while (keep > 0 && IsListSeparator(data[keep - 1]))
        keep--;
    memcpy(list, data, keep);
    list[keep] = '\0';
    return false;
}

// returns false when no name is left
bool NextGroupName(const char** cursor, char* name, size_t size)
{
    const char* p = *cursor;
    for (;;) {
        while (IsListSeparator(*p))
            p++;
        if (!*p) {
            *cursor = p;
            return false;
        }
        size_t length = 0;
        while (p[length] && !IsListSeparator(p[length]))
            length++;
        const char* start = p;
        p += length;
        // A name too long for the caller's buffer is passed over rather than handed on cut.
        if (length < size) {
            memcpy(name, start, length);
            name[length] = '\0';
            *cursor = p;
            return true;
        }
    }
}

bool GroupFolderForm(char* out, size_t size, const char* groupName)
{
    if (!StrCopy(out, size, OrEmpty(groupName)))
        return false;
    for (char* p = out; *p; p++) {
        if (StrFindChar("*\\/:<>?|", *p))
            *p = '_';
    }
    return true;
}
