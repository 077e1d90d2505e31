// The installer shell: the entry point's start-up, the main window, and reading the install
// options into the process-wide option values.
#pragma once
#include "base/base.h"

// options.cpp
void ReadInstallOptions(void);
// The options of the file given on the command line, read without searching; returns 0
// (the defaults set) when there is no such file.
int ReadInstallOptionsFrom(const char* path);

// mainwnd.cpp: the main window (the window helpers the pages share are in base/window.cpp).
// The one command of the main window, posted by start-up: runs the whole setup.
enum { IDM_RUN_SETUP = 100 };
LRESULT CALLBACK MainWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Runs the setup from start to end, then closes the window (none: a silent run without a
// desktop) and restarts Windows when the run needs it and may.
void RunSetupCommand(HWND window);
void CleanUpStagingFiles(void);
// Set when the command line's /INI= names the work folder's own Install.ini: start-up does
// not stage the template over it and the clean-up leaves it.
extern int g_bKeepWorkOptions;

// startup.cpp: the pure decisions of start-up.
struct WindowRect {
    int left, top, width, height;
};
// The main window's rectangle for a desktop of the given right and bottom edge.
WindowRect MainWindowRect(int desktopRight, int desktopBottom);
// Sets nV and nM from the platform and the BONUS and EXPLORER options.
void ComputeChoiceMasks(int winNT, int major, int minor, int bonus, int explore, unsigned int* offered,
                        unsigned int* preselected);
// The [INSTALL] keys that switch an option on or off, in the order start-up reads them.
enum {
    OPTION_LOGGING,
    OPTION_ALLOWRBT,
    OPTION_QUIET,
    OPTION_NOPASSWORD,
    OPTION_BONUS,
    OPTION_DESKTOP,
    OPTION_EXPLORER,
    OPTION_COUNT
};
// A key's name and the text read in its place when the options file lacks it.
struct InstallOptionKey {
    const char* name;
    const char* missingText;
};
extern const InstallOptionKey kInstallOptionKeys[OPTION_COUNT];
// The option values, each 1 or 0 (iconLocation: 0 the desktop, 1 My Computer).
struct InstallOptions {
    int logging;
    int allowReboot;
    int silent;
    int noPass;
    int bonus;
    int iconLocation;
    int explore;
};
// The option values that the texts read for the keys give (values[OPTION_...]).
InstallOptions InstallOptionsFromValues(const char* const values[OPTION_COUNT]);

// switches.cpp: the setup's command line.
enum {
    SWITCHES_OK = 0,
    SWITCHES_UNKNOWN,       // a word that is no switch of the setup (or a value on /S, /NORESTART, /?)
    SWITCHES_MISSING_VALUE, // /DIR, /GROUP, /LOG or /INI without "=" and a value
    SWITCHES_TOO_LONG,      // a value longer than its buffer
    SWITCHES_OPEN_QUOTE,    // a double quote that is not closed
};
// What the command line asks; a value not given is "".
struct SetupSwitches {
    int silent;                 // /S
    int noRestart;              // /NORESTART
    int help;                   // /?
    char dir[KV_PATH_SIZE];     // /DIR=
    char group[KV_TEXT_SIZE];   // /GROUP=
    char log[KV_PATH_SIZE];     // /LOG=
    char ini[KV_PATH_SIZE];     // /INI=
    char refused[KV_TEXT_SIZE]; // the first word refused, cut to fit
};
// Reads the switches of the line (the arguments, without the program's name).
int ParseSetupSwitches(const char* line, SetupSwitches* switches);
const char* SwitchRefusalText(int reason);
