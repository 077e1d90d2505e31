// The pure parts of placing a file: the CRC-32 that checks a resource's bytes, a template
// line with its placeholder replaced, and the names a file in use is moved aside to or
// staged under. Nothing here calls the system.
#include "engine/engine.h"

// returns the CRC-32 (the polynomial of zip and gzip) of size bytes
DWORD Crc32(const void* bytes, size_t size)
{
    static DWORD table[256];
    if (table[1] == 0) {
        for (DWORD n = 0; n < 256; n++) {
            DWORD c = n;
            for (int k = 0; k < 8; k++)
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            table[n] = c;
        }
    }
    DWORD crc = 0xFFFFFFFFu;
    const unsigned char* p = (const unsigned char*)bytes;
    for (size_t i = 0; i < size; i++)
        crc = table[(crc ^ p[i]) & 0xFF] ^ (crc >> 8);
    return crc ^ 0xFFFFFFFFu;
}

// Writes line into out with every placeholder replaced; an empty placeholder copies the
// line. returns false when the result does not fit (out is then not to be used)
bool SubstitutePlaceholder(char* out, size_t size, const char* line, const char* placeholder,
                           const char* replacement)
{
    if (size == 0)
        return false;
    out[0] = '\0';
    size_t placeholderLength = StrLength(placeholder);
    if (placeholderLength == 0)
        return StrCopy(out, size, line);
    size_t used = 0;
    const char* rest = line;
    const char* hit;
    while ((hit = StrFindText(rest, placeholder)) != NULL) {
        size_t before = (size_t)(hit - rest);
        if (used + before >= size)
            return false;
        memcpy(out + used, rest, before);
        out[used + before] = '\0';
        if (!StrAppend(out, size, replacement))
            return false;
        used = StrLength(out);
        rest = hit + placeholderLength;
    }
    return StrAppend(out, size, rest);
}

// returns false (dest empty) when the file name holds neither ".dll" nor ".exe" or the
// result does not fit. Only the file name is searched, so a folder such as "C:\tools.exe\"
// never makes a help file count as a program, nor moves a file out of its folder.
bool AlternateFileName(char* dest, size_t size, const char* target, const char* suffix)
{
    if (size == 0)
        return false;
    dest[0] = '\0';
    const char* name = FileNamePart(target);
    const char* cut = StrFindText(name, ".dll");
    if (!cut)
        cut = StrFindText(name, ".exe");
    if (!cut)
        return false;
    size_t keep = (size_t)(cut - target);
    if (keep >= size)
        return false;
    memcpy(dest, target, keep);
    dest[keep] = '\0';
    if (StrAppend(dest, size, suffix))
        return true;
    dest[0] = '\0';
    return false;
}

bool BackupFileName(char* dest, size_t size, unsigned int number)
{
    if (size > 0)
        dest[0] = '\0';
    if (number >= KV_BACKUP_NAMES)
        return false;
    if (number == 0)
        return StrCopy(dest, size, KV_BACKUP_NAME);
    return StrFormat(dest, size, "kvswap%u.bak", number);
}
