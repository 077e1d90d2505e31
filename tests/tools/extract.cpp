// kvextract.exe <setup.exe> <folder>: writes every program and library that the setup
// carries into the folder as the setup itself would place it: the "EXE" resource of each
// manifest row whose packed name ends ".ex_" or ".dl_", expanded through LZ, under its
// packed name. Prints one line per file; exits 1 when a file could not be written.
#include <windows.h>
#include <lzexpand.h>
#include <stdio.h>
#include <string.h>
#include <string>
#include "engine/engine.h"

namespace
{

bool IsProgramOrLibrary(const char* packedName)
{
    size_t n = strlen(packedName);
    return n > 4 && (_stricmp(packedName + n - 4, ".ex_") == 0 || _stricmp(packedName + n - 4, ".dl_") == 0);
}

// Writes the packed bytes beside the target, expands them into it and drops the packed copy.
bool ExtractOne(HMODULE setup, const ManifestEntry& row, const std::string& folder)
{
    HRSRC found = FindResourceA(setup, row.resourceName, row.resourceType);
    HGLOBAL loaded = found ? LoadResource(setup, found) : NULL;
    const void* bytes = loaded ? LockResource(loaded) : NULL;
    DWORD size = found ? SizeofResource(setup, found) : 0;
    if (!bytes || size == 0)
        return false;
    std::string packed = folder + "\\" + row.packedName + ".packed";
    std::string target = folder + "\\" + row.packedName;
    FILE* f = fopen(packed.c_str(), "wb");
    if (!f)
        return false;
    bool written = fwrite(bytes, 1, size, f) == size;
    fclose(f);
    OFSTRUCT from = {}, to = {};
    INT source = written ? LZOpenFileA(&packed[0], &from, OF_READ) : -1;
    HFILE dest = source >= 0 ? OpenFile(target.c_str(), &to, OF_CREATE | OF_WRITE) : HFILE_ERROR;
    LONG copied = dest != HFILE_ERROR ? LZCopy(source, dest) : -1;
    if (source >= 0)
        LZClose(source);
    if (dest != HFILE_ERROR)
        _lclose(dest);
    DeleteFileA(packed.c_str());
    return copied > 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        fprintf(stderr, "usage: kvextract <setup.exe> <folder>\n");
        return 2;
    }
    HMODULE setup = LoadLibraryExA(argv[1], NULL, LOAD_LIBRARY_AS_DATAFILE);
    if (!setup) {
        fprintf(stderr, "kvextract: cannot open %s (%lu)\n", argv[1], GetLastError());
        return 1;
    }
    int failed = 0;
    for (const ManifestEntry& row : FileManifest) {
        if (!row.resourceName || !row.packedName || !IsProgramOrLibrary(row.packedName))
            continue;
        if (ExtractOne(setup, row, argv[2])) {
            printf("%s\n", row.packedName);
        } else {
            fprintf(stderr, "kvextract: %s (%s) not extracted\n", row.packedName, row.resourceName);
            failed = 1;
        }
    }
    FreeLibrary(setup);
    return failed;
}
