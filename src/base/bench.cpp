// The phase marks of a bench build (KV_BENCH_PHASES): each mark appends the time since the
// process was created to the file that KV_BENCH_PHASES_FILE names. Other builds have none.
#include "base/base.h"

#ifdef KV_BENCH_PHASES

static ULONGLONG FileTimeValue(const FILETIME& time)
{
    return ((ULONGLONG)time.dwHighDateTime << 32) | time.dwLowDateTime;
}

void BenchPhase(const char* name)
{
    char path[KV_PATH_SIZE];
    if (!ReadEnvironment("KV_BENCH_PHASES_FILE", path, sizeof path))
        return;
    FILETIME now, created, ended, kernel, user;
    GetSystemTimeAsFileTime(&now);
    if (!GetProcessTimes(GetCurrentProcess(), &created, &ended, &kernel, &user))
        return;
    // FILETIME counts 100 ns steps: milliseconds with three decimals, rounded.
    ULONGLONG micro = (FileTimeValue(now) - FileTimeValue(created) + 5) / 10;
    char line[KV_TEXT_SIZE];
    if (StrFormat(line, sizeof line, "%s %lu.%03lu", name, (unsigned long)(micro / 1000),
                  (unsigned long)(micro % 1000)))
        AppendTextLine(path, line);
}
#endif
