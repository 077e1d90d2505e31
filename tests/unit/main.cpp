// The unit test program: the setup's module instance is this program, which carries the
// setup's resources.
#include <gtest/gtest.h>
#include "shell/shell.h"

int main(int argc, char** argv)
{
    g_hInstance = GetModuleHandleA(NULL);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
