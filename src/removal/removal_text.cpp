// The removal's texts: the name a file in use waits under until the next start, and a
// message with a name put in. Nothing here calls the system.
#include "removal/removal.h"

// returns true with the first "%s" of the template replaced by insert
bool InsertText(char* dest, size_t size, const char* templateText, const char* insert)
{
    const char* at = StrFindText(templateText, "%s");
    bool ok;
    if (!at) {
        ok = StrCopy(dest, size, templateText);
    } else {
        char head[KV_FORMAT_SIZE];
        size_t headLength = (size_t)(at - templateText);
        ok = headLength < sizeof head;
        if (ok) {
            memcpy(head, templateText, headLength);
            head[headLength] = '\0';
            ok = StrCopy(dest, size, head) && StrAppend(dest, size, insert) && StrAppend(dest, size, at + 2);
        }
    }
    if (!ok && size > 0)
        dest[0] = '\0';
    return ok;
}

// returns true with the ".del" name of path in dest
bool DeferredDeleteName(char* dest, size_t size, const char* path, unsigned int number)
{
    // The whole file name stays in the new one, so that kvpro32.dll and kvpro32.hlp never
    // wait under one name; the number sets apart a name an earlier removal still holds.
    bool ok = number == 0 ? StrFormat(dest, size, "%s.del", path)
                          : StrFormat(dest, size, "%s.%u.del", path, number);
    if (!ok && size > 0)
        dest[0] = '\0';
    return ok;
}

// returns true with "kvun" and the token's eight hexadecimal digits in dest
bool UninstallerFolderName(char* dest, size_t size, unsigned long token)
{
    return StrFormat(dest, size, "kvun%08lX", token & 0xFFFFFFFFul);
}

bool IsUninstallerFolderName(const char* name)
{
    if (StrCompareNoCaseN(name, "kvun", 4) != 0 || StrLength(name) != 12)
        return false;
    for (const char* p = name + 4; *p; p++) {
        if (!StrFindChar("0123456789abcdefABCDEF", *p))
            return false;
    }
    return true;
}

int RemovalExitCode(int outcome, int restartStarted)
{
    switch (outcome) {
    case REMOVAL_DONE:
        return EXIT_INSTALLED;
    case REMOVAL_RESTART_NEEDED:
        return restartStarted ? EXIT_RESTART_STARTED : EXIT_RESTART_NEEDED;
    case REMOVAL_INCOMPLETE:
        return EXIT_INSTALL_FAILED;
    default:
        return EXIT_INSTALL_FAILED;
    }
}
