// The Program Manager client: opens a DDEML client instance, sends its commands to the
// "PROGMAN" service, ends the instance, and lists the groups for the group prompt. Answers
// are hardly looked at; a missing server costs one time-out per command at most, and its
// commands are lost without a message.
//
// The instance connects once, at its first command, and sends every later command on that
// conversation, each as a transaction of its own so that each command's answer is known:
// a connection costs the shell about as much as a command. A conversation the server ended
// is dropped and the next command connects again. The group list is asked for on a
// conversation of its own (after a request, the next transaction on the same conversation
// may get a stale answer).
//
// The items of a group go in batches: one execute string holds the AddItem commands of
// several items, which the server runs in order until the first it refuses, answering only
// for the whole string. A batch it accepts added every item; for a batch it refused, each
// of its items is deleted and sent again alone, so that each item still gets its own answer
// and none is left twice. A delete before an add is left out only where it cannot find
// anything: in a group that the server did not list just before this instance made it, for
// a name this instance has not added there yet.
//
// Commands are built in a buffer of PROGMAN_COMMAND_SIZE characters. A command whose names
// and paths are too long for it is built in a heap block of its own size instead, so that a
// long command is sent whole and never cut. An item whose working folder or default command
// line would be longer than 260 characters is not sent at all.
//
// Item commands act on the shell's current group, which only CreateGroup (or ShowGroup)
// selects; a shell that gets one before any group was selected in its lifetime may crash
// (Wine's does, and hangs every later DDE client with it). So items are only added or
// deleted after this instance selected a group: the install's CreateGroup, or the removal's
// ProgmanSelectGroup of a group the server lists; otherwise they are dropped like any other
// lost command.
#include "progman/progman.h"

DWORD g_ddeInstance = 0;
int g_bDdeActive = 0;
char g_szGroupList[PROGMAN_GROUPLIST_SIZE];
// Set once the server accepted this instance's CreateGroup: items have a current group.
static int g_bGroupSelected = 0;
// Set when that group was not listed before this instance's CreateGroup made it: it held
// no items then.
static int g_bGroupNew = 0;
// Set once this instance sent an AddItem.
static int g_bItemSent = 0;
// The execute string of a batch of items.
static char s_batch[PROGMAN_BATCH_SIZE];
// The instance's conversation and its service name, made at the first command.
static HSZ g_hszService = NULL;
static HCONV g_hConversation = NULL;

static const char PROGMAN_SERVICE[] = "PROGMAN";
static const char GROUPS_ITEM[] = "Groups";
static const char DEFAULT_GROUP[] = "KORVID Pro";
static const char STARTUP_GROUP[] = "Startup";

// The buffer of one command: the fixed one, or a heap block for long fields. text is null
// when that block could not be had.
struct CommandBuffer {
    char fixed[PROGMAN_COMMAND_SIZE];
    char* text;
    size_t size;

    explicit CommandBuffer(size_t fieldChars) : text(fixed), size(ProgmanCommandSize(fieldChars))
    {
        if (size > sizeof(fixed))
            text = (char*)HeapAlloc(GetProcessHeap(), 0, size);
    }
    ~CommandBuffer()
    {
        if (text != fixed)
            HeapFree(GetProcessHeap(), 0, text);
    }
    CommandBuffer(const CommandBuffer&) = delete;
    CommandBuffer& operator=(const CommandBuffer&) = delete;
};

// The client serves nothing and handles no notification: every transaction gets 0.
HDDEDATA CALLBACK ProgmanCallback(UINT, UINT, HCONV, HSZ, HSZ, HDDEDATA, ULONG_PTR, ULONG_PTR)
{
    return NULL;
}

// returns true when the conversation is still connected to its server
static bool IsConnected(HCONV conv)
{
    CONVINFO info;
    memset(&info, 0, sizeof info);
    info.cb = sizeof info;
    return DdeQueryConvInfo(conv, QID_SYNC, &info) && (info.wStatus & ST_CONNECTED);
}

// Ends the instance's conversation and frees its service name.
static void EndConversation(void)
{
    if (g_hConversation)
        DdeDisconnect(g_hConversation);
    if (g_hszService)
        DdeFreeStringHandle(g_ddeInstance, g_hszService);
    g_hConversation = NULL;
    g_hszService = NULL;
}

// The conversation for a command of this instance: the open one, or a new one.
// returns null when no server answers
static HCONV InstanceConversation(void)
{
    if (!g_hszService)
        g_hszService = DdeCreateStringHandleA(g_ddeInstance, PROGMAN_SERVICE, CP_WINANSI);
    if (g_hszService && !g_hConversation)
        g_hConversation = DdeConnect(g_ddeInstance, g_hszService, g_hszService, NULL);
    return g_hConversation;
}

// What the server's group list says of a group.
enum GroupListing { GROUP_UNKNOWN, GROUP_LISTED, GROUP_NOT_LISTED };
static GroupListing ListingOf(const char* groupName);

// The library's error for the last command the instance did not get accepted, 0 after one
// it did.
static UINT g_nLastExecuteError = 0;

// returns 1 when the server accepted the command on conv within timeout ms, else 0
static int SendExecute(DWORD instance, HCONV conv, const char* command, DWORD timeout)
{
    // The library only reads an execute's data; the cast drops const for its signature.
    int result = DdeClientTransaction((LPBYTE)command, (DWORD)StrLength(command) + 1, conv, NULL, CF_TEXT,
                                      XTYP_EXECUTE, timeout, NULL)
        ? 1
        : 0;
    g_nLastExecuteError = result ? 0 : DdeGetLastError(instance);
    return result;
}

// Sends on the instance's own conversation, waiting timeout ms for the answer.
// returns 1 when the server accepted the command, else 0 (also when no instance is open)
static int ExecuteOnInstance(const char* command, DWORD timeout)
{
    if (!g_bDdeActive)
        return 0;
    HCONV conv = InstanceConversation();
    if (!conv)
        return 0;
    int result = SendExecute(g_ddeInstance, conv, command, timeout);
    // A refused command leaves the conversation as it was; a server that went away does
    // not, and the next command connects anew.
    if (!result && !IsConnected(conv)) {
        DdeDisconnect(conv);
        g_hConversation = NULL;
    }
    return result;
}

// Sends on the instance's own conversation when instance is g_ddeInstance, else on a
// conversation made for this one command.
// returns 1 when the server accepted the command, else 0 (also when no instance is open)
int ProgmanExecute(DWORD instance, const char* command)
{
    if (!g_bDdeActive)
        return 0;
    if (instance == g_ddeInstance)
        return ExecuteOnInstance(command, PROGMAN_TIMEOUT);
    HSZ service = DdeCreateStringHandleA(instance, PROGMAN_SERVICE, CP_WINANSI);
    if (!service)
        return 0;
    int result = 0;
    HCONV conv = DdeConnect(instance, service, service, NULL);
    if (conv) {
        result = SendExecute(instance, conv, command, PROGMAN_TIMEOUT);
        DdeDisconnect(conv);
    }
    DdeFreeStringHandle(instance, service);
    return result;
}

// returns 1 when a client instance was opened, 0 when the library refused
int ProgmanOpen(void)
{
    // A non-zero identifier would ask the library to re-initialise that instance.
    g_ddeInstance = 0;
    g_bGroupSelected = 0;
    g_bGroupNew = 0;
    g_bItemSent = 0;
    g_hConversation = NULL;
    g_hszService = NULL;
    if (DdeInitializeA(&g_ddeInstance, ProgmanCallback, APPCMD_CLIENTONLY, 0) != DMLERR_NO_ERROR)
        return 0;
    g_bDdeActive = 1;
    return 1;
}

// returns 0 when no client instance could be opened, else 1 whatever the server did
int ProgmanCreateGroup(const char* groupName)
{
    if (!ProgmanOpen())
        return 0;
    CommandBuffer command(groupName ? StrLength(groupName) : 0);
    if (!command.text || !FormatCreateGroupCommand(command.text, command.size, groupName))
        return 1;
    // A group the server does not list yet is made new, and holds none of our items.
    GroupListing before = ListingOf(groupName);
    g_nLastExecuteError = 0;
    g_bGroupSelected = ProgmanExecute(g_ddeInstance, command.text);
    // A shell that opens a window for each new group can answer later than the time-out.
    // The group it then made is its current one: the items go into it once its list shows
    // it. A group it refused outright stays unselected, whatever group is current there.
    if (!g_bGroupSelected && g_nLastExecuteError == DMLERR_EXECACKTIMEOUT) {
        g_bGroupSelected = ProgmanGroupExists(groupName);
        char line[PROGMAN_COMMAND_SIZE];
        if (StrFormat(line, sizeof line, "CreateGroup of \"%s\" not answered in time; the group is %s",
                      groupName, g_bGroupSelected ? "there" : "not there"))
            LogLine(line);
    }
    g_bGroupNew = g_bGroupSelected && before == GROUP_NOT_LISTED;
    return 1;
}

// Makes an existing group the server's current one, so that item deletions act on it and
// not on whatever group some program last used. A group the server does not list is not
// selected: CreateGroup would make it. returns 1 when the server accepted the selection
int ProgmanSelectGroup(const char* groupName)
{
    g_bGroupSelected = 0;
    g_bGroupNew = 0;
    if (!g_bDdeActive || !ProgmanGroupExists(groupName))
        return 0;
    CommandBuffer command(StrLength(groupName));
    if (command.text && FormatCreateGroupCommand(command.text, command.size, groupName))
        g_bGroupSelected = ProgmanExecute(g_ddeInstance, command.text);
    return g_bGroupSelected;
}

// Sends the delete of an item of the current group; its answer does not matter.
static void SendDeleteItem(const char* name)
{
    CommandBuffer command(StrLength(name));
    if (command.text && FormatDeleteItemCommand(command.text, command.size, name))
        ProgmanExecute(g_ddeInstance, command.text);
}

// The item alone: its delete (when sendDelete), then its add, each a transaction of its own.
// returns 1 when the server accepted the add, 0 when it refused it or nothing was sent (no
// group of this instance, a name or folder that cannot be quoted, a path too long)
static int AddOneItem(const char* itemName, const char* folder, const char* fileName, const char* commandLine,
                      bool sendDelete)
{
    if (!g_bGroupSelected)
        return 0;
    char current[KV_PATH_SIZE] = "";
    if (!folder || !*folder) {
        DWORD length = GetCurrentDirectoryA(ARRAY_SIZE(current), current);
        if (length == 0 || length >= ARRAY_SIZE(current))
            return 0;
    }
    ProgmanItem item;
    if (!ResolveProgmanItem(&item, itemName, folder, fileName, commandLine, current))
        return 0;
    size_t nameChars = StrLength(item.itemName);
    CommandBuffer del(nameChars);
    CommandBuffer add(StrLength(item.commandLine) + nameChars + StrLength(item.workFolder));
    // Both or neither: an item deleted but not added again would be lost.
    if (!del.text || !add.text || !FormatDeleteItemCommand(del.text, del.size, item.itemName)
        || !FormatAddItemCommand(add.text, add.size, &item))
        return 0;
    if (sendDelete)
        ProgmanExecute(g_ddeInstance, del.text);
    g_bItemSent = 1;
    return ProgmanExecute(g_ddeInstance, add.text);
}

// True when a delete could find an item: the group was there before, or this instance
// added to it already.
static bool GroupMayHoldItems(void)
{
    return !g_bGroupNew || g_bItemSent;
}

// Replaces the item of that name in the current group: deletes it, then adds it anew.
// returns 1 when the server accepted the add, 0 when it refused it or nothing was sent
int ProgmanAddItem(const char* itemName, const char* folder, const char* fileName, const char* commandLine)
{
    return AddOneItem(itemName, folder, fileName, commandLine, GroupMayHoldItems());
}

// The name an item has in its group, as ResolveProgmanItem gives it.
static const char* RequestName(const ProgmanItemRequest& request)
{
    if (request.itemName && *request.itemName)
        return request.itemName;
    return request.fileName ? request.fileName : "";
}

// True when the server may take the two names for one item: the same in any letter case, or
// once made file names. A name too long to compare counts as the same.
static bool SameItemName(const char* a, const char* b)
{
    char fileA[KV_PATH_SIZE], fileB[KV_PATH_SIZE];
    return lstrcmpiA(a, b) == 0 || !GroupFolderForm(fileA, sizeof fileA, a)
        || !GroupFolderForm(fileB, sizeof fileB, b) || lstrcmpiA(fileA, fileB) == 0;
}

// returns true when items[index] has the name of one of items[first..index)
static bool NameAmong(const ProgmanItemRequest* items, int first, int index)
{
    for (int i = first; i < index; i++) {
        if (SameItemName(RequestName(items[i]), RequestName(items[index])))
            return true;
    }
    return false;
}

// True when items[index] needs its delete first: the group may have held an item of its
// name before this call (sentBefore: this instance had added items already), or an earlier
// item of this call had its name.
static bool NeedsDelete(const ProgmanItemRequest* items, int index, bool sentBefore)
{
    return !g_bGroupNew || sentBefore || NameAmong(items, 0, index);
}

// Puts the AddItem commands of items[first..] into s_batch, up to the first item that goes
// alone: one with a command line of its own (it may name what the server cannot find, such
// as a namespace, and would make the whole batch fail), one whose name is in the batch
// already, or one the batch cannot hold whole. returns the end of the batch
static int FillBatch(const ProgmanItemRequest* items, int first, int count, const char* currentFolder)
{
    s_batch[0] = '\0';
    int end = first;
    for (; end < count; end++) {
        const ProgmanItemRequest& request = items[end];
        ProgmanItem item;
        if ((request.commandLine && *request.commandLine) || NameAmong(items, first, end)
            || ((!request.folder || !*request.folder) && !*currentFolder)
            || !ResolveProgmanItem(&item, request.itemName, request.folder, request.fileName, NULL,
                                   currentFolder)
            || !AppendAddItemCommand(s_batch, sizeof s_batch, &item))
            break;
    }
    return end;
}

// Sends the batch of items[first..end) that s_batch holds, after the deletes it needs.
static void SendBatch(ProgmanItemRequest* items, int first, int end, bool sentBefore)
{
    // A delete of a missing item fails, and inside the batch would stop it: each goes alone.
    for (int i = first; i < end; i++) {
        if (NeedsDelete(items, i, sentBefore))
            SendDeleteItem(RequestName(items[i]));
    }
    g_bItemSent = 1;
    // The server takes as long for each item of a batch as for an item alone.
    if (ExecuteOnInstance(s_batch, (DWORD)PROGMAN_TIMEOUT * (DWORD)(end - first))) {
        for (int i = first; i < end; i++)
            items[i].added = 1;
        return;
    }
    // Refused: the items before the one it refused are there, the others not. Each is
    // deleted (whatever of it the batch added) and sent again alone, for its own answer.
    for (int i = first; i < end; i++) {
        ProgmanItemRequest& request = items[i];
        request.added =
            AddOneItem(request.itemName, request.folder, request.fileName, request.commandLine, true);
    }
}

// returns the number of items added
int ProgmanAddItems(ProgmanItemRequest* items, int count)
{
    for (int i = 0; i < count; i++)
        items[i].added = 0;
    if (!g_bGroupSelected)
        return 0;
    char current[KV_PATH_SIZE] = "";
    DWORD length = GetCurrentDirectoryA(ARRAY_SIZE(current), current);
    if (length == 0 || length >= ARRAY_SIZE(current))
        current[0] = '\0';
    bool sentBefore = g_bItemSent != 0;
    for (int next = 0; next < count;) {
        int end = FillBatch(items, next, count, current);
        if (end - next >= 2) {
            SendBatch(items, next, end, sentBefore);
            next = end;
            continue;
        }
        // A batch of one is the item alone.
        ProgmanItemRequest& request = items[next];
        request.added = AddOneItem(request.itemName, request.folder, request.fileName, request.commandLine,
                                   NeedsDelete(items, next, sentBefore));
        next++;
    }
    int added = 0;
    for (int i = 0; i < count; i++)
        added += items[i].added;
    return added;
}

// The deletes go in execute strings of as many as the batch buffer holds: the server runs
// them in order until one finds no item, and then none of that name is left for the rest.
// returns 1
int ProgmanDeleteItemTimes(const char* itemName, int times)
{
    if (!g_bGroupSelected || !GroupMayHoldItems() || !itemName)
        return 1;
    CommandBuffer command(StrLength(itemName));
    if (!command.text || !FormatDeleteItemCommand(command.text, command.size, itemName))
        return 1;
    while (times > 0) {
        int count = 0;
        size_t used = 0;
        s_batch[0] = '\0';
        while (count < times && StrAppend(s_batch, sizeof s_batch, command.text)) {
            used = StrLength(s_batch);
            count++;
        }
        // A command that did not fit whole is cut off again.
        s_batch[used] = '\0';
        if (count == 0) {
            // Too long for the batch buffer: one at a time.
            count = 1;
            if (!ProgmanExecute(g_ddeInstance, command.text))
                return 1;
        } else if (!ExecuteOnInstance(s_batch, (DWORD)PROGMAN_TIMEOUT * (DWORD)count)) {
            return 1;
        }
        times -= count;
    }
    return 1;
}

// Only the item name and the file name count; the shape matches ProgmanAddItem. returns 1
int ProgmanDeleteItem(const char* itemName, const char*, const char* fileName, const char*)
{
    if (g_bGroupSelected && GroupMayHoldItems())
        SendDeleteItem(itemName && *itemName ? itemName : fileName ? fileName : "");
    return 1;
}

static void EndInstance(void)
{
    if (g_bDdeActive) {
        EndConversation();
        DdeUninitialize(g_ddeInstance);
    }
    g_ddeInstance = 0;
    g_bDdeActive = 0;
    g_bGroupSelected = 0;
    g_bGroupNew = 0;
    g_bItemSent = 0;
}

// returns 1
int ProgmanClose(void)
{
    EndInstance();
    return 1;
}

// Deletes the group only when it is the default one, which holds nothing but ours;
// a group the user named may hold other programs. returns 1
int ProgmanCloseAndDeleteGroup(const char* groupName)
{
    if (g_bDdeActive && groupName && lstrcmpiA(groupName, DEFAULT_GROUP) == 0) {
        CommandBuffer command(StrLength(groupName));
        if (command.text && FormatDeleteGroupCommand(command.text, command.size, groupName))
            ProgmanExecute(g_ddeInstance, command.text);
    }
    EndInstance();
    return 1;
}

// Asks for the "Groups" item and copies the reply into g_szGroupList; *whole tells whether
// a reply came and every name of it was kept.
// returns false when no conversation could be had
static bool RequestGroupList(DWORD instance, bool* whole)
{
    *whole = false;
    HSZ service = DdeCreateStringHandleA(instance, PROGMAN_SERVICE, CP_WINANSI);
    HSZ item = DdeCreateStringHandleA(instance, GROUPS_ITEM, CP_WINANSI);
    // A null service name would connect to any server at all.
    HCONV conv = service && item ? DdeConnect(instance, service, service, NULL) : NULL;
    if (conv) {
        // One request on this conversation only: a later transaction on it could get a
        // stale answer.
        HDDEDATA reply =
            DdeClientTransaction(NULL, 0, conv, item, CF_TEXT, XTYP_REQUEST, PROGMAN_TIMEOUT, NULL);
        g_szGroupList[0] = '\0';
        if (reply) {
            DWORD size = 0;
            const char* bytes = (const char*)DdeAccessData(reply, &size);
            if (bytes) {
                *whole = CopyGroupList(g_szGroupList, sizeof(g_szGroupList), bytes, size);
                DdeUnaccessData(reply);
            }
            DdeFreeDataHandle(reply);
        }
        DdeDisconnect(conv);
    }
    if (item)
        DdeFreeStringHandle(instance, item);
    if (service)
        DdeFreeStringHandle(instance, service);
    return conv != NULL;
}

// returns whether the server lists a group of that name (in any letter case, or in its
// folder form); GROUP_UNKNOWN when it cannot be asked or its whole list was not had
static GroupListing ListingOf(const char* groupName)
{
    DWORD instance = 0;
    if (!groupName || !*groupName
        || DdeInitializeA(&instance, ProgmanCallback, APPCMD_CLIENTONLY, 0) != DMLERR_NO_ERROR)
        return GROUP_UNKNOWN;
    GroupListing listing = GROUP_UNKNOWN;
    // The server keeps a group as a folder, and lists a name no folder holds in its folder form.
    char folderForm[PROGMAN_GROUPLIST_SIZE];
    if (!GroupFolderForm(folderForm, sizeof folderForm, groupName))
        folderForm[0] = '\0';
    bool whole = false;
    if (RequestGroupList(instance, &whole)) {
        char name[PROGMAN_GROUPLIST_SIZE];
        const char* cursor = g_szGroupList;
        while (listing != GROUP_LISTED && NextGroupName(&cursor, name, ARRAY_SIZE(name))) {
            if (lstrcmpiA(name, groupName) == 0 || (folderForm[0] && lstrcmpiA(name, folderForm) == 0))
                listing = GROUP_LISTED;
        }
        if (listing != GROUP_LISTED && whole)
            listing = GROUP_NOT_LISTED;
    }
    DdeUninitialize(instance);
    return listing;
}

// returns 1 when the server lists a group of that name (in any letter case, or in its
// folder form), 0 when it does not or cannot be asked
int ProgmanGroupExists(const char* groupName)
{
    return ListingOf(groupName) == GROUP_LISTED ? 1 : 0;
}

// Fills the combo box with every group but "Startup", in the order received.
// returns g_szGroupList, or null when Program Manager cannot be reached
char* ProgmanListGroups(HWND comboBox)
{
    DWORD instance = 0;
    if (DdeInitializeA(&instance, ProgmanCallback, APPCMD_CLIENTONLY, 0) != DMLERR_NO_ERROR)
        return NULL;
    g_bDdeActive = 1;
    char* result = NULL;
    bool whole = false;
    if (RequestGroupList(instance, &whole)) {
        char name[PROGMAN_GROUPLIST_SIZE];
        const char* cursor = g_szGroupList;
        while (NextGroupName(&cursor, name, ARRAY_SIZE(name))) {
            if (lstrcmpiA(name, STARTUP_GROUP) != 0)
                SendMessageA(comboBox, CB_ADDSTRING, 0, (LPARAM)name);
        }
        result = g_szGroupList;
    }
    DdeUninitialize(instance);
    g_bDdeActive = 0;
    return result;
}
