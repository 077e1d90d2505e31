// The uninstaller's command line: the -o its copy is started with, read back as the original
// wrote it, and refused where the copy would read other values than the original.
#include <gtest/gtest.h>
#include <string>
#include "../../../product/src/unkv32_switches.h"

TEST(UninstallerSwitches, TheCopysLineReadsBackAsTheOriginalsWithItsOrigin)
{
    const std::string entry =
        "-f C:\\Program Files\\KORVID Pro -d C:\\Program Files\\KORVID Pro -g KORVID Pro";
    const std::string program = "C:\\Program Files\\KORVID Pro\\unkv32.exe";
    struct Row {
        std::string arguments;
        std::string original;
        size_t size;
        const char* expected; // null: refused
    } rows[] = {
        { entry, program, 2048,
          "-f C:\\Program Files\\KORVID Pro -d C:\\Program Files\\KORVID Pro -g KORVID Pro -o "
          "\"C:\\Program Files\\KORVID Pro\\unkv32.exe\" 124 4294967295" },
        { entry + " -s", "C:\\K\\unkv32.exe", 2048,
          "-f C:\\Program Files\\KORVID Pro -d C:\\Program Files\\KORVID Pro -g KORVID Pro -s -o "
          "\"C:\\K\\unkv32.exe\" 124 4294967295" },
        { "/S /f C:\\K", "C:\\K\\unkv32.exe", 2048, "/S /f C:\\K -o \"C:\\K\\unkv32.exe\" 124 4294967295" },
        // A path that cannot stand in quotes, or holds a switch the copy would read.
        { entry, "C:\\K\"\\unkv32.exe", 2048, NULL },
        { entry, "C:\\K\t\\unkv32.exe", 2048, NULL },
        { entry, "C:\\K -s x\\unkv32.exe", 2048, NULL },
        { entry, "", 2048, NULL },
        // An -o of the caller's own would make the copy read two.
        { entry + " -o C:\\x", program, 2048, NULL },
        // A value the original could not read, and a line that does not fit.
        { "-f " + std::string(300, 'x'), program, 2048, NULL },
        { entry, program, 100, NULL },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.arguments + " | " + row.original);
        char out[2048];
        memset(out, 'Z', sizeof out);
        bool ok = FormatCopyArguments(out, row.size, row.arguments.c_str(), row.original.c_str(), 124,
                                      4294967295ul);
        ASSERT_EQ(row.expected != NULL, ok);
        if (!ok) {
            EXPECT_STREQ("", out);
            continue;
        }
        EXPECT_STREQ(row.expected, out);
    }
}

TEST(UninstallerSwitches, OriginalValues)
{
    struct Row {
        const char* value;
        size_t size;
        const char* path; // null: refused
        unsigned long report, process;
    } rows[] = {
        { "\"C:\\A B\\unkv32.exe\" 12 34", VALUE_SIZE, "C:\\A B\\unkv32.exe", 12, 34 },
        { "\"C:\\A B\\unkv32.exe\"\t12\t34 ", VALUE_SIZE, "C:\\A B\\unkv32.exe", 12, 34 },
        // A path alone (the parser took its quotes away): no handles.
        { "C:\\A B\\unkv32.exe", VALUE_SIZE, "C:\\A B\\unkv32.exe", 0, 0 },
        { "\"C:\\A\\unkv32.exe\"", VALUE_SIZE, "C:\\A\\unkv32.exe", 0, 0 },
        { "\"C:\\A\\unkv32.exe\" 12", VALUE_SIZE, NULL, 0, 0 },
        { "\"C:\\A\\unkv32.exe\" 12 34 56", VALUE_SIZE, NULL, 0, 0 },
        { "\"C:\\A\\unkv32.exe\" x y", VALUE_SIZE, NULL, 0, 0 },
        { "\"C:\\A\\unkv32.exe", VALUE_SIZE, NULL, 0, 0 },
        { "\"\" 1 2", VALUE_SIZE, NULL, 0, 0 },
        { "", VALUE_SIZE, NULL, 0, 0 },
        { "\"C:\\A\\unkv32.exe\" 1 2", 15, NULL, 0, 0 },
        { "\"C:\\A\\unkv32.exe\" 1 2", 16, "C:\\A\\unkv32.exe", 1, 2 },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.value);
        char path[VALUE_SIZE] = "old";
        unsigned long report = 99, process = 99;
        bool ok = ParseOriginalValue(row.value, path, row.size, &report, &process);
        ASSERT_EQ(row.path != NULL, ok);
        if (!ok)
            continue;
        EXPECT_STREQ(row.path, path);
        EXPECT_EQ(row.report, report);
        EXPECT_EQ(row.process, process);
    }
}
