// The Program Manager client against the shell's own PROGMAN server (Wine under Xvfb):
// groups are folders of the user's Start Menu and items are shortcuts in them. Every group
// and item a test makes is removed again in TearDown, and the Explorer window that the
// shell opens for each CreateGroup is closed.
#include <gtest/gtest.h>
#include <windows.h>
#include <shlobj.h>
#include <objidl.h>
#include <algorithm>
#include <set>
#include <string>
#include <vector>
#include "progman/progman.h"
#include "support/machine.h"
#include "support/product_state.h"

namespace
{

bool IsFolder(const std::string& path)
{
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool IsFile(const std::string& path)
{
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The names of the folder's entries, files or folders as asked, without "." and "..".
std::set<std::string> ListFolder(const std::string& folder, bool folders)
{
    std::set<std::string> names;
    kvtest::ForEachEntry(folder, [&](const WIN32_FIND_DATAA& found) {
        if (((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) == folders)
            names.insert(found.cFileName);
    });
    return names;
}

struct Shortcut {
    bool loaded = false;
    std::string target;
    std::string workFolder;
};

// Reads a shortcut's target and working folder through the shell's own link object.
Shortcut ReadShortcut(const std::string& path)
{
    Shortcut result;
    IShellLinkA* link = NULL;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, NULL, CLSCTX_INPROC_SERVER, IID_IShellLinkA, (void**)&link)))
        return result;
    IPersistFile* file = NULL;
    if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, (void**)&file))) {
        WCHAR widePath[MAX_PATH];
        MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, widePath, MAX_PATH);
        if (SUCCEEDED(file->Load(widePath, STGM_READ))) {
            char text[MAX_PATH] = "";
            link->GetPath(text, MAX_PATH, NULL, SLGP_RAWPATH);
            result.target = text;
            text[0] = '\0';
            link->GetWorkingDirectory(text, MAX_PATH);
            result.workFolder = text;
            result.loaded = true;
        }
        file->Release();
    }
    link->Release();
    return result;
}

BOOL CALLBACK CollectExplorerWindow(HWND window, LPARAM param)
{
    char className[64] = "";
    GetClassNameA(window, className, sizeof className);
    if (strcmp(className, "ExplorerWClass") == 0)
        ((std::set<HWND>*)param)->insert(window);
    return TRUE;
}

// Closes the Explorer windows the shell opens (from another process, a moment later) for
// each CreateGroup of a group that still exists: waits for `expected` of them, ten seconds
// at most.
void CloseExplorerWindows(int expected)
{
    std::set<HWND> closed;
    kvtest::WaitUntil(
        [&] {
            std::set<HWND> windows;
            EnumWindows(CollectExplorerWindow, (LPARAM)&windows);
            for (HWND window : windows) {
                if (closed.insert(window).second)
                    PostMessageA(window, WM_CLOSE, 0, 0);
            }
            return (int)closed.size() >= expected;
        },
        10000);
}

bool SamePath(const std::string& a, const std::string& b)
{
    return lstrcmpiA(a.c_str(), b.c_str()) == 0;
}

class ProgmanServer : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(SUCCEEDED(CoInitialize(NULL)));
        m_programs = kvtest::ProgramsFolder();
        ASSERT_TRUE(IsFolder(m_programs)) << m_programs;
        char temp[MAX_PATH];
        GetTempPathA(MAX_PATH, temp);
        m_tag = "KV Progman Test " + std::to_string(GetCurrentProcessId());
        m_dest = std::string(temp) + "kvprogman" + std::to_string(GetCurrentProcessId());
        kvtest::DeleteTree(m_dest);
        ASSERT_TRUE(CreateDirectoryA(m_dest.c_str(), NULL));
        KV_WRITE_FILE(m_dest + "\\kvpro32.pdf", "KORVID");
        KV_WRITE_FILE(m_dest + "\\kvpro32.exe", "KORVID");
    }

    void TearDown() override
    {
        ProgmanClose();
        int windows = 0;
        for (const std::string& group : m_created)
            windows += IsFolder(m_programs + "\\" + group);
        CloseExplorerWindows(windows);
        for (const std::string& group : m_groups)
            kvtest::DeleteTree(m_programs + "\\" + group);
        kvtest::DeleteTree(m_dest);
        CoUninitialize();
    }

    // A group name of this test run, removed in TearDown.
    std::string ScratchGroup(const std::string& suffix)
    {
        std::string name = m_tag + " " + suffix;
        Remember(name);
        return name;
    }

    void Remember(const std::string& group)
    {
        m_groups.push_back(group);
    }

    // ProgmanCreateGroup, noting the Explorer window it brings.
    int CreateGroup(const std::string& group)
    {
        m_created.push_back(group);
        return ProgmanCreateGroup(group.c_str());
    }

    std::string Link(const std::string& group, const std::string& item)
    {
        return m_programs + "\\" + group + "\\" + item + ".lnk";
    }

    std::string m_programs;
    std::string m_tag;
    std::string m_dest;
    std::vector<std::string> m_groups;  // removed in TearDown
    std::vector<std::string> m_created; // each brings an Explorer window
};

TEST_F(ProgmanServer, GroupAndItemsAreMadeReplacedAndDeleted)
{
    std::string group = ScratchGroup("Items");
    ASSERT_EQ(1, CreateGroup(group));
    EXPECT_EQ(1, g_bDdeActive);
    ASSERT_TRUE(IsFolder(m_programs + "\\" + group));

    // An item runs the file in the destination folder, with that folder to work in.
    EXPECT_EQ(1, ProgmanAddItem("KORVID Pro Help", m_dest.c_str(), "kvpro32.pdf", ""));
    Shortcut help = ReadShortcut(Link(group, "KORVID Pro Help"));
    ASSERT_TRUE(help.loaded);
    EXPECT_TRUE(SamePath(m_dest + "\\kvpro32.pdf", help.target)) << help.target;
    EXPECT_TRUE(SamePath(m_dest, help.workFolder)) << help.workFolder;

    // Adding the same name again replaces the item: one shortcut, to the new file.
    std::string destSlash = m_dest + "\\";
    EXPECT_EQ(1, ProgmanAddItem("KORVID Pro Help", destSlash.c_str(), "kvpro32.exe", ""));
    EXPECT_EQ(std::set<std::string> { "KORVID Pro Help.lnk" }, ListFolder(m_programs + "\\" + group, false));
    help = ReadShortcut(Link(group, "KORVID Pro Help"));
    EXPECT_TRUE(SamePath(m_dest + "\\kvpro32.exe", help.target)) << help.target;

    // No item name: the file name names the item, for the add and for the delete.
    EXPECT_EQ(1, ProgmanAddItem("", m_dest.c_str(), "kvpro32.exe", ""));
    EXPECT_TRUE(IsFile(Link(group, "kvpro32.exe")));

    // No folder: the current folder is the working folder and holds the file.
    kvtest::SavedRunState saved;
    ASSERT_TRUE(SetCurrentDirectoryA(m_dest.c_str()));
    EXPECT_EQ(1, ProgmanAddItem("Here", "", "kvpro32.pdf", ""));
    saved.Restore();
    Shortcut here = ReadShortcut(Link(group, "Here"));
    ASSERT_TRUE(here.loaded);
    EXPECT_TRUE(SamePath(m_dest + "\\kvpro32.pdf", here.target)) << here.target;
    EXPECT_TRUE(SamePath(m_dest, here.workFolder)) << here.workFolder;

    EXPECT_EQ(1, ProgmanDeleteItem("KORVID Pro Help", m_dest.c_str(), "kvpro32.exe", ""));
    EXPECT_EQ(1, ProgmanDeleteItem("", m_dest.c_str(), "kvpro32.exe", ""));
    EXPECT_EQ(1, ProgmanDeleteItem("Here", NULL, NULL, NULL));
    EXPECT_TRUE(ListFolder(m_programs + "\\" + group, false).empty());

    EXPECT_EQ(1, ProgmanClose());
    EXPECT_EQ(0, g_bDdeActive);
    EXPECT_EQ(0u, g_ddeInstance);
}

// Items sent together: the server stops a batch at the item it refuses (a file it cannot
// find) and answers for the whole, so the client sends that batch's items again alone. Each
// item gets its own answer, the others are made, and all of it again into the group that is
// now there replaces them; an item with a name of its own gets no second shortcut.
TEST_F(ProgmanServer, FailingItemInsideABatchIsFoundAndTheOthersAreMade)
{
    std::string group = ScratchGroup("Batch");
    ASSERT_EQ(1, CreateGroup(group));
    const std::set<std::string> made = { "First.lnk", "Second.lnk", "Fourth.lnk", "kvpro32.exe.lnk" };
    for (int round = 0; round < 2; round++) {
        SCOPED_TRACE(round ? "into the group made before" : "into a new group");
        ProgmanItemRequest items[] = {
            { "First", m_dest.c_str(), "kvpro32.pdf", "", -1 },
            { "Second", m_dest.c_str(), "kvpro32.exe", "", -1 },
            { "Missing", m_dest.c_str(), "kvmissing.exe", "", -1 },
            { "Fourth", m_dest.c_str(), "kvpro32.pdf", "", -1 },
            { "", m_dest.c_str(), "kvpro32.exe", NULL, -1 },
        };
        EXPECT_EQ(4, ProgmanAddItems(items, (int)ARRAY_SIZE(items)));
        std::vector<int> added;
        for (const ProgmanItemRequest& item : items)
            added.push_back(item.added);
        EXPECT_EQ((std::vector<int> { 1, 1, 0, 1, 1 }), added);
        EXPECT_EQ(made, ListFolder(m_programs + "\\" + group, false));
        Shortcut fourth = ReadShortcut(Link(group, "Fourth"));
        EXPECT_TRUE(SamePath(m_dest + "\\kvpro32.pdf", fourth.target)) << fourth.target;
    }
}

// A command longer than the 516-character buffer goes out whole, not cut.
TEST_F(ProgmanServer, LongCommandIsSentWhole)
{
    std::string deep = m_dest + "\\" + std::string(100, 'd');
    ASSERT_TRUE(CreateDirectoryA(deep.c_str(), NULL));
    deep += "\\" + std::string(200 - deep.size(), 'e');
    ASSERT_TRUE(CreateDirectoryA(deep.c_str(), NULL));
    KV_WRITE_FILE(deep + "\\kvpro32.pdf", "KORVID");
    std::string item(150, 'i');
    ASSERT_GT(deep.size() * 2 + item.size(), (size_t)PROGMAN_COMMAND_SIZE);

    std::string group = ScratchGroup("Long");
    ASSERT_EQ(1, CreateGroup(group));
    EXPECT_EQ(1, ProgmanAddItem(item.c_str(), deep.c_str(), "kvpro32.pdf", ""));
    Shortcut link = ReadShortcut(Link(group, item));
    ASSERT_TRUE(link.loaded);
    EXPECT_TRUE(SamePath(deep + "\\kvpro32.pdf", link.target)) << link.target;
    EXPECT_TRUE(SamePath(deep, link.workFolder)) << link.workFolder;
}

// ProgmanExecute reports the server's answer, and sends nothing once the client is closed;
// item commands wait for a group of this instance, since the shell may have none selected.
TEST_F(ProgmanServer, CommandsNeedAnOpenClientAndItemsAGroup)
{
    std::string group = ScratchGroup("Execute");
    std::string late = ScratchGroup("Late");
    ASSERT_EQ(1, ProgmanOpen());
    m_created.push_back(group);
    EXPECT_EQ(1, ProgmanExecute(g_ddeInstance, ("[CreateGroup(\"" + group + "\")]").c_str()));
    EXPECT_TRUE(IsFolder(m_programs + "\\" + group));
    EXPECT_EQ(0, ProgmanExecute(g_ddeInstance, "[NoSuchCommand(x)]"));

    // The shell's current group is now this one, but this instance never selected it.
    EXPECT_EQ(0, ProgmanAddItem("Orphan", m_dest.c_str(), "kvpro32.pdf", ""));
    EXPECT_FALSE(IsFile(Link(group, "Orphan")));

    EXPECT_EQ(1, ProgmanClose());
    EXPECT_EQ(0, ProgmanExecute(g_ddeInstance, ("[CreateGroup(\"" + late + "\")]").c_str()));
    EXPECT_FALSE(IsFolder(m_programs + "\\" + late));
}

// Only the default group goes, in any letter case, and only while the client is open.
TEST_F(ProgmanServer, CloseAndDeleteGroupDeletesOnlyTheDefaultGroup)
{
    Remember("KORVID Pro");
    ASSERT_EQ(1, CreateGroup("KORVID Pro"));
    EXPECT_EQ(1, ProgmanAddItem("Help", m_dest.c_str(), "kvpro32.pdf", ""));
    ASSERT_TRUE(IsFile(Link("KORVID Pro", "Help")));
    EXPECT_EQ(1, ProgmanClose());
    EXPECT_EQ(1, ProgmanCloseAndDeleteGroup("KORVID Pro"));
    EXPECT_TRUE(IsFile(Link("KORVID Pro", "Help")));

    ASSERT_EQ(1, CreateGroup("KORVID Pro"));
    EXPECT_EQ(1, ProgmanCloseAndDeleteGroup("korvid PRO"));
    EXPECT_EQ(0, g_bDdeActive);
    EXPECT_FALSE(IsFolder(m_programs + "\\KORVID Pro"));

    std::string other = ScratchGroup("KORVID Pro Other");
    ASSERT_EQ(1, CreateGroup(other));
    EXPECT_EQ(1, ProgmanAddItem("Help", m_dest.c_str(), "kvpro32.pdf", ""));
    EXPECT_EQ(1, ProgmanCloseAndDeleteGroup(other.c_str()));
    EXPECT_EQ(0, g_bDdeActive);
    EXPECT_TRUE(IsFile(Link(other, "Help")));
}

// A PROGMAN server of the test's own, on a thread of its own, for the servers below: it
// registers the service and answers every connect to it, and hands the rest of each
// transaction to Answer. Its window is newer than the shell's server, so the client's
// connect reaches it first. A server starts in its constructor and stops in its destructor.
class OwnServer
{
public:
    virtual ~OwnServer() = default;
    bool Registered() const
    {
        return m_registered;
    }

protected:
    void Start()
    {
        s_server = this;
        m_ready = CreateEventA(NULL, TRUE, FALSE, NULL);
        m_thread = CreateThread(NULL, 0, Main, this, 0, &m_threadId);
        WaitForSingleObject(m_ready, 10000);
    }
    void Stop()
    {
        PostThreadMessageA(m_threadId, WM_QUIT, 0, 0);
        WaitForSingleObject(m_thread, 10000);
        CloseHandle(m_thread);
        CloseHandle(m_ready);
        s_server = NULL;
    }
    HDDEDATA Reply(HSZ item, const std::string& text)
    {
        return DdeCreateDataHandle(m_instance, (LPBYTE)text.c_str(), (DWORD)text.size() + 1, 0, item, CF_TEXT,
                                   0);
    }
    virtual HDDEDATA Answer(UINT type, UINT format, HCONV conv, HSZ item, HDDEDATA data) = 0;
    // A message posted to the server's thread itself (WM_QUIT aside).
    virtual void OnThreadMessage(const MSG&)
    {
    }

    DWORD m_instance = 0;

private:
    static DWORD WINAPI Main(void* param)
    {
        OwnServer* self = (OwnServer*)param;
        MSG msg;
        PeekMessageA(&msg, NULL, 0, 0, PM_NOREMOVE); // the thread's queue, before anyone posts
        DWORD instance = 0;
        if (DdeInitializeA(&instance, Callback, APPCLASS_STANDARD, 0) == DMLERR_NO_ERROR) {
            self->m_instance = instance;
            self->m_service = DdeCreateStringHandleA(instance, "PROGMAN", CP_WINANSI);
            self->m_registered = DdeNameService(instance, self->m_service, NULL, DNS_REGISTER) != NULL;
        }
        SetEvent(self->m_ready);
        while (GetMessageA(&msg, NULL, 0, 0) > 0) {
            if (!msg.hwnd) {
                self->OnThreadMessage(msg);
                continue;
            }
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        if (instance) {
            DdeNameService(instance, self->m_service, NULL, DNS_UNREGISTER);
            DdeFreeStringHandle(instance, self->m_service);
            DdeUninitialize(instance);
        }
        return 0;
    }

    static HDDEDATA CALLBACK Callback(UINT type, UINT format, HCONV conv, HSZ hsz1, HSZ hsz2, HDDEDATA data,
                                      ULONG_PTR, ULONG_PTR)
    {
        if (type == XTYP_CONNECT)
            return (HDDEDATA)(ULONG_PTR)(DdeCmpStringHandles(hsz1, s_server->m_service) == 0);
        return s_server->Answer(type, format, conv, hsz2, data);
    }

    static OwnServer* s_server;
    HANDLE m_ready = NULL;
    HANDLE m_thread = NULL;
    DWORD m_threadId = 0;
    HSZ m_service = NULL;
    bool m_registered = false;
};

OwnServer* OwnServer::s_server = NULL;

// The name a string handle of the server's stands for.
std::string HandleText(DWORD instance, HSZ handle)
{
    char text[64] = "";
    DdeQueryStringA(instance, handle, text, sizeof text, CP_WINANSI);
    return text;
}

// A server that answers late: it holds back the acknowledgement of the first CreateGroup
// (CBR_BLOCK) until a "Groups" request arrives, which the client makes only after its
// time-out, and then lists that group or not. Every command it takes is kept.
class LateServer : public OwnServer
{
public:
    LateServer(const std::string& group, bool listsGroup) : m_group(group), m_listsGroup(listsGroup)
    {
        Start();
    }
    ~LateServer()
    {
        Stop();
    }
    std::vector<std::string> Commands()
    {
        return m_commands;
    }

private:
    enum State { WAITING, BLOCKED, RELEASING, DONE };

    void OnThreadMessage(const MSG& msg) override
    {
        if (msg.message == WM_APP)
            DdeEnableCallback(m_instance, m_blocked, EC_ENABLEALL);
    }

    HDDEDATA Answer(UINT type, UINT format, HCONV conv, HSZ item, HDDEDATA data) override
    {
        switch (type) {
        case XTYP_EXECUTE: {
            char text[PROGMAN_COMMAND_SIZE] = "";
            DdeGetData(data, (LPBYTE)text, sizeof text - 1, 0);
            bool createGroup = strncmp(text, "[CreateGroup(", 13) == 0;
            if (createGroup && m_state == WAITING) {
                m_state = BLOCKED;
                m_blocked = conv;
                m_commands.push_back(text);
                return CBR_BLOCK;
            }
            if (createGroup && m_state == RELEASING) {
                // The held-back command, handed in again once the conversation is enabled.
                m_state = DONE;
                return (HDDEDATA)DDE_FACK;
            }
            m_commands.push_back(text);
            return (HDDEDATA)DDE_FACK;
        }
        case XTYP_REQUEST: {
            if (format != CF_TEXT || HandleText(m_instance, item) != "Groups")
                return NULL;
            std::string list = "Accessories\r\n";
            if (m_listsGroup && m_state != WAITING)
                list += m_group + "\r\n";
            if (m_state == BLOCKED) {
                m_state = RELEASING;
                PostThreadMessageA(GetCurrentThreadId(), WM_APP, 0, 0);
            }
            return Reply(item, list);
        }
        }
        return NULL;
    }

    std::string m_group;
    bool m_listsGroup;
    State m_state = WAITING;
    HCONV m_blocked = NULL;
    std::vector<std::string> m_commands;
};

// A CreateGroup answered after the client's time-out: when the server then lists the group,
// every item still goes into it; when it does not, no item is sent.
TEST_F(ProgmanServer, CreateGroupAnsweredLateGetsItsItemsWhenTheGroupIsThere)
{
    const std::string group = m_tag + " Late";
    struct Row {
        bool listsGroup;
        int added;
    } rows[] = { { true, 1 }, { false, 0 } };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.listsGroup ? "listed" : "not listed");
        LateServer server(group, row.listsGroup);
        ASSERT_TRUE(server.Registered());
        ASSERT_EQ(1, ProgmanCreateGroup(group.c_str()));
        EXPECT_EQ(row.added, ProgmanAddItem("KORVID Pro Help", m_dest.c_str(), "kvpro32.pdf", ""));
        EXPECT_EQ(row.added, ProgmanAddItem("", m_dest.c_str(), "kvpro32.exe", ""));
        ProgmanClose();

        std::vector<std::string> commands = server.Commands();
        ASSERT_FALSE(commands.empty()) << "the shell's server answered instead of the test's";
        EXPECT_EQ("[CreateGroup(\"" + group + "\")]", commands[0]);
        size_t adds = std::count_if(commands.begin(), commands.end(),
                                    [](const std::string& c) { return c.find("[AddItem(") == 0; });
        EXPECT_EQ(row.added ? 2u : 0u, adds);
        if (row.added) {
            EXPECT_NE(commands.end(),
                      std::find(commands.begin(), commands.end(),
                                "[AddItem(\"" + m_dest + "\\kvpro32.pdf\",\"KORVID Pro Help\",,,,,\"" + m_dest
                                    + "\")]"));
        }
    }
}

// A PROGMAN server of the test's own that keeps items as the Windows servers do: AddItem
// adds an item even when one of that name is there (the shell's server under Wine would
// overwrite it) and refuses a file that is not there; DeleteItem deletes one item of the
// name, and fails when there is none; the commands of one execute string run in order until
// the first that fails. It lists the groups it made.
class CountingServer : public OwnServer
{
public:
    CountingServer()
    {
        Start();
    }
    ~CountingServer()
    {
        Stop();
    }
    std::multiset<std::string> Items() const
    {
        return m_items;
    }
    int Executes() const
    {
        return m_executes;
    }

private:
    // Runs one "[Name("a","b",...)]" command at *p and moves past it. returns false when it fails
    bool RunCommand(const char** p)
    {
        std::string name;
        std::vector<std::string> fields(1);
        const char* c = *p + 1;
        while (*c && *c != '(')
            name += *c++;
        for (bool quoted = false; *c && (quoted || *c != ']'); c++) {
            if (*c == '"')
                quoted = !quoted;
            else if (*c == ',' && !quoted)
                fields.emplace_back();
            else if (quoted)
                fields.back() += *c;
        }
        *p = *c ? c + 1 : c;
        if (name == "CreateGroup") {
            m_groups += fields[0] + "\r\n";
            return true;
        }
        if (name == "AddItem") {
            if (GetFileAttributesA(fields[0].c_str()) == INVALID_FILE_ATTRIBUTES)
                return false;
            m_items.insert(fields[1]);
            return true;
        }
        auto found = m_items.find(fields[0]);
        if (name != "DeleteItem" || found == m_items.end())
            return false;
        m_items.erase(found);
        return true;
    }

    HDDEDATA Answer(UINT type, UINT, HCONV, HSZ item, HDDEDATA data) override
    {
        if (type == XTYP_REQUEST)
            return Reply(item, "Accessories\r\n" + m_groups);
        if (type != XTYP_EXECUTE)
            return NULL;
        std::string text(DdeGetData(data, NULL, 0, 0), '\0');
        DdeGetData(data, (LPBYTE)&text[0], (DWORD)text.size(), 0);
        m_executes++;
        for (const char* p = text.c_str(); *p == '[';) {
            if (!RunCommand(&p))
                return (HDDEDATA)DDE_FNOTPROCESSED;
        }
        return (HDDEDATA)DDE_FACK;
    }

    std::string m_groups;
    std::multiset<std::string> m_items;
    int m_executes = 0;
};

// Where a second AddItem of a name would make a second item: a batch with an item the server
// refuses leaves every other item once, in a new group and again into the group made before;
// a batch it takes whole is one execute string.
TEST_F(ProgmanServer, BatchLeavesEachItemOnceWhereAddsWouldDouble)
{
    const std::string group = m_tag + " Counted";
    CountingServer server;
    ASSERT_TRUE(server.Registered());
    ASSERT_EQ(1, ProgmanCreateGroup(group.c_str()));
    const std::multiset<std::string> made = { "First", "Second", "Fourth", "kvpro32.exe" };
    for (int round = 0; round < 2; round++) {
        SCOPED_TRACE(round);
        ProgmanItemRequest items[] = {
            { "First", m_dest.c_str(), "kvpro32.pdf", "", -1 },
            { "Second", m_dest.c_str(), "kvpro32.exe", "", -1 },
            { "Missing", m_dest.c_str(), "kvmissing.exe", "", -1 },
            { "Fourth", m_dest.c_str(), "kvpro32.pdf", "", -1 },
            { "", m_dest.c_str(), "kvpro32.exe", NULL, -1 },
        };
        EXPECT_EQ(4, ProgmanAddItems(items, (int)ARRAY_SIZE(items)));
        EXPECT_EQ(0, items[2].added);
        EXPECT_EQ(made, server.Items());
    }
    // Repeated deletes of one name, in one string: every item of that name goes, the rest stay.
    std::string old = "[AddItem(\"" + m_dest + "\\kvpro32.pdf\",\"Old\",,,,,\"" + m_dest + "\")]";
    ASSERT_EQ(1, ProgmanExecute(g_ddeInstance, (old + old).c_str()));
    int sent = server.Executes();
    EXPECT_EQ(1, ProgmanDeleteItemTimes("Old", 18));
    EXPECT_EQ(1, server.Executes() - sent);
    EXPECT_EQ(made, server.Items());
    ProgmanClose();

    // A new group whose items the server all takes: the group, then the items in one string.
    const std::string whole = m_tag + " Whole";
    ASSERT_EQ(1, ProgmanCreateGroup(whole.c_str()));
    int before = server.Executes();
    ProgmanItemRequest items[] = { { "One", m_dest.c_str(), "kvpro32.pdf", "", -1 },
                                   { "Two", m_dest.c_str(), "kvpro32.exe", "", -1 },
                                   { "Three", m_dest.c_str(), "kvpro32.pdf", "", -1 } };
    EXPECT_EQ(3, ProgmanAddItems(items, (int)ARRAY_SIZE(items)));
    EXPECT_EQ(1, server.Executes() - before);
    ProgmanClose();
}

class ProgmanGroupList : public ProgmanServer
{
protected:
    void SetUp() override
    {
        ProgmanServer::SetUp();
        m_combo = CreateWindowA("COMBOBOX", "", WS_POPUP | CBS_DROPDOWN | CBS_SORT, 0, 0, 200, 200, NULL,
                                NULL, GetModuleHandleA(NULL), NULL);
        ASSERT_TRUE(m_combo != NULL);
    }

    void TearDown() override
    {
        DestroyWindow(m_combo);
        ProgmanServer::TearDown();
    }

    std::set<std::string> ComboNames()
    {
        std::set<std::string> names;
        int count = (int)SendMessageA(m_combo, CB_GETCOUNT, 0, 0);
        for (int i = 0; i < count; i++) {
            char text[PROGMAN_GROUPLIST_SIZE] = "";
            SendMessageA(m_combo, CB_GETLBTEXT, i, (LPARAM)text);
            names.insert(text);
        }
        return names;
    }

    // The groups the shell holds: the folders of the user's Programs folder.
    std::set<std::string> GroupFolders(bool withStartup)
    {
        std::set<std::string> names;
        for (const std::string& name : ListFolder(m_programs, true)) {
            if (withStartup || lstrcmpiA(name.c_str(), "Startup") != 0)
                names.insert(name);
        }
        return names;
    }

    HWND m_combo = NULL;
};

TEST_F(ProgmanGroupList, FillsTheComboWithEveryGroupButStartup)
{
    for (const char* suffix : { "List A", "List B" })
        ASSERT_TRUE(CreateDirectoryA((m_programs + "\\" + ScratchGroup(suffix)).c_str(), NULL));
    std::set<std::string> all = GroupFolders(true);
    ASSERT_NE(all, GroupFolders(false)) << "the prefix has no Startup group";

    EXPECT_EQ(g_szGroupList, ProgmanListGroups(m_combo));
    EXPECT_EQ(0, g_bDdeActive);
    EXPECT_EQ(GroupFolders(false), ComboNames());
    EXPECT_TRUE(ComboNames().count(m_tag + " List A"));
}

// A reply longer than the list buffer keeps the names that fit, each one whole.
TEST_F(ProgmanGroupList, LongReplyKeepsWholeNames)
{
    for (int i = 0; i < 40; i++) {
        std::string name = ScratchGroup("long " + std::to_string(i) + " ");
        name += std::string(70 - name.size(), 'x');
        m_groups.back() = name;
        ASSERT_TRUE(CreateDirectoryA((m_programs + "\\" + name).c_str(), NULL));
    }
    std::set<std::string> all = GroupFolders(true);
    size_t replySize = 1;
    for (const std::string& name : all)
        replySize += name.size() + 2;
    ASSERT_GT(replySize, (size_t)PROGMAN_GROUPLIST_SIZE);

    EXPECT_EQ(g_szGroupList, ProgmanListGroups(m_combo));
    size_t kept = strlen(g_szGroupList);
    EXPECT_LT(kept, (size_t)PROGMAN_GROUPLIST_SIZE);
    // Only the name that did not fit whole, and the line end before it, are left out.
    size_t longest = 0;
    for (const std::string& name : all)
        longest = std::max(longest, name.size());
    EXPECT_GE(kept + longest + 2, (size_t)PROGMAN_GROUPLIST_SIZE - 1);

    std::set<std::string> shown = ComboNames();
    EXPECT_GT(shown.size(), 20u);
    EXPECT_LT(shown.size(), all.size() - 1);
    for (const std::string& name : shown)
        EXPECT_TRUE(all.count(name)) << "not a whole group name: " << name;
}

} // namespace
