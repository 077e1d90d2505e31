// KORVID Pro's in-process servers kvproex.dll (the Explorer view) and kvstub.dll (the icon
// link): their self-registration.
// The build compiles this file once per library with KV_SERVER_EXPLORER or
// KV_SERVER_ICON_LINK defined.
#include "common.h"
#include "product.h"

#if defined(KV_SERVER_EXPLORER)
#define SERVER_CLSID KV_CLSID_EXPLORER
#define SERVER_NAME  KV_NAME_EXPLORER
#elif defined(KV_SERVER_ICON_LINK)
#define SERVER_CLSID KV_CLSID_ICON_LINK
#define SERVER_NAME  KV_NAME_ICON_LINK
#else
#error "define KV_SERVER_EXPLORER or KV_SERVER_ICON_LINK"
#endif

// returns S_OK, or SELFREG_E_CLASS when the class entry could not be written
STDAPI DllRegisterServer(void)
{
    return RegisterServerClass(g_hModule, SERVER_CLSID, SERVER_NAME);
}

// returns S_OK when the class entry is gone, else SELFREG_E_CLASS
STDAPI DllUnregisterServer(void)
{
    return UnregisterServerClass(SERVER_CLSID);
}
