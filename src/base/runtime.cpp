// The functions the compiler itself calls, for the shipped programs, which have no C
// run-time library: the four memory functions (structure copies, zeroed buffers, the
// program's own memcpy and memset), and strlen and memchr, which it makes of counting and
// searching loops. Compiled so that these loops are never turned back into calls of
// themselves.
#include <stddef.h>

extern "C" {

void* memcpy(void* dest, const void* src, size_t count)
{
    unsigned char* d = (unsigned char*)dest;
    const unsigned char* s = (const unsigned char*)src;
    while (count--)
        *d++ = *s++;
    return dest;
}

void* memmove(void* dest, const void* src, size_t count)
{
    unsigned char* d = (unsigned char*)dest;
    const unsigned char* s = (const unsigned char*)src;
    if (d < s) {
        while (count--)
            *d++ = *s++;
    } else {
        while (count--)
            d[count] = s[count];
    }
    return dest;
}

void* memset(void* dest, int value, size_t count)
{
    unsigned char* d = (unsigned char*)dest;
    while (count--)
        *d++ = (unsigned char)value;
    return dest;
}

int memcmp(const void* a, const void* b, size_t count)
{
    const unsigned char* p = (const unsigned char*)a;
    const unsigned char* q = (const unsigned char*)b;
    for (; count > 0; count--, p++, q++) {
        if (*p != *q)
            return (int)*p - (int)*q;
    }
    return 0;
}

void* memchr(const void* bytes, int value, size_t count)
{
    const unsigned char* p = (const unsigned char*)bytes;
    for (; count > 0; count--, p++) {
        if (*p == (unsigned char)value)
            return (void*)p;
    }
    return NULL;
}

size_t strlen(const char* text)
{
    size_t len = 0;
    while (text[len])
        len++;
    return len;
}
}
