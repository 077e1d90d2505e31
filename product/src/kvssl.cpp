// kvssl.dll, KORVID Pro's secure connection service: its registration records where the
// product's key and certificates lie.
#include "common.h"
#include "product.h"

// Records folder and the key and certificate names under HKLM\registryPath, creating it.
// returns 1 on success, 0 when an argument is missing or the registry refuses a write
extern "C" int WINAPI DLLRegisterSSL(char* registryPath, const char* folder, int reserved)
{
    (void)reserved;
    if (!registryPath || !*registryPath || !folder || !*folder)
        return 0;
    HKEY key = CreateMachineKey(registryPath);
    if (!key)
        return 0;
    bool ok = SetStringValue(key, "InstallDir", folder);
    ok = ok && SetStringValue(key, "KeyFile", KV_SSL_KEY_FILE);
    ok = ok && SetStringValue(key, "CertFile", KV_SSL_CERT_FILE);
    ok = ok && SetStringValue(key, "AuthorityFile", KV_SSL_AUTHORITY_FILE);
    RegCloseKey(key);
    return ok ? 1 : 0;
}
