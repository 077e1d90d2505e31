// The start of every shipped program, in place of a C run-time library's start-up code:
// WinMain gets the module, the command line's arguments and the show command the program
// was started with, and the process ends with WinMain's result. Nothing here constructs
// globals: the programs have none that need code to run.
#include "base/base.h"

extern "C" __attribute__((force_align_arg_pointer)) void WinMainCRTStartup(void)
{
    STARTUPINFOA startup;
    startup.cb = sizeof(startup);
    GetStartupInfoA(&startup);
    int show = (startup.dwFlags & STARTF_USESHOWWINDOW) ? startup.wShowWindow : SW_SHOWDEFAULT;
    char* arguments = (char*)SkipProgramName(GetCommandLineA());
    ExitProcess((UINT)WinMain(GetModuleHandleA(NULL), NULL, arguments, show));
}
