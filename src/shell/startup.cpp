// The pure decisions of start-up: the main window's rectangle, the product choices that the
// running Windows version offers and preselects, and the option values that the texts of
// the [INSTALL] keys give. No global state, no Win32 call.
#include "shell/shell.h"

enum {
    MAIN_MIN_WIDTH = 600,
    MAIN_MIN_HEIGHT = 400,
};

// returns four fifths of the desktop in each direction (at least 600 by 400), centred
WindowRect MainWindowRect(int desktopRight, int desktopBottom)
{
    WindowRect rect;
    rect.width = (desktopRight / 5) * 4;
    if (rect.width < MAIN_MIN_WIDTH)
        rect.width = MAIN_MIN_WIDTH;
    rect.height = (desktopBottom / 5) * 4;
    if (rect.height < MAIN_MIN_HEIGHT)
        rect.height = MAIN_MIN_HEIGHT;
    rect.left = (desktopRight - rect.width) / 2;
    rect.top = (desktopBottom - rect.height) / 2;
    return rect;
}

// Writes the offered choices (nM) and the preselected ones (nV) for the given platform.
void ComputeChoiceMasks(int winNT, int major, int minor, int bonus, int explore, unsigned int* offered,
                        unsigned int* preselected)
{
    const unsigned int all =
        CHOICE_CLASSIC | CHOICE_EXPLORER | CHOICE_UTILITIES | CHOICE_BROWSER | CHOICE_QUEUE;
    unsigned int current = CHOICE_CLASSIC | CHOICE_BROWSER | CHOICE_QUEUE;
    if (bonus == 1)
        current |= CHOICE_UTILITIES;
    if (explore == 1)
        current |= CHOICE_EXPLORER;

    if (winNT) {
        if (major >= 4) {
            *offered = all;
            *preselected = current;
        } else {
            // NT 3.x: the classic interface and the utilities only.
            *offered = CHOICE_CLASSIC | CHOICE_UTILITIES;
            *preselected = CHOICE_CLASSIC | CHOICE_UTILITIES;
        }
    } else if (major >= 4 || minor >= 50) {
        *offered = all;
        *preselected = current;
    } else {
        // Windows 3.x with Win32s: both interfaces offered, the classic one checked.
        *offered = CHOICE_CLASSIC | CHOICE_EXPLORER;
        *preselected = CHOICE_CLASSIC;
    }
}

const InstallOptionKey kInstallOptionKeys[OPTION_COUNT] = {
    { "LOGGING", "FALSE" }, { "ALLOWRBT", "FALSE" }, { "QUIET", "FALSE" },   { "NOPASSWORD", "FALSE" },
    { "BONUS", "TRUE" },    { "DESKTOP", "TRUE" },   { "EXPLORER", "TRUE" },
};

// returns 1 when the value is TRUE (any case) or exactly 1
static int CountsAsTrue(const char* value)
{
    return StrCompareNoCase(value, "TRUE") == 0 || StrCompare(value, "1") == 0;
}

// returns 1 when the value is FALSE (any case) or exactly 0
static int CountsAsFalse(const char* value)
{
    return StrCompareNoCase(value, "FALSE") == 0 || StrCompare(value, "0") == 0;
}

// returns the option values for the keys' texts
InstallOptions InstallOptionsFromValues(const char* const values[OPTION_COUNT])
{
    InstallOptions options;
    // LOGGING and EXPLORER are on unless switched off; the others only when switched on.
    options.logging = CountsAsFalse(values[OPTION_LOGGING]) ? 0 : 1;
    options.allowReboot = CountsAsTrue(values[OPTION_ALLOWRBT]);
    options.silent = CountsAsTrue(values[OPTION_QUIET]);
    options.noPass = CountsAsTrue(values[OPTION_NOPASSWORD]);
    options.bonus = CountsAsTrue(values[OPTION_BONUS]);
    options.iconLocation = CountsAsTrue(values[OPTION_DESKTOP]) ? 0 : 1;
    options.explore = CountsAsFalse(values[OPTION_EXPLORER]) ? 0 : 1;
    return options;
}
