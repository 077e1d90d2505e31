// Entry of every KORVID Pro library: records its own module for the registration code.
#include "common.h"

HMODULE g_hModule;

// returns TRUE: the library has nothing that can fail while loading
extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved)
{
    (void)reserved;
    if (reason == DLL_PROCESS_ATTACH) {
        g_hModule = instance;
        DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}
