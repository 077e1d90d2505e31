// Files and the environment through the system's own calls: appending text to a log,
// reading a text file line by line, the current folder and environment variables. Text is
// written and read as a C program's text-mode files do it, CR LF on disk and LF in memory,
// so the files look as they always have.
#include "base/base.h"

// returns the open file, or INVALID_HANDLE_VALUE
HANDLE OpenForAppend(const char* path)
{
    return CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_ALWAYS,
                       FILE_ATTRIBUTE_NORMAL, NULL);
}

// returns the open file, emptied, or INVALID_HANDLE_VALUE
HANDLE CreateForWriting(const char* path)
{
    return CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, CREATE_ALWAYS,
                       FILE_ATTRIBUTE_NORMAL, NULL);
}

static bool WriteBytes(HANDLE file, const char* bytes, DWORD count)
{
    DWORD written = 0;
    return count == 0 || (WriteFile(file, bytes, count, &written, NULL) && written == count);
}

// returns false when a write failed
bool WriteText(HANDLE file, const char* text, bool atEnd)
{
    if (atEnd && SetFilePointer(file, 0, NULL, FILE_END) == INVALID_SET_FILE_POINTER
        && GetLastError() != NO_ERROR)
        return false;
    for (;;) {
        const char* lineEnd = StrFindChar(text, '\n');
        DWORD count = (DWORD)(lineEnd ? lineEnd - text : (ptrdiff_t)StrLength(text));
        if (!WriteBytes(file, text, count))
            return false;
        if (!lineEnd)
            return true;
        if (!WriteBytes(file, "\r\n", 2))
            return false;
        text = lineEnd + 1;
    }
}

// returns false when the file could not be opened or written
bool AppendTextLine(const char* path, const char* text)
{
    HANDLE file = OpenForAppend(path);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    bool written = WriteText(file, text, true) && WriteText(file, "\n", true);
    CloseHandle(file);
    return written;
}

// returns false when the file cannot be opened for reading
bool OpenTextReader(TextReader* reader, const char* path)
{
    reader->count = reader->next = 0;
    reader->ended = reader->failed = false;
    reader->file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, NULL);
    return reader->file != INVALID_HANDLE_VALUE;
}

void CloseTextReader(TextReader* reader)
{
    if (reader->file != INVALID_HANDLE_VALUE)
        CloseHandle(reader->file);
    reader->file = INVALID_HANDLE_VALUE;
}

// returns the next byte of the file, or -1 at its end or on an error (reader->failed)
static int NextByte(TextReader* reader)
{
    if (reader->next == reader->count) {
        if (reader->ended || reader->failed)
            return -1;
        DWORD read = 0;
        if (!ReadFile(reader->file, reader->buffer, sizeof reader->buffer, &read, NULL)) {
            reader->failed = true;
            return -1;
        }
        if (read == 0) {
            reader->ended = true;
            return -1;
        }
        reader->count = read;
        reader->next = 0;
    }
    return (unsigned char)reader->buffer[reader->next++];
}

// returns the byte NextByte would return next, without taking it
static int PeekByte(TextReader* reader)
{
    int c = NextByte(reader);
    if (c >= 0)
        reader->next--;
    return c;
}

// Reads the next line with its LF (CR LF becomes LF; a Ctrl-Z ends the text), at most
// size - 1 characters of it, as fgets on a text-mode file does. returns 1 with a line, 0 at
// the end of the text, -1 on a read error
int ReadTextLine(TextReader* reader, char* line, size_t size)
{
    if (size < 2)
        return -1;
    size_t used = 0;
    while (used + 1 < size) {
        int c = NextByte(reader);
        if (c == 0x1A) {
            reader->ended = true;
            reader->count = reader->next = 0;
            c = -1;
        }
        if (c < 0)
            break;
        if (c == '\r' && PeekByte(reader) == '\n')
            c = NextByte(reader);
        line[used++] = (char)c;
        if (c == '\n')
            break;
    }
    line[used] = '\0';
    if (reader->failed)
        return -1;
    return used > 0 ? 1 : 0;
}

// returns true when the file or folder exists
bool PathExists(const char* path)
{
    return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
}

// returns false when the current folder does not fit
bool GetCurrentFolder(char* folder, size_t size)
{
    DWORD length = GetCurrentDirectoryA((DWORD)size, folder);
    return length > 0 && length < size;
}

// returns buffer holding the variable's value, or NULL when it is not set or does not fit
const char* ReadEnvironment(const char* name, char* buffer, size_t size)
{
    DWORD length = GetEnvironmentVariableA(name, buffer, (DWORD)size);
    return length > 0 && length < size ? buffer : NULL;
}
