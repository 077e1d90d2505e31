// How the texts of the [INSTALL] keys become the option values (InstallOptionsFromValues).
// Each value must follow the README's table: TRUE in any case or exactly 1 is true, FALSE
// in any case or exactly 0 is false, anything else (empty, misspelt) is neither; the keys'
// missing texts give the defaults the table lists.
#include "fuzz.h"
#include "shell/shell.h"

// The README's words, written out: TRUE in any letter case, or exactly "1"; FALSE likewise, or "0".
static bool ReadsAs(const std::string& value, const char* digit, const char* word)
{
    if (value == digit)
        return true;
    if (value.size() != strlen(word))
        return false;
    for (size_t i = 0; i < value.size(); i++) {
        if (value[i] != word[i] && value[i] != word[i] - ('a' - 'A'))
            return false;
    }
    return true;
}

static bool ReadsTrue(const std::string& value)
{
    return ReadsAs(value, "1", "true");
}

static bool ReadsFalse(const std::string& value)
{
    return ReadsAs(value, "0", "false");
}

// The values of a file whose [INSTALL] section lacks every key.
static void CheckMissingKeys()
{
    const char* values[OPTION_COUNT];
    for (int k = 0; k < OPTION_COUNT; k++)
        values[k] = kInstallOptionKeys[k].missingText;
    InstallOptions options = InstallOptionsFromValues(values);
    FUZZ_CHECK(options.logging == 0);
    FUZZ_CHECK(options.allowReboot == 0);
    FUZZ_CHECK(options.silent == 0);
    FUZZ_CHECK(options.noPass == 0);
    FUZZ_CHECK(options.bonus == 1);
    FUZZ_CHECK(options.iconLocation == 0);
    FUZZ_CHECK(options.explore == 1);
    static const char* const names[OPTION_COUNT] = { "LOGGING", "ALLOWRBT", "QUIET",   "NOPASSWORD",
                                                     "BONUS",   "DESKTOP",  "EXPLORER" };
    for (int k = 0; k < OPTION_COUNT; k++)
        FUZZ_CHECK(strcmp(kInstallOptionKeys[k].name, names[k]) == 0);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static bool checked = false;
    if (!checked) {
        CheckMissingKeys();
        checked = true;
    }
    FuzzInput input(data, size);
    std::string texts[OPTION_COUNT];
    // The system reads a value into a buffer of KV_PATH_SIZE characters, so no longer one
    // arrives.
    for (int k = 0; k < OPTION_COUNT; k++)
        texts[k] = input.Text().substr(0, KV_PATH_SIZE - 1);
    HeapText* heap[OPTION_COUNT];
    const char* values[OPTION_COUNT];
    for (int k = 0; k < OPTION_COUNT; k++) {
        heap[k] = new HeapText(texts[k]);
        values[k] = heap[k]->get();
    }
    InstallOptions options = InstallOptionsFromValues(values);
    for (int k = 0; k < OPTION_COUNT; k++)
        delete heap[k];

    // On unless false: LOGGING, EXPLORER. On only when true: the others; DESKTOP's true
    // puts the icons on the desktop (0), anything else in My Computer (1).
    FUZZ_CHECK(options.logging == (ReadsFalse(texts[OPTION_LOGGING]) ? 0 : 1));
    FUZZ_CHECK(options.explore == (ReadsFalse(texts[OPTION_EXPLORER]) ? 0 : 1));
    FUZZ_CHECK(options.allowReboot == (ReadsTrue(texts[OPTION_ALLOWRBT]) ? 1 : 0));
    FUZZ_CHECK(options.silent == (ReadsTrue(texts[OPTION_QUIET]) ? 1 : 0));
    FUZZ_CHECK(options.noPass == (ReadsTrue(texts[OPTION_NOPASSWORD]) ? 1 : 0));
    FUZZ_CHECK(options.bonus == (ReadsTrue(texts[OPTION_BONUS]) ? 1 : 0));
    FUZZ_CHECK(options.iconLocation == (ReadsTrue(texts[OPTION_DESKTOP]) ? 0 : 1));
    return 0;
}
