// The KORVID Pro payload as the setup relies on it: the libraries' entry points write and
// remove their registry entries, the scheduler's switches, the programs' windows, the
// uninstaller's command line, the data files' formats and the resources the setup carries.
#include <gtest/gtest.h>
#include <windows.h>
#include <ctype.h>
#include <stdint.h>
#include <stdio.h>
#include <string.h>
#include <string>
#include <vector>
#include "../../../product/src/product.h"
#include "engine/engine.h"
#include "support/files.h"
#include "support/product_state.h"

namespace
{

using kvtest::ReadFile;
using kvtest::RegKeyExists;
using kvtest::RegString;

const char kScratchKey[] = "SOFTWARE\\KorvidProductTest";
const char kScratchSslKey[] = "SOFTWARE\\KorvidProductTest\\SSL";

// The description a file's version resource gives, "" when none.
std::string FileDescription(const std::string& path)
{
    DWORD unused = 0, size = GetFileVersionInfoSizeA(path.c_str(), &unused);
    std::vector<char> info(size ? size : 1);
    char* text = NULL;
    UINT length = 0;
    if (!size || !GetFileVersionInfoA(path.c_str(), 0, size, info.data())
        || !VerQueryValueA(info.data(), "\\StringFileInfo\\040904E4\\FileDescription", (void**)&text,
                           &length))
        return "";
    return text;
}

BOOL CALLBACK KeepResourceName(HMODULE, LPCSTR, LPSTR name, LONG_PTR names)
{
    if (!IS_INTRESOURCE(name))
        ((std::vector<std::string>*)names)->push_back(name);
    return TRUE;
}

// Starts a payload program with the given arguments. returns its process, or NULL
HANDLE StartProgram(const char* name, const std::string& args)
{
    std::string cmd = "\"" + kvtest::PayloadFile(name) + "\"" + (args.empty() ? "" : " " + args);
    STARTUPINFOA si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessA(NULL, &cmd[0], NULL, NULL, FALSE, 0, NULL, NULL, &si, &pi))
        return NULL;
    CloseHandle(pi.hThread);
    return pi.hProcess;
}

// Waits for the process to end. returns its exit code, or -1 when it is still running
long long WaitExit(HANDLE process, DWORD ms)
{
    if (WaitForSingleObject(process, ms) != WAIT_OBJECT_0)
        return -1;
    DWORD code = 0;
    GetExitCodeProcess(process, &code);
    return (long long)(int)code;
}

struct WindowSearch {
    DWORD pid;
    std::string className;
    HWND found;
};

BOOL CALLBACK FindProcessWindow(HWND window, LPARAM param)
{
    WindowSearch* search = (WindowSearch*)param;
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    char cls[64] = "";
    GetClassNameA(window, cls, sizeof(cls));
    if (pid == search->pid && search->className == cls && IsWindowVisible(window)) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

// The process's visible top-level window of that class, waited for up to ten seconds.
HWND WaitForWindow(HANDLE process, const char* className)
{
    WindowSearch search = { GetProcessId(process), className, NULL };
    kvtest::WaitUntil([&] {
        EnumWindows(FindProcessWindow, (LPARAM)&search);
        return search.found != NULL;
    });
    return search.found;
}

BOOL CALLBACK CollectText(HWND window, LPARAM param)
{
    char text[2048] = "";
    GetWindowTextA(window, text, sizeof(text));
    *(std::string*)param += text;
    *(std::string*)param += "\n";
    return TRUE;
}

// Leaves none of the entries the product's entry points write, nor the scratch key.
void RemoveProductEntries()
{
    kvtest::RemoveProductState();
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, kScratchSslKey);
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, kScratchKey);
}

class ProductTest : public testing::Test
{
protected:
    void SetUp() override
    {
        RemoveProductEntries();
    }
    void TearDown() override
    {
        RemoveProductEntries();
    }
};

// The library loaded from the payload folder; unloaded at the end of the test.
class Library
{
public:
    explicit Library(const char* name) : module_(LoadLibraryA(kvtest::PayloadFile(name).c_str()))
    {
    }
    ~Library()
    {
        if (module_)
            FreeLibrary(module_);
    }
    HMODULE get() const
    {
        return module_;
    }
    // The export as a function of type T, or null.
    template <typename T> T entry(const char* name) const
    {
        return (T)(void (*)(void))GetProcAddress(module_, name);
    }
    std::string path() const
    {
        char buf[MAX_PATH];
        DWORD n = GetModuleFileNameA(module_, buf, sizeof(buf));
        return std::string(buf, n);
    }

private:
    HMODULE module_;
};

typedef HRESULT(WINAPI* ServerEntry)(void);

TEST_F(ProductTest, ServersRegisterAndUnregisterTheirClasses)
{
    struct Row {
        const char* dll;
        const char* clsid;
        const char* name;
    } rows[] = {
        { "kvproex.dll", KV_CLSID_EXPLORER, KV_NAME_EXPLORER },
        { "kvstub.dll", KV_CLSID_ICON_LINK, KV_NAME_ICON_LINK },
        { "kvbho2k0.dll", KV_CLSID_BROWSER, KV_NAME_BROWSER },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.dll);
        Library lib(row.dll);
        ASSERT_TRUE(lib.get() != NULL);
        ServerEntry reg = lib.entry<ServerEntry>("DllRegisterServer");
        ServerEntry unreg = lib.entry<ServerEntry>("DllUnregisterServer");
        ASSERT_TRUE(reg && unreg);

        std::string classKey = std::string("CLSID\\") + row.clsid;
        std::string serverKey = classKey + "\\InProcServer32";
        EXPECT_EQ(S_OK, reg());
        EXPECT_EQ(row.name, RegString(HKEY_CLASSES_ROOT, classKey.c_str(), NULL));
        EXPECT_STRCASEEQ(lib.path().c_str(), RegString(HKEY_CLASSES_ROOT, serverKey.c_str(), NULL).c_str());
        EXPECT_EQ("Apartment", RegString(HKEY_CLASSES_ROOT, serverKey.c_str(), "ThreadingModel"));

        EXPECT_EQ(S_OK, unreg());
        EXPECT_FALSE(RegKeyExists(HKEY_CLASSES_ROOT, classKey.c_str()));
        EXPECT_EQ(S_OK, unreg()) << "unregistering twice is no failure";
    }
}

TEST_F(ProductTest, BrowserEntriesComeAndGoWithTheLibrary)
{
    Library lib("kvbho2k0.dll");
    ASSERT_TRUE(lib.get() != NULL);
    typedef void(WINAPI * AddKey)(void);
    AddKey netscape = lib.entry<AddKey>("AddNetscapeBhoKey");
    AddKey explorer = lib.entry<AddKey>("AddExplorerBhoKey");
    ASSERT_TRUE(netscape && explorer);

    netscape();
    explorer();
    EXPECT_EQ(KV_NAME_BROWSER, RegString(HKEY_LOCAL_MACHINE, KV_KEY_BHO, NULL));
    EXPECT_STRCASEEQ(lib.path().c_str(), RegString(HKEY_LOCAL_MACHINE, KV_KEY_PLUGIN, "Path").c_str());
    EXPECT_EQ(KV_PLUGIN_MIME_TYPE, RegString(HKEY_LOCAL_MACHINE, KV_KEY_PLUGIN, "MimeType"));

    (lib.entry<ServerEntry>("DllRegisterServer"))();
    EXPECT_EQ(S_OK, (lib.entry<ServerEntry>("DllUnregisterServer"))());
    EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, KV_KEY_BHO));
    EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, KV_KEY_PLUGIN));
}

TEST_F(ProductTest, SslRegistrationRecordsTheFolder)
{
    Library lib("kvssl.dll");
    typedef int(WINAPI * RegisterSsl)(char*, const char*, int);
    RegisterSsl entry = lib.entry<RegisterSsl>("DLLRegisterSSL");
    ASSERT_TRUE(entry != NULL);

    char path[260];
    snprintf(path, sizeof(path), "%s", kScratchSslKey);
    EXPECT_EQ(1, entry(path, "C:\\Program Files\\KORVID.Pro", 0));
    EXPECT_EQ("C:\\Program Files\\KORVID.Pro", RegString(HKEY_LOCAL_MACHINE, path, "InstallDir"));
    EXPECT_EQ("kvuser.key", RegString(HKEY_LOCAL_MACHINE, path, "KeyFile"));
    EXPECT_EQ("kvuser.crt", RegString(HKEY_LOCAL_MACHINE, path, "CertFile"));
    EXPECT_EQ("oxtavine.crt", RegString(HKEY_LOCAL_MACHINE, path, "AuthorityFile"));

    EXPECT_EQ(0, entry(path, "", 0)) << "no folder";
    EXPECT_EQ(0, entry(NULL, "C:\\KORVID", 0)) << "no key";
}

TEST_F(ProductTest, SchedulerSwitches)
{
    const std::string exe = kvtest::PayloadFile("kvsched.exe");
    const std::string quoted = "\"" + exe + "\"";
    struct Step {
        const char* args;
        long long exitCode, installed, startWithWindows;
        bool runValue;
    } steps[] = {
        { "", 0, -1, -1, false },        { "-unknown", 2, -1, -1, false },
        { "-install", 0, 1, 1, true },   { "-install_no_start", 0, 1, 0, false },
        { "-install", 0, 1, 1, true },   { "-remove", 0, -1, -1, false },
        { "-remove", 0, -1, -1, false },
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(std::string("kvsched.exe ") + step.args);
        HANDLE process = StartProgram("kvsched.exe", step.args);
        ASSERT_TRUE(process != NULL);
        EXPECT_EQ(step.exitCode, WaitExit(process, 30000)) << "it ends by itself at once";
        CloseHandle(process);

        EXPECT_EQ(step.installed, kvtest::RegNumber(HKEY_LOCAL_MACHINE, KV_KEY_SCHEDULER, "Installed"));
        EXPECT_EQ(step.startWithWindows,
                  kvtest::RegNumber(HKEY_LOCAL_MACHINE, KV_KEY_SCHEDULER, "StartWithWindows"));
        if (step.installed == 1) {
            EXPECT_STRCASEEQ(exe.c_str(), RegString(HKEY_LOCAL_MACHINE, KV_KEY_SCHEDULER, "Path").c_str());
        }
        std::string run = RegString(HKEY_LOCAL_MACHINE, KV_KEY_RUN, KV_RUN_VALUE);
        if (step.runValue) {
            EXPECT_STRCASEEQ(quoted.c_str(), run.c_str());
        } else {
            EXPECT_EQ("<missing>", run);
        }
    }
}

TEST(ProductPrograms, WindowsStayOpenUntilClosed)
{
    // Every program of the groups but the uninstaller (a box, below) and the scheduler (it
    // ends at once, above): its window's class is its name, its title the file's description.
    struct Row {
        std::string exe, cls, title;
    };
    std::vector<Row> rows;
    for (const std::string& name : kvtest::InstalledNames(false)) {
        size_t dot = name.rfind('.');
        if (dot == std::string::npos || kvtest::Lower(name.substr(dot)) != ".exe" || name == "unkv32.exe"
            || name == "kvsched.exe")
            continue;
        std::string cls;
        for (char c : name.substr(0, dot))
            cls += (char)toupper((unsigned char)c);
        rows.push_back({ name, cls, FileDescription(kvtest::PayloadFile(name)) });
        EXPECT_NE("", rows.back().title) << name;
    }
    ASSERT_EQ(7u, rows.size());
    // All start at once, are checked, and are closed at once: each takes Wine a while to end.
    const size_t count = rows.size();
    std::vector<HANDLE> processes(count);
    std::vector<HWND> windows(count);
    for (size_t i = 0; i < count; i++)
        processes[i] = StartProgram(rows[i].exe.c_str(), "");
    for (size_t i = 0; i < count; i++) {
        SCOPED_TRACE(rows[i].exe);
        if (!processes[i]) {
            ADD_FAILURE() << "did not start";
            continue;
        }
        windows[i] = WaitForWindow(processes[i], rows[i].cls.c_str());
        EXPECT_TRUE(windows[i] != NULL);
        char title[128] = "";
        GetWindowTextA(windows[i], title, sizeof(title));
        EXPECT_EQ(rows[i].title, title);
    }
    // Each window is up: each program still runs, waiting for its window to be closed.
    for (size_t i = 0; i < count; i++) {
        if (processes[i]) {
            EXPECT_EQ((DWORD)WAIT_TIMEOUT, WaitForSingleObject(processes[i], 0)) << rows[i].exe;
        }
    }
    for (size_t i = 0; i < count; i++) {
        if (windows[i])
            PostMessageA(windows[i], WM_CLOSE, 0, 0);
        else if (processes[i])
            TerminateProcess(processes[i], 99);
    }
    for (size_t i = 0; i < count; i++) {
        SCOPED_TRACE(rows[i].exe);
        if (processes[i]) {
            EXPECT_EQ(0, WaitExit(processes[i], 60000)); // the bound only guards against a hang
            CloseHandle(processes[i]);
        }
    }
}

// The uninstaller reads a folder with blanks whole, and removes only the installation that
// win.ini records there: with none recorded it says so; without a folder it shows its usage.
TEST(ProductPrograms, UninstallerNeedsTheRecordedFolder)
{
    WriteProfileStringA("KORVID", NULL, NULL);
    struct Row {
        const char* arguments;
        const char* caption;
        const char* text;
    } rows[] = {
        { "-f C:\\Program Files\\KORVID.Pro -d C:\\Program Files\\KORVID.Pro -g KORVID Pro ", "Remove",
          "Insufficient information available to\nremove this application." },
        { "-g KORVID Pro -d C:\\KORVID", "KORVID Pro Uninstall",
          "Usage: unkv32 -f <folder> -d <folder> -g <group> [-s]" },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.arguments);
        HANDLE process = StartProgram("unkv32.exe", row.arguments);
        ASSERT_TRUE(process != NULL);
        HWND box = WaitForWindow(process, "#32770");
        ASSERT_TRUE(box != NULL);
        char caption[64] = "";
        GetWindowTextA(box, caption, sizeof(caption));
        EXPECT_STREQ(row.caption, caption);
        std::string text;
        EnumChildWindows(box, CollectText, (LPARAM)&text);
        EXPECT_NE(std::string::npos, text.find(row.text)) << text;
        PostMessageA(box, WM_COMMAND, IDOK, 0);
        WaitExit(process, 10000);
        CloseHandle(process);
    }
}

uint32_t Le32(const std::string& b, size_t at)
{
    return (uint8_t)b[at] | (uint8_t)b[at + 1] << 8 | (uint8_t)b[at + 2] << 16
        | (uint32_t)(uint8_t)b[at + 3] << 24;
}

TEST(ProductData, FilesAreWellFormed)
{
    for (const char* name : { "kvpro32.hlp", "nskv.hlp", "kvscrpt.hlp", "kvfind.hlp", "kvsync.hlp",
                              "kvqueue.hlp", "kvssl.hlp" }) {
        SCOPED_TRACE(name);
        std::string b = ReadFile(kvtest::PayloadFile(name));
        ASSERT_GT(b.size(), 16u);
        EXPECT_EQ(std::string("\x3f\x5f\x03\x00", 4), b.substr(0, 4));
        EXPECT_EQ(b.size(), Le32(b, 12)) << "the header's file size";
    }
    for (const char* name : { "kvconn.wav", "kverr.wav", "kvdone.wav" }) {
        SCOPED_TRACE(name);
        std::string b = ReadFile(kvtest::PayloadFile(name));
        ASSERT_GT(b.size(), 44u);
        EXPECT_EQ("RIFF", b.substr(0, 4));
        EXPECT_EQ(b.size() - 8, Le32(b, 4));
        EXPECT_EQ("WAVEfmt ", b.substr(8, 8));
        EXPECT_EQ(1u, Le32(b, 20) & 0xffff) << "PCM";
        EXPECT_EQ("data", b.substr(36, 4));
        EXPECT_EQ(b.size() - 44, Le32(b, 40));
    }
    // Text files: CR LF line ends only; contents files name their help file, which exists.
    for (const char* name :
         { "KvNews.txt",           "KvPro32.cnt", "nskv.cnt",    "kvscrpt.cnt", "kvfind.cnt",
           "kvsync.cnt",           "kvqueue.cnt", "kvssl.cnt",   "kvuser.key",  "kvuser.crt",
           "oxtavine.crt",         "avsites.ini", "arsites.ini", "gmsites.ini", "hwsites.ini",
           "oxsites.ini",          "olsites.ini", "swsites.ini", "gvsites.ini", "templates/KORVID.ini",
           "templates/Install.ini" }) {
        SCOPED_TRACE(name);
        std::string b = ReadFile(kvtest::PayloadFile(name));
        ASSERT_FALSE(b.empty());
        for (size_t i = 0; i < b.size(); i++) {
            if (b[i] == '\n') {
                ASSERT_TRUE(i > 0 && b[i - 1] == '\r') << "bare LF at byte " << i;
            }
        }
        if (strstr(name, ".cnt")) {
            ASSERT_EQ(0u, b.find(":Base "));
            std::string hlp = b.substr(6, b.find('\r') - 6);
            EXPECT_GT(ReadFile(kvtest::PayloadFile(hlp)).size(), 16u) << hlp;
        }
    }
}

TEST(ProductData, TemplatesPointAtTheBookmarkFiles)
{
    std::string ini = kvtest::PayloadFile("templates\\KORVID.ini");
    char names[2048];
    DWORD n = GetPrivateProfileSectionNamesA(names, sizeof(names), ini.c_str());
    std::vector<std::string> sections;
    for (const char* p = names; p < names + n && *p; p += strlen(p) + 1)
        sections.push_back(p);
    const std::vector<std::string> expected = {
        "MySites",       "Hardware", "Online Services",      "Anti-Virus",
        "Games",         "Oxtavine", "Archives and Mirrors", "Software",
        "US Government", "_config_"
    };
    EXPECT_EQ(expected, sections);
    for (size_t i = 0; i + 1 < sections.size(); i++) {
        SCOPED_TRACE(sections[i]);
        char value[261];
        GetPrivateProfileStringA(sections[i].c_str(), "FILENAME", "", value, sizeof(value), ini.c_str());
        ASSERT_EQ(0, strncmp(value, "$$\\", 3)) << value;
        if (i == 0) {
            EXPECT_STREQ("$$\\original.ini", value);
        } else {
            EXPECT_FALSE(ReadFile(kvtest::PayloadFile(value + 3)).empty()) << value;
        }
    }
    char mail[64];
    GetPrivateProfileStringA("_config_", "MAILADDR", "", mail, sizeof(mail), ini.c_str());
    EXPECT_STREQ("qlmrx66@", mail);

    // The options template: each section, the last included, ends with one empty line.
    std::string b = ReadFile(kvtest::PayloadFile("templates\\Install.ini"));
    for (const char* head : { "[RenameThisSectionTo:KORVID]", "[COMMENTS]" }) {
        size_t at = b.find(head);
        ASSERT_NE(std::string::npos, at) << head;
        EXPECT_EQ("\r\n\r\n", b.substr(at - 4, 4)) << head;
        EXPECT_NE("\r\n\r\n\r\n", b.substr(at - 6, 6)) << head;
    }
    EXPECT_EQ("to use this file.\r\n\r\n", b.substr(b.size() - 21));
}

// Reads a resource of type "EXE" of the test program, which links the setup's resources.
TEST(ProductData, SetupCarriesEveryRowPackedAndNoAbsentOne)
{
    HMODULE self = GetModuleHandleA(NULL);
    for (const kvtest::FileGroup& g : kvtest::kFileGroups) {
        for (int p = 0; p < g.count; p++) {
            const char* resource = FileManifest[g.base + p].resourceName;
            if (!resource || g.base + p == MANIFEST_PRODUCT_INI)
                continue;
            SCOPED_TRACE(resource);
            std::string b = kvtest::ResourceBytes(self, resource);
            EXPECT_EQ(std::string("SZDD\x88\xf0\x27\x33", 8), b.substr(0, 8));
            // The packed header records the unpacked size.
            if (b.size() >= 14) {
                EXPECT_EQ(ReadFile(kvtest::PayloadFile(g.rows[p].installedName)).size(), Le32(b, 10));
            }
        }
    }
    EXPECT_EQ(ReadFile(kvtest::PayloadFile("templates\\KORVID.ini")),
              kvtest::ResourceBytes(self, FileManifest[MANIFEST_PRODUCT_INI].resourceName));
    EXPECT_EQ(ReadFile(kvtest::PayloadFile("templates\\Install.ini")),
              kvtest::ResourceBytes(self, FileManifest[MANIFEST_INSTALL_INI].resourceName));
    // Every carried file is one the manifest names: none of the absent rows is carried.
    std::vector<std::string> carried;
    EnumResourceNamesA(self, "EXE", KeepResourceName, (LONG_PTR)&carried);
    size_t named = 0;
    for (const ManifestEntry& m : FileManifest)
        named += m.resourceName ? 1 : 0;
    EXPECT_EQ(named, carried.size());
    for (const std::string& name : carried) {
        bool found = false;
        for (const ManifestEntry& m : FileManifest)
            found |= m.resourceName && _stricmp(m.resourceName, name.c_str()) == 0;
        EXPECT_TRUE(found) << name;
    }
}

} // namespace
