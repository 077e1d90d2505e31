// The product's file groups and payload for the tests. See files.h.
#include "support/files.h"
#include <gtest/gtest.h>
#include <algorithm>
#include "support/product_state.h"

namespace kvtest
{

const FileGroup kFileGroups[5] = {
    { "ClassicFiles", ClassicFiles, CLASSIC_BASE, CLASSIC_COUNT },
    { "ExplorerFiles", ExplorerFiles, EXPLORER_BASE, EXPLORER_COUNT },
    { "UtilityFiles", UtilityFiles, UTILITY_BASE, UTILITY_COUNT },
    { "CommonFiles", CommonFiles, COMMON_BASE, COMMON_COUNT },
    { "SiteIniFiles", SiteIniFiles, SITEINI_BASE, SITEINI_COUNT },
};

std::vector<std::string> InstalledNames(bool withSiteIni, bool withProductIni)
{
    std::vector<std::string> names;
    for (int g = 0; g < (withSiteIni ? 5 : 4); g++)
        for (int p = (g == kSiteIniGroup && !withProductIni) ? 1 : 0; p < kFileGroups[g].count; p++)
            names.push_back(kFileGroups[g].rows[p].installedName);
    return names;
}

std::vector<std::string> SiteIniNames()
{
    const FileGroup& sites = kFileGroups[kSiteIniGroup];
    std::vector<std::string> names;
    for (int p = 0; p < sites.count; p++)
        names.push_back(sites.rows[p].installedName);
    std::sort(names.begin(), names.end());
    return names;
}

std::string PayloadFolder()
{
    return WinePath(KV_PAYLOAD_DIR_UNIX);
}

std::string PayloadFile(const std::string& name)
{
    return PayloadFolder() + "\\" + name;
}

std::string ResourceBytes(HMODULE module, const char* name)
{
    HRSRC found = FindResourceA(module, name, "EXE");
    if (!found)
        return std::string();
    return std::string((const char*)LockResource(LoadResource(module, found)), SizeofResource(module, found));
}

void ExpectGroupPlaced(const char* file, int line, const std::string& dest, const FileGroup& group, int first)
{
    testing::ScopedTrace trace(file, line, group.name);
    for (int p = first; p < group.count; p++) {
        SCOPED_TRACE(group.rows[p].installedName);
        std::string source = PayloadFile(group.rows[p].installedName);
        std::string placed = dest + "\\" + group.rows[p].installedName;
        if (FileExists(source))
            EXPECT_EQ(ReadFile(source), ReadFile(placed));
        else
            EXPECT_FALSE(FileExists(placed));
    }
}

} // namespace kvtest
