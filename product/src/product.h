// The names KORVID Pro's programs and libraries record in the registry, in one place.
//
// What each entry point writes (HKCR = HKEY_CLASSES_ROOT, HKLM = HKEY_LOCAL_MACHINE):
//
//   DllRegisterServer of kvproex.dll, kvstub.dll, kvbho2k0.dll
//     HKCR\CLSID\{class}                  default = the class name below
//     HKCR\CLSID\{class}\InProcServer32   default = the library's full path,
//                                         ThreadingModel = "Apartment"
//   DllUnregisterServer removes both keys (kvbho2k0.dll also its two browser entries).
//
//   DLLRegisterSSL(path, folder, 0) of kvssl.dll
//     HKLM\<path>   InstallDir = folder, KeyFile = "kvuser.key", CertFile = "kvuser.crt",
//                   AuthorityFile = "oxtavine.crt"
//
//   AddExplorerBhoKey of kvbho2k0.dll
//     HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Explorer\Browser Helper Objects\{...4A20}
//                   default = "KORVID Pro Browser Helper"
//   AddNetscapeBhoKey of kvbho2k0.dll
//     HKLM\SOFTWARE\Oxtavine\KORVID\Browser Plugin
//                   Path = the library's full path, Description = "KORVID Pro Browser Helper",
//                   MimeType = "application/x-korvid-site"
//
//   kvsched.exe -install / -install_no_start
//     HKLM\SOFTWARE\Oxtavine\KORVID\Scheduler   Installed = 1, StartWithWindows = 1 or 0
//                                               (DWORDs), Path = kvsched.exe's full path,
//                                               StartFolder = the folder it was started in
//     HKLM\Software\Microsoft\Windows\CurrentVersion\Run   "KORVID Queue Scheduler" =
//                   the quoted full path (-install writes it, -install_no_start removes it)
//   kvsched.exe -remove deletes the Run value and the Scheduler key.
//
// Every key these programs delete is followed by its parents SOFTWARE\Oxtavine\KORVID and
// SOFTWARE\Oxtavine when those are left empty.
#pragma once

// The in-process classes. The setup writes {...4A10} (the base product) itself.
#define KV_CLSID_EXPLORER  "{5B1E0C72-3A94-4F6D-8E21-C7D09A3B4A01}"
#define KV_CLSID_ICON_LINK "{5B1E0C72-3A94-4F6D-8E21-C7D09A3B4A0A}"
#define KV_CLSID_BROWSER   "{5B1E0C72-3A94-4F6D-8E21-C7D09A3B4A20}"
#define KV_NAME_EXPLORER   "KORVID Pro Explorer"
#define KV_NAME_ICON_LINK  "KORVID Pro Icon Link"
#define KV_NAME_BROWSER    "KORVID Pro Browser Helper"
#define KV_THREADING_MODEL "Apartment"

// The maker's keys under HKLM.
#define KV_KEY_MAKER        "SOFTWARE\\Oxtavine"
#define KV_KEY_PRODUCT      "SOFTWARE\\Oxtavine\\KORVID"
#define KV_KEY_PLUGIN       "SOFTWARE\\Oxtavine\\KORVID\\Browser Plugin"
#define KV_KEY_SCHEDULER    "SOFTWARE\\Oxtavine\\KORVID\\Scheduler"
#define KV_PLUGIN_MIME_TYPE "application/x-korvid-site"

// The browser's helper list and the system's start-up list, under HKLM.
#define KV_KEY_BHO                                                                                           \
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Browser Helper Objects\\" KV_CLSID_BROWSER
#define KV_KEY_RUN   "Software\\Microsoft\\Windows\\CurrentVersion\\Run"
#define KV_RUN_VALUE "KORVID Queue Scheduler"

// The SSL library's values, under the key the caller names.
#define KV_SSL_KEY_FILE       "kvuser.key"
#define KV_SSL_CERT_FILE      "kvuser.crt"
#define KV_SSL_AUTHORITY_FILE "oxtavine.crt"

// The window class of the product's programs that keep a window open is their file name
// in capitals without ".exe" ("KV95PRO" for kv95pro.exe); its title is the product name.
