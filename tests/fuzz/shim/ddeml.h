// The fuzz build's stand-in for the DDE header: the handle types progman.h names.
#pragma once
#include <windows.h>

KV_SHIM_HANDLE(HCONV);
KV_SHIM_HANDLE(HSZ);
KV_SHIM_HANDLE(HDDEDATA);
