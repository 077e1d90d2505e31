// The one-setup lock as another account holds it: the lock's object is there, but this
// account may not open it.
#include <gtest/gtest.h>
#include <windows.h>
#include "base/base.h"

// A mutex of the lock's name whose access list grants nothing (as one made by a setup of
// another account or a service looks to this account) counts as held; once it is gone the
// lock is free again.
TEST(SetupLock, ALockThisAccountMayNotOpenCountsAsHeld)
{
    SECURITY_DESCRIPTOR descriptor;
    ACL empty;
    ASSERT_TRUE(InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION));
    ASSERT_TRUE(InitializeAcl(&empty, sizeof empty, ACL_REVISION));
    ASSERT_TRUE(SetSecurityDescriptorDacl(&descriptor, TRUE, &empty, FALSE));
    SECURITY_ATTRIBUTES attributes = { sizeof attributes, &descriptor, FALSE };
    HANDLE other = CreateMutexA(&attributes, FALSE, kSetupLockName);
    ASSERT_TRUE(other != NULL);
    ASSERT_NE((DWORD)ERROR_ALREADY_EXISTS, GetLastError()) << "the lock was there before the test";
    // What the lock meets: the object is there and opening it is refused.
    HANDLE opened = CreateMutexA(NULL, FALSE, kSetupLockName);
    DWORD error = GetLastError();
    if (opened)
        CloseHandle(opened);
    ASSERT_TRUE(opened == NULL && error == ERROR_ACCESS_DENIED) << "access not refused: " << error;

    EXPECT_EQ(0, TakeSetupLock());
    CloseHandle(other);
    EXPECT_EQ(1, TakeSetupLock());
    ReleaseSetupLock();
}
