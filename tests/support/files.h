// The product's files as the tests see them: the five file groups in placement order, the
// payload the package is built from, and the check that a folder holds a group as placed
// from the payload. The checks report the caller's file and line.
#pragma once
#include <windows.h>
#include <string>
#include <vector>
#include "engine/engine.h"

namespace kvtest
{

// One file group: its rows and where they lie in the manifest.
struct FileGroup {
    const char* name;
    ProductFileEntry* rows;
    int base;
    int count;
};
// Classic, Explorer, utilities, common files and site INI files, in the order they are placed.
extern const FileGroup kFileGroups[5];
const int kSiteIniGroup = 4;

// The installed names of every row of the groups, in placement order; without the site INI
// files' first row (the product INI, which is written rather than copied) when
// withProductIni is false, and without the site INI files at all when withSiteIni is false.
std::vector<std::string> InstalledNames(bool withSiteIni = true, bool withProductIni = true);
// The site INI files' installed names (the product INI's too), sorted as ListTree sorts.
std::vector<std::string> SiteIniNames();

// The payload folder the package is built from, and a file in it.
std::string PayloadFolder();
std::string PayloadFile(const std::string& name);

// The bytes of a resource of type "EXE" in a module, empty when it has none.
std::string ResourceBytes(HMODULE module, const char* name);

// Every row of the group from row `first` on that the package carries lies in dest, byte for
// byte, and the rows it lacks are not there.
void ExpectGroupPlaced(const char* file, int line, const std::string& dest, const FileGroup& group,
                       int first = 0);
#define KV_EXPECT_GROUP_PLACED(...) kvtest::ExpectGroupPlaced(__FILE__, __LINE__, __VA_ARGS__)

} // namespace kvtest
