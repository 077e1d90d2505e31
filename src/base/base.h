// What every layer uses: buffer sizes and the choice bits, the bounded text and path
// helpers, the process-wide run state with the option values, messages and the setup log,
// and the small window helpers of the pages and the long operations.
#pragma once
#include <windows.h>
#include <stdarg.h>
#include <stddef.h>

#ifndef ARRAY_SIZE
#define ARRAY_SIZE(a) (sizeof(a) / sizeof((a)[0]))
#endif

// Buffer sizes used throughout (characters, terminator included).
enum {
    KV_PATH_SIZE = 261, // a path of at most 260 characters
    KV_TEXT_SIZE = 256,
    KV_FOLDER_SIZE = 512,     // a folder as typed or recorded, before the path limit is checked
    KV_LINE_SIZE = 512,       // a command, a template line, a value, a short message
    KV_FORMAT_SIZE = 1024,    // FormatText's output buffer
    KV_LONG_TEXT_SIZE = 1024, // a text joined from several paths or names: a key path, a command
    KV_MESSAGE_SIZE = 2048,   // a message box's text from the string table
};

// The product's choices, as bits of nV, nM and the install mask.
enum {
    CHOICE_CLASSIC = 0x01,
    CHOICE_EXPLORER = 0x02,
    CHOICE_UTILITIES = 0x04,
    CHOICE_BROWSER = 0x08,
    CHOICE_QUEUE = 0x10,
};

// text.cpp: bounded copies and formatting. Each always terminates the destination
// (when its size is not 0) and returns false when the whole text did not fit; callers
// treat false as a failure of their step and never use the cut text as if whole.
bool StrCopy(char* dest, size_t size, const char* src);
bool StrAppend(char* dest, size_t size, const char* src);
// StrFormat knows %s, %c, %d, %u and %X, each with an optional 'l', '0' flag and width, and %%.
bool StrFormat(char* dest, size_t size, const char* format, ...) __attribute__((format(printf, 3, 4)));
// returns the length of the whole formatted text; dest (when size > 0) holds what fitted
size_t StrFormatList(char* dest, size_t size, const char* format, va_list args);
// Joins folder and name with "%s%s" when the folder ends in '\' or '/', else "%s\%s".
bool JoinPath(char* dest, size_t size, const char* folder, const char* name);
// Joins with "%s%s" only when the folder ends in '\' (the '/' is not a separator here).
bool JoinPathBackslash(char* dest, size_t size, const char* folder, const char* name);
bool EndsWithSeparator(const char* text);
// Drops one trailing '\' or '/' of a folder, except the one of a drive root ("C:\").
void DropFolderSeparator(char* folder);
// The name part of a path: what follows its last '\', '/' or ':'.
const char* FileNamePart(const char* path);
// True when the text can stand inside double quotes of a command someone else parses: no
// double quote and no control character, for which no such command has an escape.
bool IsQuotableText(const char* text);

// The string functions of the program, in place of a C run-time library's (the shipped
// programs have none). The case-blind compares fold only 'A' to 'Z', whatever the locale.
size_t StrLength(const char* text);
// The length, but at most max (text need not be terminated within max characters).
size_t StrLengthMax(const char* text, size_t max);
// return <0, 0 or >0 as a before, equal to or after b, byte by byte
int StrCompare(const char* a, const char* b);
int StrCompareNoCase(const char* a, const char* b);
int StrCompareNoCaseN(const char* a, const char* b, size_t count);
// return the first (last) c in text, the terminator when c is '\0', or NULL
const char* StrFindChar(const char* text, char c);
const char* StrFindLastChar(const char* text, char c);
inline char* StrFindChar(char* text, char c)
{
    return (char*)StrFindChar((const char*)text, c);
}
inline char* StrFindLastChar(char* text, char c)
{
    return (char*)StrFindLastChar((const char*)text, c);
}
// returns the first place part occurs in text (text itself for ""), or NULL
const char* StrFindText(const char* text, const char* part);
inline char* StrFindText(char* text, const char* part)
{
    return (char*)StrFindText((const char*)text, part);
}
// returns the decimal digits' value at text, the largest unsigned long when larger, with
// *end after the digits (at text when there is none)
unsigned long ReadDecimal(const char* text, const char** end);
// returns the arguments of a command line: what follows the program's name (quoted or
// not) and the blanks after it, as a C program's start-up code hands them to WinMain
const char* SkipProgramName(const char* commandLine);

// files.cpp: files and the environment through the system's calls. Text is written with
// each LF as CR LF, and read back with each CR LF as LF, as text-mode files of C programs.
// return the open file, or INVALID_HANDLE_VALUE
HANDLE OpenForAppend(const char* path);
HANDLE CreateForWriting(const char* path);
// Writes text (at the file's end when atEnd); returns false when a write failed.
bool WriteText(HANDLE file, const char* text, bool atEnd);
// Appends text and a line end to the file, made when missing; returns false on a failure.
bool AppendTextLine(const char* path, const char* text);
struct TextReader {
    HANDLE file;
    char buffer[512];
    DWORD count, next;
    bool ended, failed;
};
// returns false when the file cannot be opened for reading
bool OpenTextReader(TextReader* reader, const char* path);
void CloseTextReader(TextReader* reader);
// Reads the next line with its LF, at most size - 1 characters of it (the rest comes with
// the next call); a Ctrl-Z ends the text. returns 1 with a line, 0 at the end, -1 on an error
int ReadTextLine(TextReader* reader, char* line, size_t size);
bool PathExists(const char* path);
// returns false when the current folder does not fit size characters
bool GetCurrentFolder(char* folder, size_t size);
// returns buffer with the variable's value, or NULL when it is not set or does not fit
const char* ReadEnvironment(const char* name, char* buffer, size_t size);

// state.cpp: the process-wide run state and the option values that start-up reads.
extern HINSTANCE g_hInstance;
extern HWND g_hMainWindow;
extern HWND g_hModelessDialog;
extern int g_bWinNT;
extern int g_nWinMajor;
extern int g_nWinMinor;
extern unsigned int nV;
extern unsigned int nM;
extern int g_bRestartNeeded;
extern char g_szStagingName[KV_PATH_SIZE];
// The exit code of a silent run: the codes deployment systems already read.
enum {
    EXIT_INSTALLED = 0,
    EXIT_INSTALL_FAILED = 1603,   // failed, or refused to install
    EXIT_ALREADY_RUNNING = 1618,  // another setup or uninstaller of the product is running
    EXIT_BAD_COMMAND_LINE = 1639, // a switch unknown, without its value, or with one refused
    EXIT_RESTART_STARTED = 1641,  // installed, and the restart it needs was started
    EXIT_RESTART_NEEDED = 3010,   // installed, and needs a restart it was not allowed to make
};
extern int g_nExitCode;
// Set when the run needs a restart, also where g_bRestartNeeded stays 0 because a silent
// run may not restart the machine.
extern int g_bRestartPending;
// Set by the copy-progress box's Cancel; the install sequence polls it between files.
extern int g_bCancelRequested;
extern int g_bLogging;
extern int g_bAllowReboot;
// Set by /NORESTART: nothing restarts the machine, in an interactive run too; the run says
// that a restart is needed instead of offering it.
extern int g_bNoRestart;
extern int g_bSilent;
extern int g_bNoPass;
extern int gbInstallBonusPack;
extern int g_iconLocation;
extern int g_bExplore;
extern char g_szLine1[256];
extern char g_szLine2[256];
extern char IniFileName[KV_PATH_SIZE];
// Reads a key of the options file; with no options file in use, the default. A value given
// on the command line for [KORVID] DIR32 or GROUP32 (SetOptionOverride) wins over both.
void ReadOptionsFileString(const char* section, const char* key, const char* defaultText, char* buffer,
                           DWORD size);
// True when the OS environment text names Windows NT ("NT", case-sensitive).
int IsWindowsNT(const char* osVariable);
// Makes value stand for the key of [KORVID] whatever the options file says; returns false
// when the key is not one that can be given so, or the value does not fit.
bool SetOptionOverride(const char* key, const char* value);

// messages.cpp
// returns 1 when the string was loaded, 0 when the buffer holds the fallback text
int LoadMessage(UINT id, char* buffer, int size);
// Formats with the platform's numbered inserts into a buffer of KV_FORMAT_SIZE characters;
// numeric inserts are passed as DWORD_PTR. Returns the characters written (0 on failure,
// the buffer then unchanged).
int FormatText(char* output, const char* text, ...);
// Appends one line to setup.log in the current directory (or the file SetLogFile named)
// when logging is on.
void LogLine(const char* text);
// Sends the log's lines to path (a full path) from now on; "" or NULL: setup.log again.
// returns false when the path does not fit
bool SetLogFile(const char* path);

// lock.cpp: one setup or uninstaller of the product at a time on the machine, through a
// named mutex the platform frees when its holder ends, however it ends.
extern const char kSetupLockName[];
// returns 1 when this process now holds the lock (until ReleaseSetupLock or its end), 0 when
// another process holds it
int TakeSetupLock(void);
void ReleaseSetupLock(void);

// bench.cpp: the phase marks of a bench build. Only a build made with KV_BENCH_PHASES has
// them; every other build, the shipped one included, compiles KV_BENCH_PHASE to nothing.
#ifdef KV_BENCH_PHASES
// Appends "<name> <ms since process creation>" to the file named by KV_BENCH_PHASES_FILE,
// when that variable is set.
void BenchPhase(const char* name);
#define KV_BENCH_PHASE(name) BenchPhase(name)
#else
#define KV_BENCH_PHASE(name) ((void)0)
#endif

// window.cpp: the window helpers the pages and the long operations share.
// Centres the window on the desktop, then moves it down by offset; returns 1.
int CenterWindow(HWND window, int offset);
// Handles every waiting message without waiting; returns 1 once the queue is empty.
int PumpMessages(void);
// Fills a buffer of at least KV_TEXT_SIZE characters with the temporary folder, without
// its trailing separator (a drive root keeps it); returns 1, or 0 when there is none that fits.
int GetTempFolder(char* folder);
// The centred position of a window of the given size on a desktop of the given size.
POINT CenteredPosition(int desktopWidth, int desktopHeight, int width, int height, int offset);
