// The Program Manager DDE client: groups and items through the shell's PROGMAN service.
#pragma once
#include <windows.h>
#include <ddeml.h>
#include <stddef.h>
#include "base/base.h"

enum {
    PROGMAN_COMMAND_SIZE = 516,    // the command buffer, terminator included
    PROGMAN_GROUPLIST_SIZE = 2096, // g_szGroupList, terminator included
    PROGMAN_TIMEOUT = 1000,        // ms per synchronous transaction, and per item of a batch
    PROGMAN_BATCH_SIZE = 2048,     // the execute string of a batch of items, terminator included
};

// progman.cpp
extern DWORD g_ddeInstance;
extern int g_bDdeActive;
extern char g_szGroupList[PROGMAN_GROUPLIST_SIZE];

HDDEDATA CALLBACK ProgmanCallback(UINT type, UINT format, HCONV conv, HSZ hsz1, HSZ hsz2, HDDEDATA data,
                                  ULONG_PTR data1, ULONG_PTR data2);
// returns 1 when the server accepted the command, else 0
int ProgmanExecute(DWORD instance, const char* command);
// returns 1 when a client instance was opened, else 0
int ProgmanOpen(void);
// returns 0 when no client instance could be opened, else 1
int ProgmanCreateGroup(const char* groupName);
// Selects a group that the server lists, on the open instance (ProgmanOpen); a group it
// does not list is left alone. Items are deleted only after a group was selected.
// returns 1 when the server accepted the selection, else 0
int ProgmanSelectGroup(const char* groupName);
// returns 1 when the server accepted the item, else 0
int ProgmanAddItem(const char* itemName, const char* folder, const char* fileName, const char* commandLine);
// One item of ProgmanAddItems: the fields of ProgmanAddItem, and its answer.
struct ProgmanItemRequest {
    const char* itemName;
    const char* folder;
    const char* fileName;
    const char* commandLine;
    int added; // set by ProgmanAddItems: what ProgmanAddItem would have returned for it
};
// Adds the items in order as ProgmanAddItem would one after another, with the same answer
// for each, in as few execute strings as the batch buffer allows. returns the items added
int ProgmanAddItems(ProgmanItemRequest* items, int count);
// returns 1
int ProgmanDeleteItem(const char* itemName, const char* folder, const char* fileName,
                      const char* commandLine);
// Deletes up to times items of that name from the current group, as many ProgmanDeleteItem
// calls would. returns 1
int ProgmanDeleteItemTimes(const char* itemName, int times);
int ProgmanClose(void);
int ProgmanCloseAndDeleteGroup(const char* groupName);
// returns 1 when the server lists the group (any letter case), else 0
int ProgmanGroupExists(const char* groupName);
// returns g_szGroupList, or null when Program Manager cannot be reached
char* ProgmanListGroups(HWND comboBox);

// progman_text.cpp: the command texts and the group list, without any system call.
// An item as the shell is told about it.
struct ProgmanItem {
    const char* itemName;              // the given name, or the file name when that is empty
    const char* commandLine;           // the given command line, or defaultCommand
    char workFolder[KV_PATH_SIZE];     // the given folder, or the current folder when empty
    char defaultCommand[KV_PATH_SIZE]; // the file in the working folder
};
// Fills item from the caller's fields (null counts as empty); currentFolder stands in for
// an empty folder. returns false when the working folder or the default command line would
// be longer than a path may be
bool ResolveProgmanItem(ProgmanItem* item, const char* itemName, const char* folder, const char* fileName,
                        const char* commandLine, const char* currentFolder);
// True when the text can stand inside a command's double quotes: no double quote and no
// control character (the server has no escape for either).
bool IsSafeProgmanText(const char* text);
// The four commands, every name and folder in double quotes. Each returns false when a
// field cannot be quoted (out is then empty) or the whole text did not fit (out then holds
// a cut text that must not be sent).
bool FormatCreateGroupCommand(char* out, size_t size, const char* groupName);
bool FormatDeleteGroupCommand(char* out, size_t size, const char* groupName);
bool FormatDeleteItemCommand(char* out, size_t size, const char* itemName);
bool FormatAddItemCommand(char* out, size_t size, const ProgmanItem* item);
// Appends the item's AddItem command to the commands already in out, which the server then
// runs in order as one execute string. returns false, out as it was, when a field cannot be
// quoted or the command does not fit whole
bool AppendAddItemCommand(char* out, size_t size, const ProgmanItem* item);
// The buffer size that holds any of the commands above for fields of fieldChars characters
// in all: PROGMAN_COMMAND_SIZE, or more for longer fields.
size_t ProgmanCommandSize(size_t fieldChars);
// Copies a "Groups" reply of dataSize bytes (null for no reply) into list and terminates
// it. A reply too long for list is cut after its last whole name, so that no name arrives
// cut. returns false when names were left out
bool CopyGroupList(char* list, size_t size, const char* data, size_t dataSize);
// Copies the next name of a group list at *cursor into name and moves *cursor past it;
// names are separated by runs of CR and LF. returns false when no name is left
bool NextGroupName(const char** cursor, char* name, size_t size);
// The form a group's name has as a folder: every character no folder name holds (*\/:<>?|)
// made '_'. returns false when it does not fit
bool GroupFolderForm(char* out, size_t size, const char* groupName);
