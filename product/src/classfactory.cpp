// The class factory entries of KORVID Pro's in-process servers. No class is offered yet: a
// shell or browser that finds a registered entry gets a clean refusal.
#include <windows.h>

// returns CLASS_E_CLASSNOTAVAILABLE
STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, LPVOID* object)
{
    (void)clsid;
    (void)iid;
    if (object)
        *object = NULL;
    return CLASS_E_CLASSNOTAVAILABLE;
}

// returns S_OK: no object of the library is ever alive
STDAPI DllCanUnloadNow(void)
{
    return S_OK;
}
