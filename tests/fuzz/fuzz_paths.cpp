// Paths and the bounded helpers they are built with: StrCopy, StrAppend, StrFormat,
// JoinPath, JoinPathBackslash, AlternateFileName (".bak"/".new") and DeferredDeleteName
// (".del"). Each terminates its output within the size it was given, says true exactly
// when the whole result fitted, and then holds exactly the reference result; a name made
// for a file stays in that file's folder.
#include "fuzz.h"
#include "engine/engine.h"
#include "removal/removal.h"

static bool IsSeparator(char c)
{
    return c == '\\' || c == '/' || c == ':';
}

// Where the file name of a path starts: after its last '\', '/' or ':'.
static size_t NameStart(const std::string& path)
{
    size_t start = 0;
    for (size_t i = 0; i < path.size(); i++) {
        if (IsSeparator(path[i]))
            start = i + 1;
    }
    return start;
}

static void CheckBounded(size_t size, const std::string& first, const std::string& second)
{
    HeapText firstText(first), secondText(second);
    std::string whole = first + second;
    {
        OutBuffer out(size);
        bool ok = StrCopy(out.get(), out.size(), firstText.get());
        FUZZ_CHECK(out.Terminated());
        FUZZ_CHECK(ok == (first.size() < size));
        FUZZ_CHECK(out.Text() == first.substr(0, size ? size - 1 : 0));
        if (size == 0)
            FUZZ_CHECK(out.Untouched());
    }
    {
        OutBuffer out(size);
        bool ok = StrCopy(out.get(), out.size(), firstText.get());
        ok = StrAppend(out.get(), out.size(), secondText.get()) && ok;
        FUZZ_CHECK(out.Terminated());
        FUZZ_CHECK(ok == (whole.size() < size));
        FUZZ_CHECK(out.Text() == whole.substr(0, size ? size - 1 : 0));
    }
    {
        OutBuffer out(size);
        bool ok = StrFormat(out.get(), out.size(), "%s|%s", firstText.get(), secondText.get());
        std::string expected = first + "|" + second;
        FUZZ_CHECK(out.Terminated());
        FUZZ_CHECK(ok == (expected.size() < size));
        FUZZ_CHECK(out.Text() == expected.substr(0, size ? size - 1 : 0));
    }
}

static void CheckJoins(size_t size, const std::string& folder, const std::string& name)
{
    HeapText folderText(folder), nameText(name);
    char last = folder.empty() ? '\0' : folder.back();
    FUZZ_CHECK(EndsWithSeparator(folderText.get()) == (last == '\\' || last == '/'));
    {
        OutBuffer out(size);
        bool ok = JoinPath(out.get(), out.size(), folderText.get(), nameText.get());
        std::string expected = folder + (last == '\\' || last == '/' ? "" : "\\") + name;
        FUZZ_CHECK(out.Terminated());
        FUZZ_CHECK(ok == (expected.size() < size));
        if (ok)
            FUZZ_CHECK(out.Text() == expected);
    }
    {
        OutBuffer out(size);
        bool ok = JoinPathBackslash(out.get(), out.size(), folderText.get(), nameText.get());
        std::string expected = folder + (last == '\\' ? "" : "\\") + name;
        FUZZ_CHECK(out.Terminated());
        FUZZ_CHECK(ok == (expected.size() < size));
        if (ok)
            FUZZ_CHECK(out.Text() == expected);
    }
}

static void CheckAlternateName(size_t size, const std::string& target, const std::string& suffix)
{
    HeapText targetText(target), suffixText(suffix);
    OutBuffer out(size);
    bool ok = AlternateFileName(out.get(), out.size(), targetText.get(), suffixText.get());
    size_t start = NameStart(target);
    size_t cut = target.find(".dll", start);
    if (cut == std::string::npos)
        cut = target.find(".exe", start);
    FUZZ_CHECK(out.Terminated());
    if (cut == std::string::npos) {
        FUZZ_CHECK(!ok);
    } else {
        std::string expected = target.substr(0, cut) + suffix;
        FUZZ_CHECK(ok == (expected.size() < size));
    }
    if (ok) {
        FUZZ_CHECK(out.Text() == target.substr(0, cut) + suffix);
        FUZZ_CHECK(StartsWith(out.Text(), target.substr(0, start)));
    } else if (size > 0) {
        FUZZ_CHECK(out.Text().empty());
    } else {
        FUZZ_CHECK(out.Untouched());
    }
}

static void CheckDeferredName(size_t size, const std::string& path, unsigned int number)
{
    HeapText pathText(path);
    OutBuffer out(size);
    bool ok = DeferredDeleteName(out.get(), out.size(), pathText.get(), number);
    size_t start = NameStart(path);
    // The whole name stays, so that no two files of one folder share a ".del" name.
    std::string expected = path + (number ? "." + std::to_string(number) : "") + ".del";
    FUZZ_CHECK(out.Terminated());
    FUZZ_CHECK(ok == (expected.size() < size));
    if (ok) {
        FUZZ_CHECK(out.Text() == expected);
        // The file waits in its own folder: what names the folder is kept whole.
        FUZZ_CHECK(StartsWith(out.Text(), path.substr(0, start)));
        FUZZ_CHECK(NameStart(out.Text()) == start);
    } else if (size > 0) {
        FUZZ_CHECK(out.Text().empty());
    }
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzInput input(data, size);
    size_t outSize = input.Size(2 * KV_PATH_SIZE);
    std::string folder = input.Text();
    std::string name = input.Text();
    CheckBounded(outSize, folder, name);
    CheckJoins(outSize, folder, name);
    CheckAlternateName(outSize, folder, name);
    CheckDeferredName(outSize, folder, input.Byte() % 4 == 0 ? 0 : input.Byte());
    return 0;
}
