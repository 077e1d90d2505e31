// The two fixed tables of the product's files: FileManifest says which resource holds
// each packed file and under which name it is staged; ProductFileTable's five groups say
// how each file is installed and record what happened to it during the run.
#include "engine/engine.h"
#include "resources/resource.h"

char g_szTitleHelp[KV_TEXT_SIZE];
char g_szTitleReleaseNotes[KV_TEXT_SIZE];
char g_szTitleUninstall[KV_TEXT_SIZE];
char g_szTitleIconPlacement[KV_TEXT_SIZE];
char g_szTitleExplorerHelp[KV_TEXT_SIZE];

// A null resource marks a file the package does not carry; its names stay so the staged
// file of that name is still cleaned from the temporary folder.
const ManifestEntry FileManifest[MANIFEST_COUNT] = {
    { "EXEFILE2", "EXE", "kv95pro.ex_", "kv95pro.ex_" }, // 0  ClassicFiles
    { "DLLFILE1", "EXE", "kvpro32.dl_", "kvpro32.dl_" },
    { "CNTFILE1", "EXE", "kvpro32.cn_", "kvpro32.cn_" },
    { "HLPFILE1", "EXE", "kvpro32.hl_", "kvpro32.hl_" },
    { "DLLFILE2", "EXE", "kvproex.dl_", "kvproex.dl_" }, // 4  ExplorerFiles
    { "DLLFILE3", "EXE", "nskvch.dl_", "nskvch.dl_" },
    { NULL, "EXE", "kvini.dl_", "kvini.dl_" }, // the INI helper, not packaged
    { "CNTFILE2", "EXE", "Nskv.cn_", "Nskv.cn_" },
    { "HLPFILE2", "EXE", "Nskv.hl_", "Nskv.hl_" },
    { NULL, "EXE", "kvproex.tx_", "kvproex.tx_" },       // TXTFILE2
    { "EXEFILE3", "EXE", "kvscrpt.ex_", "kvscrpt.ex_" }, // 10 UtilityFiles
    { "CNTFILE3", "EXE", "kvscrpt.cn_", "kvscrpt.cn_" },
    { "HLPFILE3", "EXE", "kvscrpt.hl_", "kvscrpt.hl_" },
    { NULL, "EXE", "kvscrpt.tx_", "kvscrpt.tx_" }, // TXTFILE3
    { "EXEFILE1", "EXE", "kvfind.ex_", "kvfind.ex_" },
    { "CNTFILE5", "EXE", "kvfind.cn_", "kvfind.cn_" },
    { "HLPFILE5", "EXE", "kvfind.hl_", "kvfind.hl_" },
    { NULL, "EXE", "kvfind.tx_", "kvfind.tx_" }, // TXTFILE4
    { "EXEFILE4", "EXE", "kvsync.ex_", "kvsync.ex_" },
    { "DLLFILE4", "EXE", "kvsyncd.dl_", "kvsyncd.dl_" },
    { "CNTFILE4", "EXE", "kvsync.cn_", "kvsync.cn_" },
    { "HLPFILE4", "EXE", "kvsync.hl_", "kvsync.hl_" },
    { NULL, "EXE", "kvsync.tx_", "kvsync.tx_" }, // TXTFILE5
    { "EXEFILE6", "EXE", "kvqueue.ex_", "kvqueue.ex_" },
    { "EXEFILE7", "EXE", "kvsched.ex_", "kvsched.ex_" },
    { "CNTFILE6", "EXE", "kvqueue.cn_", "kvqueue.cn_" },
    { "HLPFILE7", "EXE", "kvqueue.hl_", "kvqueue.hl_" },
    { NULL, "EXE", "kvqueue.tx_", "kvqueue.tx_" }, // TXTFILE7
    { "EXEFILE8", "EXE", "kvurl.ex_", "kvurl.ex_" },
    { "DLLFILE6", "EXE", "kvbho2k0.dl_", "kvbho2k0.dl_" },
    { "EXEFILE5", "EXE", "kvlink.ex_", "kvlink.ex_" }, // 30 CommonFiles
    { "DLLFILE5", "EXE", "kvstub.dl_", "kvstub.dl_" },
    { "REMOVEFILE", "EXE", "unkv32.ex_", "unkv32.ex_" },
    { "TXTFILE", "EXE", "kvnews.tx_", "kvnews.tx_" },
    { NULL, "EXE", "kvlink.hl_", "kvlink.hl_" },   // HLPFILE6
    { NULL, "EXE", "kvpro32.pd_", "kvpro32.pd_" }, // TXTFILE6
    { NULL, "EXE", "kvorder.wr_", "kvorder.wr_" }, // ORDER
    { NULL, "EXE", "kvterms.wr_", "kvterms.wr_" }, // LICENSE
    { "WAVE2", "EXE", "kvconn.wa_", "kvconn.wa_" },
    { "WAVE3", "EXE", "kverr.wa_", "kverr.wa_" },
    { "WAVE1", "EXE", "kvdone.wa_", "kvdone.wa_" },
    { "DATFILE1", "EXE", "kvseed.da_", "kvseed.da_" },
    { "SSLKEY1", "EXE", "kvuser.ke_", "kvuser.ke_" },
    { "SSLCRT1", "EXE", "kvuser.cr_", "kvuser.cr_" },
    { "SSLCRT2", "EXE", "oxtavine.cr_", "oxtavine.cr_" },
    { "DLLFILE7", "EXE", "kvssl.dl_", "kvssl.dl_" },
    { "SSLHLP", "EXE", "kvssl.hl_", "kvssl.hl_" },
    { "SSLCNT", "EXE", "kvssl.cn_", "kvssl.cn_" },
    { "INIFILE1", "EXE", "korvid.in_", "korvid.in_" }, // 48 SiteIniFiles (plain text)
    { "INIFILE2", "EXE", "avsites.in_", "avsites.in_" },
    { "INIFILE3", "EXE", "arsites.in_", "arsites.in_" },
    { "INIFILE4", "EXE", "gmsites.in_", "gmsites.in_" },
    { "INIFILE5", "EXE", "hwsites.in_", "hwsites.in_" },
    { "INIFILE6", "EXE", "oxsites.in_", "oxsites.in_" },
    { "INIFILE7", "EXE", "olsites.in_", "olsites.in_" },
    { "INIFILE8", "EXE", "swsites.in_", "swsites.in_" },
    { "INIFILE9", "EXE", "gvsites.in_", "gvsites.in_" },
    { "INSTINI", "EXE", "Install.ini", "Install.ini" }, // 57 the Install.ini template
};

// Each group is written once and used twice: as the live table and as the pristine copy
// that ResetProductFileTable restores. Fields: report name, installed name, display name,
// makeIcon, required, status, lastResult.
// clang-format off
#define CLASSIC_ROWS                                                                         \
    {                                                                                        \
        { "kv95pro.exe",  "kv95pro.exe",  "KORVID Pro",                        1, 1, 0, 0 }, \
        { "kvpro32.dll",  "kvpro32.dll",  "",                                  0, 1, 0, 0 }, \
        { "kvpro32.cnt",  "KvPro32.cnt",  "",                                  0, 0, 0, 0 }, \
        { "kvpro32.hlp",  "kvpro32.hlp",  g_szTitleHelp,                       1, 1, 0, 0 }, \
    }

#define EXPLORER_ROWS                                                                        \
    {                                                                                        \
        { "kvproex.dll",  "kvproex.dll",  "",                                  0, 1, 0, 0 }, \
        { "nskvch.dll",   "nskvch.dll",   "",                                  0, 0, 0, 0 }, \
        { "kvini.dll",    "kvini.dll",    "",                                  0, 0, 0, 0 }, \
        { "nskv.cnt",     "nskv.cnt",     "",                                  0, 0, 0, 0 }, \
        { "nskv.hlp",     "nskv.hlp",     g_szTitleExplorerHelp,               1, 0, 0, 0 }, \
        { "kvproex.txt",  "kvproex.txt",  "KORVID Pro Explorer Release Notes", 0, 0, 0, 0 }, \
    }

#define UTILITY_ROWS                                                                         \
    {                                                                                        \
        { "kvscrpt.exe",  "kvscrpt.exe",  "KORVID Scripting Utility",          1, 1, 0, 0 }, \
        { "kvscrpt.cnt",  "kvscrpt.cnt",  "",                                  0, 0, 0, 0 }, \
        { "kvscrpt.hlp",  "kvscrpt.hlp",  "KORVID Scripting Help",             1, 0, 0, 0 }, \
        { "kvscrpt.txt",  "kvscrpt.txt",  "KORVID Scripting Release Notes",    0, 0, 0, 0 }, \
        { "kvfind.exe",   "kvfind.exe",   "KORVID Find Utility",               1, 1, 0, 0 }, \
        { "kvfind.cnt",   "kvfind.cnt",   "",                                  0, 0, 0, 0 }, \
        { "kvfind.hlp",   "kvfind.hlp",   "KORVID Find Help",                  1, 0, 0, 0 }, \
        { "kvfind.txt",   "kvfind.txt",   "KORVID Find Release Notes",         0, 0, 0, 0 }, \
        { "kvsync.exe",   "kvsync.exe",   "KORVID Synchronize Utility",        1, 1, 0, 0 }, \
        { "kvsyncd.dll",  "kvsyncd.dll",  "",                                  0, 1, 0, 0 }, \
        { "kvsync.cnt",   "kvsync.cnt",   "",                                  0, 0, 0, 0 }, \
        { "kvsync.hlp",   "kvsync.hlp",   "KORVID Synchronize Help",           1, 0, 0, 0 }, \
        { "kvsync.txt",   "kvsync.txt",   "KORVID Synchronize Release Notes",  0, 0, 0, 0 }, \
        { "kvqueue.exe",  "kvqueue.exe",  "KORVID Queuing Utility",            1, 1, 0, 0 }, \
        { "kvsched.exe",  "kvsched.exe",  "",                                  0, 1, 0, 0 }, \
        { "kvqueue.cnt",  "kvqueue.cnt",  "",                                  0, 0, 0, 0 }, \
        { "kvqueue.hlp",  "kvqueue.hlp",  "KORVID Queue Help",                 1, 0, 0, 0 }, \
        { "kvqueue.txt",  "kvqueue.txt",  "KORVID Queue Release Notes",        0, 0, 0, 0 }, \
        { "kvurl.exe",    "kvurl.exe",    "",                                  0, 1, 0, 0 }, \
        { "kvbho2k0.dll", "kvbho2k0.dll", "",                                  0, 1, 0, 0 }, \
    }

#define COMMON_ROWS                                                                          \
    {                                                                                        \
        { "kvlink.exe",   "kvlink.exe",   g_szTitleIconPlacement,              1, 1, 0, 0 }, \
        { "kvstub.dll",   "kvstub.dll",   "",                                  0, 1, 0, 0 }, \
        { "unkv32.exe",   "unkv32.exe",   g_szTitleUninstall,                  1, 0, 0, 0 }, \
        { "KvNews.txt",   "KvNews.txt",   g_szTitleReleaseNotes,               1, 0, 0, 0 }, \
        { "kvlink.hlp",   "kvlink.hlp",   "",                                  0, 0, 0, 0 }, \
        { "kvpro32.pdf",  "kvpro32.pdf",  "KORVID Pro Manual",                 1, 0, 0, 0 }, \
        { "kvorder.wri",  "kvorder.wri",  "",                                  0, 0, 0, 0 }, \
        { "kvterms.wri",  "kvterms.wri",  "",                                  0, 0, 0, 0 }, \
        { "kvconn.wav",   "kvconn.wav",   "",                                  0, 0, 0, 0 }, \
        { "kverr.wav",    "kverr.wav",    "",                                  0, 0, 0, 0 }, \
        { "kvdone.wav",   "kvdone.wav",   "",                                  0, 0, 0, 0 }, \
        { "kvseed.dat",   "kvseed.dat",   "",                                  0, 1, 0, 0 }, \
        { "kvuser.key",   "kvuser.key",   "",                                  0, 0, 0, 0 }, \
        { "kvuser.crt",   "kvuser.crt",   "",                                  0, 0, 0, 0 }, \
        { "oxtavine.crt", "oxtavine.crt", "",                                  0, 0, 0, 0 }, \
        { "kvssl.dll",    "kvssl.dll",    "",                                  0, 1, 0, 0 }, \
        { "kvssl.hlp",    "kvssl.hlp",    "",                                  0, 0, 0, 0 }, \
        { "kvssl.cnt",    "kvssl.cnt",    "",                                  0, 0, 0, 0 }, \
    }

#define SITEINI_ROWS                                                                         \
    {                                                                                        \
        { "KORVID.IN_",   "KORVID.ini",   "",                                  0, 0, 0, 0 }, \
        { "avsites.ini",  "avsites.ini",  "",                                  0, 0, 0, 0 }, \
        { "arsites.ini",  "arsites.ini",  "",                                  0, 0, 0, 0 }, \
        { "gmsites.ini",  "gmsites.ini",  "",                                  0, 0, 0, 0 }, \
        { "hwsites.ini",  "hwsites.ini",  "",                                  0, 0, 0, 0 }, \
        { "oxsites.ini",  "oxsites.ini",  "",                                  0, 0, 0, 0 }, \
        { "olsites.ini",  "olsites.ini",  "",                                  0, 0, 0, 0 }, \
        { "swsites.ini",  "swsites.ini",  "",                                  0, 0, 0, 0 }, \
        { "gvsites.ini",  "gvsites.ini",  "",                                  0, 0, 0, 0 }, \
    }
// clang-format on

ProductFileEntry ClassicFiles[CLASSIC_COUNT] = CLASSIC_ROWS;
ProductFileEntry ExplorerFiles[EXPLORER_COUNT] = EXPLORER_ROWS;
ProductFileEntry UtilityFiles[UTILITY_COUNT] = UTILITY_ROWS;
ProductFileEntry CommonFiles[COMMON_COUNT] = COMMON_ROWS;
ProductFileEntry SiteIniFiles[SITEINI_COUNT] = SITEINI_ROWS;

static const ProductFileEntry kClassicRows[CLASSIC_COUNT] = CLASSIC_ROWS;
static const ProductFileEntry kExplorerRows[EXPLORER_COUNT] = EXPLORER_ROWS;
static const ProductFileEntry kUtilityRows[UTILITY_COUNT] = UTILITY_ROWS;
static const ProductFileEntry kCommonRows[COMMON_COUNT] = COMMON_ROWS;
static const ProductFileEntry kSiteIniRows[SITEINI_COUNT] = SITEINI_ROWS;

// Fills the five title slots that rows 3, 8, 30, 32 and 33 show; a missing string leaves
// its fallback text in the slot.
void LoadItemTitles(void)
{
    LoadMessage(IDS_TITLE_HELP, g_szTitleHelp, ARRAY_SIZE(g_szTitleHelp));
    LoadMessage(IDS_TITLE_RELEASE_NOTES, g_szTitleReleaseNotes, ARRAY_SIZE(g_szTitleReleaseNotes));
    LoadMessage(IDS_TITLE_UNINSTALL, g_szTitleUninstall, ARRAY_SIZE(g_szTitleUninstall));
    LoadMessage(IDS_TITLE_ICON_PLACEMENT, g_szTitleIconPlacement, ARRAY_SIZE(g_szTitleIconPlacement));
    LoadMessage(IDS_TITLE_EXPLORER_HELP, g_szTitleExplorerHelp, ARRAY_SIZE(g_szTitleExplorerHelp));
}

static void ResetGroup(ProductFileEntry* rows, const ProductFileEntry* pristine, int count)
{
    for (int i = 0; i < count; i++)
        rows[i] = pristine[i];
}

// Puts every row back as built: status and lastResult 0, makeIcon and required as tabled.
void ResetProductFileTable(void)
{
    ResetGroup(ClassicFiles, kClassicRows, CLASSIC_COUNT);
    ResetGroup(ExplorerFiles, kExplorerRows, EXPLORER_COUNT);
    ResetGroup(UtilityFiles, kUtilityRows, UTILITY_COUNT);
    ResetGroup(CommonFiles, kCommonRows, COMMON_COUNT);
    ResetGroup(SiteIniFiles, kSiteIniRows, SITEINI_COUNT);
}
