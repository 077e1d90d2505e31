// Bounded text helpers: the only way the program copies, appends and formats into its
// fixed buffers. Every helper terminates the destination and reports a cut text.
#include "base/base.h"
#include <stdarg.h>

// returns true when src fitted whole into dest
bool StrCopy(char* dest, size_t size, const char* src)
{
    if (size == 0)
        return false;
    if (!src)
        src = "";
    size_t len = StrLength(src);
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
    size_t used = StrLengthMax(dest, size);
    if (used >= size) {
        dest[size - 1] = '\0';
        return false;
    }
    return StrCopy(dest + used, size - used, src);
}

// Puts one character at *used when it fits below size - 1; counts it either way.
static void PutChar(char* dest, size_t size, size_t* used, char c)
{
    if (*used + 1 < size)
        dest[*used] = c;
    (*used)++;
}

// Puts value in the base (10 or 16, upper case) with a '-' before it when negative, at least
// width characters long: padded with blanks before the sign, or with zeros after it.
static void PutNumber(char* dest, size_t size, size_t* used, unsigned long value, unsigned base,
                      bool negative, size_t width, char pad)
{
    char digits[3 * sizeof(value)];
    size_t count = 0;
    do {
        digits[count++] = "0123456789ABCDEF"[value % base];
        value /= base;
    } while (value != 0);
    size_t length = count + (negative ? 1 : 0);
    if (negative && pad == '0')
        PutChar(dest, size, used, '-');
    for (; width > length; width--)
        PutChar(dest, size, used, pad);
    if (negative && pad != '0')
        PutChar(dest, size, used, '-');
    while (count > 0)
        PutChar(dest, size, used, digits[--count]);
}

// The formatter behind StrFormat. It knows the conversions the program uses: %s, %c, %d,
// %u and %X (with an optional 'l', a '0' flag and a width) and %%. returns the length of
// the whole text, whether or not it fitted; dest holds as much as fits, terminated
size_t StrFormatList(char* dest, size_t size, const char* format, va_list args)
{
    size_t used = 0;
    for (const char* f = format; *f; f++) {
        if (*f != '%') {
            PutChar(dest, size, &used, *f);
            continue;
        }
        f++;
        char pad = ' ';
        if (*f == '0') {
            pad = '0';
            f++;
        }
        size_t width = 0;
        while (*f >= '0' && *f <= '9')
            width = width * 10 + (size_t)(*f++ - '0');
        bool isLong = *f == 'l';
        if (isLong)
            f++;
        switch (*f) {
        case 's': {
            const char* text = va_arg(args, const char*);
            if (!text)
                text = "(null)";
            size_t len = StrLength(text);
            for (; width > len; width--)
                PutChar(dest, size, &used, ' ');
            for (; *text; text++)
                PutChar(dest, size, &used, *text);
            break;
        }
        case 'c':
            PutChar(dest, size, &used, (char)va_arg(args, int));
            break;
        case 'd': {
            long value = isLong ? va_arg(args, long) : va_arg(args, int);
            unsigned long magnitude = value < 0 ? 0ul - (unsigned long)value : (unsigned long)value;
            PutNumber(dest, size, &used, magnitude, 10, value < 0, width, pad);
            break;
        }
        case 'u':
        case 'X': {
            unsigned long value = isLong ? va_arg(args, unsigned long) : va_arg(args, unsigned);
            PutNumber(dest, size, &used, value, *f == 'u' ? 10 : 16, false, width, pad);
            break;
        }
        case '%':
            PutChar(dest, size, &used, '%');
            break;
        default:
            // A conversion the program does not use writes nothing.
            if (!*f)
                f--;
            break;
        }
    }
    if (size > 0)
        dest[used < size ? used : size - 1] = '\0';
    return used;
}

// returns true when the whole formatted text fitted
bool StrFormat(char* dest, size_t size, const char* format, ...)
{
    if (size == 0)
        return false;
    va_list args;
    va_start(args, format);
    size_t length = StrFormatList(dest, size, format, args);
    va_end(args);
    return length < size;
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
    size_t len = text ? StrLength(text) : 0;
    return len > 0 && (text[len - 1] == '\\' || text[len - 1] == '/');
}

// Drops one trailing '\' or '/' of a folder, but not the one of a drive root ("C:\"),
// which without it would name the drive's current folder instead.
void DropFolderSeparator(char* folder)
{
    size_t len = StrLength(folder);
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
    size_t len = StrLength(folder);
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

// ---- The string functions the program needs, without a C run-time library ----

size_t StrLength(const char* text)
{
    size_t len = 0;
    while (text[len])
        len++;
    return len;
}

size_t StrLengthMax(const char* text, size_t max)
{
    size_t len = 0;
    while (len < max && text[len])
        len++;
    return len;
}

// Compares as unsigned bytes; returns <0, 0 or >0.
int StrCompare(const char* a, const char* b)
{
    const unsigned char* p = (const unsigned char*)a;
    const unsigned char* q = (const unsigned char*)b;
    while (*p && *p == *q) {
        p++;
        q++;
    }
    return (int)*p - (int)*q;
}

// Folds 'A' to 'Z' to lower case; every other byte stays, whatever the system's locale.
static unsigned char LowerAscii(unsigned char c)
{
    return c >= 'A' && c <= 'Z' ? (unsigned char)(c + ('a' - 'A')) : c;
}

int StrCompareNoCaseN(const char* a, const char* b, size_t count)
{
    const unsigned char* p = (const unsigned char*)a;
    const unsigned char* q = (const unsigned char*)b;
    for (; count > 0; count--, p++, q++) {
        int d = (int)LowerAscii(*p) - (int)LowerAscii(*q);
        if (d != 0 || *p == 0)
            return d;
    }
    return 0;
}

int StrCompareNoCase(const char* a, const char* b)
{
    return StrCompareNoCaseN(a, b, (size_t)-1);
}

const char* StrFindChar(const char* text, char c)
{
    for (;; text++) {
        if (*text == c)
            return text;
        if (!*text)
            return NULL;
    }
}

const char* StrFindLastChar(const char* text, char c)
{
    const char* found = NULL;
    for (;; text++) {
        if (*text == c)
            found = text;
        if (!*text)
            return found;
    }
}

const char* StrFindText(const char* text, const char* part)
{
    size_t len = StrLength(part);
    for (; *text; text++) {
        size_t i = 0;
        while (i < len && text[i] == part[i])
            i++;
        if (i == len)
            return text;
    }
    return len == 0 ? text : NULL;
}

// returns the value of the decimal digits at text (the largest unsigned long when it is
// larger) with *end after them; 0 and *end == text when there is no digit
unsigned long ReadDecimal(const char* text, const char** end)
{
    unsigned long value = 0;
    bool overflow = false;
    const char* p = text;
    for (; *p >= '0' && *p <= '9'; p++) {
        unsigned digit = (unsigned)(*p - '0');
        if (value > ((unsigned long)-1 - digit) / 10)
            overflow = true;
        else
            value = value * 10 + digit;
    }
    *end = p;
    return overflow ? (unsigned long)-1 : value;
}

// The arguments of a command line: what follows the program's name, as the start-up code
// of a C program hands them to WinMain. The name ends at the first blank outside double
// quotes; the blanks after it are skipped.
const char* SkipProgramName(const char* commandLine)
{
    const char* p = commandLine;
    bool quoted = false;
    while ((unsigned char)*p > ' ' || (*p && quoted)) {
        if (*p == '"')
            quoted = !quoted;
        p++;
    }
    while (*p && (unsigned char)*p <= ' ')
        p++;
    return p;
}
