// The destination check, ClassifyDestination, on an absolute folder against the work,
// Windows and system folders. A folder it accepts is a full path with a folder of its own
// below its drive or share, with no "." or ".." segment, and neither inside nor holding any
// of the three folders (letter case and trailing backslashes aside); the reasons come in
// their order (relative, root, files too long, system, work); and the answer does not
// change with the letter case or with trailing backslashes of the folder. Paths are
// compared by their backslash segments: CheckDestination hands over what GetFullPathNameA
// made, in which '/' and runs of separators are already gone. ClassifyRecordedFolder
// differs only in letting a folder lie inside the three.
#include "fuzz.h"
#include "engine/engine.h"
#include <ctype.h>

static std::string Lower(std::string text)
{
    for (char& c : text)
        c = (char)tolower((unsigned char)c);
    return text;
}

static std::string Trimmed(std::string path)
{
    while (!path.empty() && path.back() == '\\')
        path.pop_back();
    return path;
}

// True when inner is the folder outer or lies inside it (an empty outer holds nothing).
static bool SameOrInside(const std::string& inner, const std::string& outer)
{
    std::string in = Lower(Trimmed(inner)), out = Lower(Trimmed(outer));
    if (out.empty() || !StartsWith(in, out))
        return false;
    return in.size() == out.size() || in[out.size()] == '\\';
}

static std::vector<std::string> Segments(const std::string& path)
{
    std::vector<std::string> segments;
    size_t from = 0;
    for (;;) {
        size_t at = path.find('\\', from);
        segments.push_back(path.substr(from, at == std::string::npos ? std::string::npos : at - from));
        if (at == std::string::npos)
            return segments;
        from = at + 1;
    }
}

static int Classify(const std::string& path, const char* work, const char* windows, const char* system)
{
    HeapText pathText(path);
    return ClassifyDestination(pathText.get(), work, windows, system);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzInput input(data, size);
    unsigned choice = input.Byte();
    std::string path = input.Text();
    std::string work = input.Text(), windows = input.Text(), system = input.Text();
    HeapText workText(work), windowsText(windows), systemText(system);
    // A missing folder (null) holds nothing, as an empty one.
    const char* workArg = choice & 1 ? NULL : workText.get();
    const char* windowsArg = choice & 2 ? NULL : windowsText.get();
    const char* systemArg = choice & 4 ? NULL : systemText.get();

    int reason = Classify(path, workArg, windowsArg, systemArg);
    FUZZ_CHECK(reason >= DEST_ACCEPTED && reason <= DEST_FILES_TOO_LONG && reason != DEST_TOO_LONG);
    FUZZ_CHECK(ClassifyDestination(NULL, workArg, windowsArg, systemArg) == DEST_RELATIVE);

    // A recorded folder may lie inside the three folders: only one that is one of them or
    // holds one is refused for that, and every other answer is the same.
    HeapText recordedText(path);
    int recorded = ClassifyRecordedFolder(recordedText.get(), workArg, windowsArg, systemArg);
    if (reason == DEST_SYSTEM_FOLDER || reason == DEST_WORK_FOLDER) {
        bool holdsSystem =
            (windowsArg && SameOrInside(windows, path)) || (systemArg && SameOrInside(system, path));
        bool holdsWork = workArg && SameOrInside(work, path);
        FUZZ_CHECK(recorded
                   == (holdsSystem     ? DEST_SYSTEM_FOLDER
                           : holdsWork ? DEST_WORK_FOLDER
                                       : DEST_ACCEPTED));
    } else {
        FUZZ_CHECK(recorded == reason);
    }

    bool share = StartsWith(path, "\\\\");
    bool drive = path.size() >= 3 && isalpha((unsigned char)path[0]) && path[1] == ':' && path[2] == '\\';
    bool absolute = share || drive;
    std::vector<std::string> segments = Segments(path);
    bool dots = false;
    for (size_t i = 1; i < segments.size(); i++)
        dots = dots || segments[i] == "." || segments[i] == "..";
    if (!absolute || dots) {
        FUZZ_CHECK(reason == DEST_RELATIVE);
        return 0;
    }
    FUZZ_CHECK(reason != DEST_RELATIVE);
    // A folder below the root: "C:\x" or "\\server\share\x" (a "\\?\" or "\\.\" device
    // path is never a folder of its own).
    std::string trimmed = Trimmed(path);
    bool below =
        share ? path[2] != '?' && path[2] != '.' && Segments(trimmed).size() >= 5 : trimmed.size() > 3;
    FUZZ_CHECK((reason == DEST_ROOT) == !below);
    if (reason == DEST_ROOT)
        return 0;
    // Every product file's path must fit inside the folder.
    bool filesFit = trimmed.size() + 1 + KV_LONGEST_FILE_NAME <= MAX_PATH - 1;
    FUZZ_CHECK((reason == DEST_FILES_TOO_LONG) == !filesFit);
    if (!filesFit)
        return 0;

    const char* systemFolders[] = { windowsArg, systemArg };
    bool inSystem = false;
    for (const char* folder : systemFolders)
        inSystem = inSystem || (folder && (SameOrInside(path, folder) || SameOrInside(folder, path)));
    if (reason == DEST_SYSTEM_FOLDER) {
        FUZZ_CHECK(inSystem);
    } else {
        FUZZ_CHECK(!inSystem);
        bool inWork = workArg && (SameOrInside(path, work) || SameOrInside(work, path));
        FUZZ_CHECK(inWork == (reason == DEST_WORK_FOLDER));
    }

    // The same folder in other letters, or with a trailing backslash, is the same folder.
    std::string upper = path;
    for (char& c : upper)
        c = (char)toupper((unsigned char)c);
    FUZZ_CHECK(Classify(upper, workArg, windowsArg, systemArg) == reason);
    FUZZ_CHECK(Classify(Lower(path), workArg, windowsArg, systemArg) == reason);
    FUZZ_CHECK(Classify(path + "\\", workArg, windowsArg, systemArg) == reason);
    return 0;
}
