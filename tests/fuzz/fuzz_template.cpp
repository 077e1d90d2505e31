// Template texts: SubstitutePlaceholder (a product INI line with the destination put in for
// its placeholder), InsertText (a message with a name put in for its first "%s") and Crc32
// (the sum that checks a carried resource). A result that fits is exactly the reference
// one and the call says true; one that does not fit says false; the output is terminated
// within its size either way and a size of 0 is never written to.
#include "fuzz.h"
#include "engine/engine.h"
#include "removal/removal.h"

// Every placeholder replaced, from the left, without looking into what was put in.
static std::string ReplaceAll(const std::string& line, const std::string& placeholder,
                              const std::string& replacement)
{
    if (placeholder.empty())
        return line;
    std::string result;
    size_t from = 0;
    for (size_t at; (at = line.find(placeholder, from)) != std::string::npos; from = at + placeholder.size())
        result += line.substr(from, at - from) + replacement;
    return result + line.substr(from);
}

// The bitwise CRC-32 of zip and gzip, one bit at a time.
static uint32_t SlowCrc32(const std::string& bytes)
{
    uint32_t crc = 0xFFFFFFFFu;
    for (unsigned char c : bytes) {
        crc ^= c;
        for (int k = 0; k < 8; k++)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
    }
    return ~crc;
}

static void CheckSubstitute(size_t size, const std::string& line, const std::string& placeholder,
                            const std::string& replacement)
{
    HeapText lineText(line), placeholderText(placeholder), replacementText(replacement);
    OutBuffer out(size);
    bool ok = SubstitutePlaceholder(out.get(), out.size(), lineText.get(), placeholderText.get(),
                                    replacementText.get());
    std::string expected = ReplaceAll(line, placeholder, replacement);
    FUZZ_CHECK(out.Terminated());
    if (size == 0)
        FUZZ_CHECK(!ok && out.Untouched());
    FUZZ_CHECK(ok == (expected.size() < size));
    if (ok)
        FUZZ_CHECK(out.Text() == expected);
}

static void CheckInsert(size_t size, const std::string& templateText, const std::string& insert)
{
    HeapText templateHeap(templateText), insertHeap(insert);
    OutBuffer out(size);
    bool ok = InsertText(out.get(), out.size(), templateHeap.get(), insertHeap.get());
    size_t at = templateText.find("%s");
    std::string expected = at == std::string::npos
        ? templateText
        : templateText.substr(0, at) + insert + templateText.substr(at + 2);
    FUZZ_CHECK(out.Terminated());
    if (size == 0)
        FUZZ_CHECK(!ok && out.Untouched());
    FUZZ_CHECK(ok == (expected.size() < size));
    if (ok)
        FUZZ_CHECK(out.Text() == expected);
    else if (size > 0)
        FUZZ_CHECK(out.Text().empty());
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzInput input(data, size);
    // The callers' buffers are at most KV_FORMAT_SIZE characters.
    size_t outSize = input.Size(KV_FORMAT_SIZE);
    std::string line = input.Text();
    std::string placeholder = input.Text();
    std::string replacement = input.Text();
    CheckSubstitute(outSize, line, placeholder, replacement);
    // The same texts as a message template and its name.
    CheckInsert(outSize, line, replacement);

    std::string bytes = input.Rest();
    FUZZ_CHECK(Crc32(bytes.data(), bytes.size()) == SlowCrc32(bytes));
    return 0;
}
