// The entry of every shipped library, in place of a C run-time library's: the library's
// own DllMain answers directly.
#include "base/base.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved);

extern "C" __attribute__((force_align_arg_pointer)) BOOL WINAPI DllMainCRTStartup(HINSTANCE instance,
                                                                                  DWORD reason,
                                                                                  LPVOID reserved)
{
    return DllMain(instance, reason, reserved);
}
