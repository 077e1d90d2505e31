// The file tables: the manifest and the five groups line up row for row, absent rows are
// the ones the package lacks, titles come from the string table, and a reset undoes a run.
#include <gtest/gtest.h>
#include <ctype.h>
#include <string.h>
#include <string>
#include "engine/engine.h"
#include "support/files.h"
#include "support/product_state.h"

namespace
{

using Group = kvtest::FileGroup;
using kvtest::kFileGroups;

} // namespace

TEST(Manifest, GroupsLineUpWithTheManifest)
{
    // The groups cover rows 0 to 56 in order; 57 (INSTINI) belongs to none.
    int next = 0;
    for (const Group& g : kFileGroups) {
        EXPECT_EQ(next, g.base) << g.name;
        next = g.base + g.count;
    }
    EXPECT_EQ(MANIFEST_INSTALL_INI, next);
    EXPECT_EQ(MANIFEST_COUNT, next + 1);

    // Each row's packed name is its installed name with the last character made '_'.
    for (const Group& g : kFileGroups) {
        for (int p = 0; p < g.count; p++) {
            const ManifestEntry& m = FileManifest[g.base + p];
            SCOPED_TRACE(std::string(g.name) + " " + g.rows[p].installedName);
            std::string packed = kvtest::Lower(g.rows[p].installedName);
            packed.back() = '_';
            EXPECT_EQ(packed, kvtest::Lower(m.packedName));
            EXPECT_STREQ(m.packedName, m.stagingName);
            EXPECT_STREQ("EXE", m.resourceType);
        }
    }
    EXPECT_STREQ("INSTINI", FileManifest[MANIFEST_INSTALL_INI].resourceName);
    EXPECT_STREQ("Install.ini", FileManifest[MANIFEST_INSTALL_INI].stagingName);
    EXPECT_STREQ("INIFILE1", FileManifest[MANIFEST_PRODUCT_INI].resourceName);
    EXPECT_STREQ("TXTFILE", FileManifest[MANIFEST_RELEASE_NOTES].resourceName);

    // A row is absent exactly where the package lacks its file, and no absent row is required.
    for (const Group& g : kFileGroups) {
        for (int p = 0; p < g.count; p++) {
            SCOPED_TRACE(g.rows[p].installedName);
            // The product INI is carried as its template.
            bool carried = g.base + p == MANIFEST_PRODUCT_INI
                || kvtest::FileExists(kvtest::PayloadFile(g.rows[p].installedName));
            EXPECT_EQ(carried, FileManifest[g.base + p].resourceName != NULL);
            if (!carried) {
                EXPECT_EQ(0, g.rows[p].required);
            }
        }
    }

    EXPECT_STREQ("kvpro32.cnt", ClassicFiles[2].reportName);
    EXPECT_STREQ("KvPro32.cnt", ClassicFiles[2].installedName);
    EXPECT_STREQ("KORVID.IN_", SiteIniFiles[0].reportName);
    EXPECT_STREQ("KORVID.ini", SiteIniFiles[0].installedName);
}

TEST(Manifest, TitlesComeFromTheStringTable)
{
    LoadItemTitles();
    struct Row {
        const ProductFileEntry* row;
        const char* title;
    } rows[] = {
        { &ClassicFiles[3], "KORVID Pro Help" },         { &ExplorerFiles[4], "KORVID Pro Explorer Help" },
        { &CommonFiles[0], "KORVID Icon Placement" },    { &CommonFiles[2], "KORVID Pro Uninstall" },
        { &CommonFiles[3], "KORVID Pro Release Notes" },
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.title);
        EXPECT_STREQ(r.title, r.row->displayName);
        EXPECT_EQ(1, r.row->makeIcon);
    }
}

TEST(Manifest, ResetUndoesWhatARunChanged)
{
    // What an install on NT 3.x and a partly failed run leave in the table.
    CommonFiles[0].makeIcon = 0;
    CommonFiles[0].required = 0;
    CommonFiles[1].required = 0;
    ClassicFiles[1].status = FILE_INSTALLED | FILE_REGISTERED;
    SiteIniFiles[8].status = FILE_FAILED;
    SiteIniFiles[8].lastResult = 1;
    ResetProductFileTable();
    EXPECT_EQ(1, CommonFiles[0].makeIcon);
    EXPECT_EQ(1, CommonFiles[0].required);
    EXPECT_EQ(1, CommonFiles[1].required);
    for (const Group& g : kFileGroups) {
        for (int p = 0; p < g.count; p++) {
            SCOPED_TRACE(g.rows[p].installedName);
            EXPECT_EQ(0u, g.rows[p].status);
            EXPECT_EQ(0, g.rows[p].lastResult);
        }
    }
}
