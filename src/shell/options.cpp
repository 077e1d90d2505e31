// The install options: finds the options file (the current directory first, then beside
// the program), reads its [INSTALL] section into the process-wide option values, and logs
// what it found. Start-up stages the carried template as Install.ini in the current
// directory before this runs; a copy found there without an [INSTALL] section is only
// that template, so an install.ini beside the program then takes its place.
#include "shell/shell.h"

static const char kOptionsName[] = "install.ini";

// Formats one line and hands it to the log; a line too long for the buffer is logged cut.
static void LogFormatted(const char* format, const char* text)
{
    char line[KV_FORMAT_SIZE];
    StrFormat(line, ARRAY_SIZE(line), format, text);
    LogLine(line);
}

// Formats one line with a number and hands it to the log.
static void LogNumber(const char* format, int value)
{
    char line[KV_TEXT_SIZE];
    StrFormat(line, ARRAY_SIZE(line), format, value);
    LogLine(line);
}

// returns 1 when path names an existing file (not a folder), else 0
static int OptionsFileExists(const char* path)
{
    if (path[0] == '\0' || !PathExists(path))
        return 0;
    DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Builds the path of install.ini beside the program into dest.
// returns 1 when built; 0 when the module path holds no '\' (logged) or the path does not fit
static int OptionsPathBesideProgram(char* dest, size_t size)
{
    char module[KV_PATH_SIZE];
    memset(module, 0, sizeof(module));
    DWORD length = GetModuleFileNameA(NULL, module, ARRAY_SIZE(module));
    if (length == 0 || length >= ARRAY_SIZE(module))
        return 0;
    char* slash = StrFindLastChar(module, '\\');
    if (!slash) {
        LogFormatted("Failed to find \"\\\" in \"%s\"", module);
        return 0;
    }
    slash[1] = '\0';
    return JoinPath(dest, size, module, kOptionsName) ? 1 : 0;
}

// returns 1 when the file's [INSTALL] section holds at least one key, else 0
static int HasInstallSection(const char* path)
{
    char keys[KV_PATH_SIZE];
    return GetPrivateProfileStringA("INSTALL", NULL, "", keys, ARRAY_SIZE(keys), path) > 0;
}

// Leaves in IniFileName the options file to read, or an empty text when there is none.
static void LocateOptionsFile(void)
{
    char besideProgram[KV_PATH_SIZE];
    char folder[KV_PATH_SIZE];

    memset(IniFileName, 0, sizeof(IniFileName));
    if (!GetCurrentFolder(folder, ARRAY_SIZE(folder))) {
        LogLine("Failed to getcwd");
        return;
    }
    if (JoinPath(IniFileName, ARRAY_SIZE(IniFileName), folder, kOptionsName)
        && OptionsFileExists(IniFileName)) {
        LogFormatted("access Succeeded for  \"%s\"", IniFileName);
        // The staged template has its sections disabled: an administrator's file beside
        // the program is what this run is meant to use.
        if (!HasInstallSection(IniFileName)
            && OptionsPathBesideProgram(besideProgram, ARRAY_SIZE(besideProgram))
            && OptionsFileExists(besideProgram) && StrCompareNoCase(besideProgram, IniFileName) != 0) {
            StrCopy(IniFileName, ARRAY_SIZE(IniFileName), besideProgram);
            LogFormatted("access Succeeded for  \"%s\"", IniFileName);
        }
        return;
    }
    LogFormatted("Failed to access \"%s\"", IniFileName);

    IniFileName[0] = '\0';
    if (!OptionsPathBesideProgram(besideProgram, ARRAY_SIZE(besideProgram)))
        return;
    if (OptionsFileExists(besideProgram)) {
        StrCopy(IniFileName, ARRAY_SIZE(IniFileName), besideProgram);
        LogFormatted("access Succeeded for  \"%s\"", IniFileName);
    } else {
        LogFormatted("Failed to access %s", besideProgram);
    }
}

// Reads one key of [INSTALL] into value (KV_PATH_SIZE characters).
static void ReadOption(const char* key, const char* defaultText, char* value)
{
    GetPrivateProfileStringA("INSTALL", key, defaultText, value, KV_PATH_SIZE, IniFileName);
}

// The values of a run without an options file.
static void SetDefaultOptions(void)
{
    g_bLogging = 0;
    g_bAllowReboot = 1;
    g_bSilent = 0;
    g_bNoPass = 0;
    gbInstallBonusPack = 1;
    g_iconLocation = 0;
    g_bExplore = 1;
    g_szLine1[0] = '\0';
    g_szLine2[0] = '\0';
}

// Reads the options from the file IniFileName names (the defaults when it names none).
static void ReadLocatedOptions(void)
{
    if (!OptionsFileExists(IniFileName)) {
        SetDefaultOptions();
        char line[KV_FORMAT_SIZE];
        StrFormat(line, ARRAY_SIZE(line), "length of IniFileName=%d contents= %s",
                  (int)StrLength(IniFileName), IniFileName);
        LogLine(line);
        return;
    }

    char texts[OPTION_COUNT][KV_PATH_SIZE];
    const char* values[OPTION_COUNT];
    for (int k = 0; k < OPTION_COUNT; k++) {
        ReadOption(kInstallOptionKeys[k].name, kInstallOptionKeys[k].missingText, texts[k]);
        values[k] = texts[k];
    }
    InstallOptions options = InstallOptionsFromValues(values);
    g_bLogging = options.logging;
    g_bAllowReboot = options.allowReboot;
    g_bSilent = options.silent;
    LogNumber("g_bSilent=%d", g_bSilent);
    g_bNoPass = options.noPass;
    LogNumber("g_bNoPass=%d", g_bNoPass);
    gbInstallBonusPack = options.bonus;
    LogNumber("gbInstallBonusPack=%d", gbInstallBonusPack);
    g_iconLocation = options.iconLocation;
    LogNumber("g_iconLocation=%d", g_iconLocation);
    g_bExplore = options.explore;
    LogNumber("g_bExplore=%d", g_bExplore);

    GetPrivateProfileStringA("Install", "LINE1", "", g_szLine1, ARRAY_SIZE(g_szLine1), IniFileName);
    LogFormatted("g_szLine1=\"%s\"", g_szLine1);
    GetPrivateProfileStringA("Install", "LINE2", "", g_szLine2, ARRAY_SIZE(g_szLine2), IniFileName);
    LogFormatted("g_szLine2=\"%s\"", g_szLine2);
}

// Sets every option value and IniFileName; the defaults stand for what cannot be read.
void ReadInstallOptions(void)
{
    LocateOptionsFile();
    ReadLocatedOptions();
}

// Reads the options from the file given (a full path) without searching; returns 0, with the
// defaults set, when no such file exists or its path does not fit
int ReadInstallOptionsFrom(const char* path)
{
    memset(IniFileName, 0, sizeof(IniFileName));
    int found = OptionsFileExists(path) && StrCopy(IniFileName, ARRAY_SIZE(IniFileName), path);
    if (found)
        LogFormatted("access Succeeded for  \"%s\"", IniFileName);
    else
        LogFormatted("Failed to access \"%s\"", path);
    if (!found)
        IniFileName[0] = '\0';
    ReadLocatedOptions();
    return found;
}
