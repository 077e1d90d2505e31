// Bounded text helpers: the only way the program copies, appends and formats into its
// fixed buffers. Every helper terminates the destination and reports a cut text.
#include "base/base.h"
#include <stdarg.h>
#include <stdio.h>
#include <string.h>

// returns true when src fitted whole into dest
bool StrCopy(char* dest, size_t size, const char* src)
{
    if (size == 0)
        return false;
    if (!src)
        src = "";
    size_t len = strlen(src);
    if (len >= size) {
        memcpy(dest, src, size - 1);
        dest[size - 1] = '\0';
        return false;
    }
    memcpy(dest, src, len + 1);
    return true;
}

// returns true when src fitted whole after the text already in dest
bool StrAppend(char* dest, size_t size, const char* src)
{
    if (size == 0)
        return false;
    size_t used = strnlen(dest, size);
    if (used >= size) {
        dest[size - 1] = '\0';
        return false;
    }
    return StrCopy(dest + used, size - used, src);
}

// returns true when the whole formatted text fitted
bool StrFormat(char* dest, size_t size, const char* format, ...)
{
    if (size == 0)
        return false;
    va_list args;
    va_start(args, format);
    int n = vsnprintf(dest, size, format, args);
    va_end(args);
    // The system's formatter leaves a text that fills the buffer unterminated.
    dest[size - 1] = '\0';
    return n >= 0 && (size_t)n < size;
}

// returns true when the text holds no double quote and no control character
bool IsQuotableText(const char* text)
{
    for (const unsigned char* p = (const unsigned char*)text; *p; p++) {
        if (*p == '"' || *p < 0x20 || *p == 0x7f)
            return false;
    }
    return true;
}

bool EndsWithSeparator(const char* text)
{
    size_t len = text ? strlen(text) : 0;
    return len > 0 && (text[len - 1] == '\\' || text[len - 1] == '/');
}

// Drops one trailing '\' or '/' of a folder, but not the one of a drive root ("C:\"),
// which without it would name the drive's current folder instead.
void DropFolderSeparator(char* folder)
{
    size_t len = strlen(folder);
    if (len == 0 || (folder[len - 1] != '\\' && folder[len - 1] != '/'))
        return;
    if (len == 3 && folder[1] == ':')
        return;
    folder[len - 1] = '\0';
}

// returns true when the joined path fitted
bool JoinPath(char* dest, size_t size, const char* folder, const char* name)
{
    return StrFormat(dest, size, EndsWithSeparator(folder) ? "%s%s" : "%s\\%s", folder, name);
}

// returns true when the joined path fitted
bool JoinPathBackslash(char* dest, size_t size, const char* folder, const char* name)
{
    size_t len = strlen(folder);
    bool ends = len > 0 && folder[len - 1] == '\\';
    return StrFormat(dest, size, ends ? "%s%s" : "%s\\%s", folder, name);
}

const char* FileNamePart(const char* path)
{
    const char* name = path;
    for (const char* p = path; *p; p++) {
        if (*p == '\\' || *p == '/' || *p == ':')
            name = p + 1;
    }
    return name;
}
