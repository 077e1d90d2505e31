// Registry and COM helpers against Wine's registry: the base product's class entry, reading
// with and without a default, and the library entry call restoring the current folder.
#include <gtest/gtest.h>
#include <direct.h>
#include <string>
#include "engine/engine.h"

static const char kClassKey[] = "CLSID\\{5B1E0C72-3A94-4F6D-8E21-C7D09A3B4A10}";
static const char kServerKey[] = "CLSID\\{5B1E0C72-3A94-4F6D-8E21-C7D09A3B4A10}\\InProcServer32";
static const char kScratchKey[] = "Software\\KorvidSetupTests\\Registry";

class RegistryHelpers : public testing::Test
{
protected:
    void SetUp() override
    {
        Clean();
    }
    void TearDown() override
    {
        Clean();
    }
    static void Clean()
    {
        RegDeleteKeyA(HKEY_CLASSES_ROOT, kServerKey);
        RegDeleteKeyA(HKEY_CLASSES_ROOT, kClassKey);
        RegDeleteKeyA(HKEY_CURRENT_USER, kScratchKey);
        RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\KorvidSetupTests");
    }
    static std::string Value(HKEY root, const char* key, const char* name, DWORD* bytes = nullptr)
    {
        HKEY handle;
        if (RegOpenKeyExA(root, key, 0, KEY_READ, &handle) != ERROR_SUCCESS)
            return "<missing>";
        char buffer[512] = "";
        DWORD size = sizeof buffer - 1;
        LONG rc = RegQueryValueExA(handle, name, NULL, NULL, (BYTE*)buffer, &size);
        RegCloseKey(handle);
        if (rc != ERROR_SUCCESS)
            return "<missing>";
        if (bytes)
            *bytes = size;
        return buffer;
    }
};

TEST_F(RegistryHelpers, BaseProductClassIsWrittenUnquotedAndRemoved)
{
    const char* path = "C:\\Program Files\\KORVID Pro\\kv95pro.exe";
    ASSERT_EQ(1, RegisterBaseProduct(path));
    DWORD bytes = 0;
    EXPECT_EQ(path, Value(HKEY_CLASSES_ROOT, kServerKey, NULL));
    EXPECT_EQ("Apartment", Value(HKEY_CLASSES_ROOT, kServerKey, "ThreadingModel", &bytes));
    EXPECT_EQ(10u, bytes);

    // A second registration over the existing key rewrites the path.
    ASSERT_EQ(1, RegisterBaseProduct("D:\\K\\kv95pro.exe"));
    EXPECT_EQ("D:\\K\\kv95pro.exe", Value(HKEY_CLASSES_ROOT, kServerKey, NULL));

    EXPECT_EQ(1, UnregisterBaseProduct());
    HKEY key;
    EXPECT_NE(ERROR_SUCCESS, RegOpenKeyA(HKEY_CLASSES_ROOT, kServerKey, &key));
    // The class key, left empty, goes too; one that holds something else since stays.
    EXPECT_NE(ERROR_SUCCESS, RegOpenKeyA(HKEY_CLASSES_ROOT, kClassKey, &key));
    EXPECT_EQ(1, UnregisterBaseProduct()); // nothing left to remove is still success
    ASSERT_EQ(1, RegisterBaseProduct(path));
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyA(HKEY_CLASSES_ROOT, kClassKey, &key));
    RegSetValueExA(key, NULL, 0, REG_SZ, (const BYTE*)"Other", 6);
    RegCloseKey(key);
    EXPECT_EQ(1, UnregisterBaseProduct());
    EXPECT_NE(ERROR_SUCCESS, RegOpenKeyA(HKEY_CLASSES_ROOT, kServerKey, &key));
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyA(HKEY_CLASSES_ROOT, kClassKey, &key));
    RegCloseKey(key);
}

TEST_F(RegistryHelpers, ReadAndWriteStrings)
{
    char buffer[16] = "untouched";
    EXPECT_EQ(0, ReadRegistryString(HKEY_CURRENT_USER, kScratchKey, NULL, "default", buffer, sizeof buffer));
    EXPECT_STREQ("untouched", buffer); // a missing key leaves the buffer alone

    EXPECT_EQ(0,
              WriteRegistryString(HKEY_CURRENT_USER, "Software\\KorvidSetupTests", "Registry", NULL, NULL));
    EXPECT_EQ(0, ReadRegistryString(HKEY_CURRENT_USER, kScratchKey, NULL, "default", buffer, sizeof buffer));
    EXPECT_STREQ("default", buffer); // the key exists, the value does not

    EXPECT_EQ(1,
              WriteRegistryString(HKEY_CURRENT_USER, "Software\\KorvidSetupTests", "Registry", NULL,
                                  "KORVID Pro Explorer"));
    char big[64];
    EXPECT_EQ(1, ReadRegistryString(HKEY_CURRENT_USER, kScratchKey, NULL, NULL, big, sizeof big));
    EXPECT_STREQ("KORVID Pro Explorer", big);
    // A value larger than the buffer is not read and never overruns it.
    char small[8] = "keep";
    EXPECT_EQ(0, ReadRegistryString(HKEY_CURRENT_USER, kScratchKey, NULL, NULL, small, sizeof small));
}

TEST_F(RegistryHelpers, LibraryEntryRestoresTheCurrentFolder)
{
    char before[MAX_PATH], after[MAX_PATH], temp[MAX_PATH];
    ASSERT_TRUE(_getcwd(before, sizeof before));
    GetTempPathA(sizeof temp, temp);
    temp[strlen(temp) - 1] = '\0';
    EXPECT_EQ(REGLIB_NOT_RUN, RegisterLibrary(temp, "no-such-library.dll"));
    ASSERT_TRUE(_getcwd(after, sizeof after));
    EXPECT_STREQ(before, after);

    char scratch[MAX_PATH];
    ASSERT_TRUE(JoinPath(scratch, sizeof scratch, temp, "kvreg-file.txt"));
    HANDLE file = CreateFileA(scratch, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    CloseHandle(file);
    EXPECT_EQ(1, FileCanBeOpened(temp, "kvreg-file.txt"));
    DeleteFileA(scratch);
    EXPECT_EQ(0, FileCanBeOpened(temp, "kvreg-file.txt"));
}
