// One setup or uninstaller of the product at a time: each takes the named mutex before it
// changes anything and keeps it to its end. A process that ends without releasing it, even
// killed, leaves it abandoned, and the next one takes it as usual. The name is the same for
// kvsetup.exe and unkv32.exe and holds no backslash, which Windows 95 would refuse.
#include "base/base.h"

const char kSetupLockName[] = "KORVIDProSetupRunning";

static HANDLE s_lock;

// returns 1 when this process holds the lock, 0 when another one does
int TakeSetupLock(void)
{
    if (s_lock)
        return 1;
    HANDLE lock = CreateMutexA(NULL, FALSE, kSetupLockName);
    if (!lock) {
        // The lock is there but this account may not open it: a setup of another account
        // (or of a service) holds it.
        if (GetLastError() == ERROR_ACCESS_DENIED)
            return 0;
        // No mutex can be made (no memory, or the name taken by another kind of object):
        // nothing tells of another setup, and refusing would leave the product impossible
        // to install.
        return 1;
    }
    DWORD wait = WaitForSingleObject(lock, 0);
    if (wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED) {
        s_lock = lock;
        return 1;
    }
    CloseHandle(lock);
    return 0;
}

void ReleaseSetupLock(void)
{
    if (!s_lock)
        return;
    ReleaseMutex(s_lock);
    CloseHandle(s_lock);
    s_lock = NULL;
}
