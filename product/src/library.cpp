// KORVID Pro's plain libraries (kvpro32.dll, nskvch.dll, kvsyncd.dll): the code the
// programs share. The setup only places them; they answer with their version.
#include <windows.h>

// returns the product version, major in the high word, minor in the low word
extern "C" DWORD WINAPI KvGetVersion(void)
{
    return MAKELONG(0, 7);
}
