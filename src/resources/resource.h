// Resource identifiers of kvsetup.exe: the string table, the bitmap and icon, and the
// dialogs' controls, grouped per dialog. The numbers are fixed by the templates.
#pragma once

// Main window icon and the picture panel of every wizard page.
#define IDB_PANEL 21001

// String table.
#define IDS_UNINSTALL_RESTART       95
#define IDS_ALL_FILES               10001
#define IDS_LOCATE                  10002
#define IDS_CREATE_FOLDER_FAILED    10005
#define IDS_INSTALL                 10006
#define IDS_COPYING                 10007
#define IDS_COPY_FAILED             10008
#define IDS_TITLE_HELP              10012
#define IDS_TITLE_RELEASE_NOTES     10013
#define IDS_REMOVAL_COMPLETE        10014
#define IDS_REMOVE                  10015
#define IDS_REMOVAL_INCOMPLETE      10016
#define IDS_REMOVAL_NO_INFO         10017
#define IDS_ENTER_DEST_FOLDER       10021
#define IDS_DEST_IS_SOURCE          10022
#define IDS_NO_DEST_FOLDER          10023
#define IDS_DEST_REFUSED            10024
#define IDS_SETUP_DAMAGED           10025
#define IDS_INSTALL_FAILED          10028
#define IDS_INSTALL_SUCCESS         10029
#define IDS_CONGRATULATIONS         10030
#define IDS_TITLE_EXPLORER_HELP     10036
#define IDS_WINDOW_REGISTER_FAILED  10042
#define IDS_WINDOW_CREATE_FAILED    10043
#define IDS_WELCOME_INSTALL         10045
#define IDS_WELCOME_UNINSTALL       10046
#define IDS_NOTHING_SELECTED        10047
#define IDS_UNINSTALL_ITEM          10049
#define IDS_DELETE_INI_FILES        10052
#define IDS_TITLE_ICON_PLACEMENT    10053
#define IDS_REMOVAL_PROCESS         10054
#define IDS_DELETING_FILES          10055
#define IDS_REMOVING_UNINSTALL      10056
#define IDS_REMOVING_DESKTOP_ICONS  10057
#define IDS_UNREGISTERING_EXPLORER  10058
#define IDS_UNREGISTERING_ICON_LINK 10059
#define IDS_LOCATING_GROUP          10060
#define IDS_DELETING_ICON           10061
#define IDS_CLOSING_ICON_DELETION   10062
#define IDS_COMPLETED               10063
#define IDS_MORE_SITES              10064
#define IDS_KORVID_SITES            10065
#define IDS_UNREGISTERING_BROWSER   10067
#define IDS_UNREGISTERING_SCHEDULER 10069
#define IDS_TITLE_UNINSTALL         10070
#define IDS_GROUP_NAME_REFUSED      10071
#define IDS_USAGE                   10072
#define IDS_SWITCH_REFUSED          10073
#define IDS_ALREADY_RUNNING         10074
#define IDS_RESTART_LEFT_TO_USER    10075
#define IDS_UNINSTALL_RESTART_LEFT  10076

// Dialog templates: the pages named by text, two by number.
#define DLG_INSTALL        "DLG_INSTALL"
#define DLG_VERS_32        "DLG_VERS_32"
#define DLG_32_HELP        "DLG_32_HELP"
#define DLG_GETDIR         "DLG_GETDIR"
#define DLG_BROWSE         "DLG_BROWSE"
#define DLG_GETGROUP       "DLG_GETGROUP"
#define DLG_COPY           "DLG_COPY"
#define IDD_RESTART        106
#define IDD_ICON_PLACEMENT 307

// Controls every page shares: Next (IDOK 1), Cancel (IDCANCEL 2), the picture panel and the
// hidden "<Back" button; IDC_STATIC for texts no code addresses.
#define IDC_PANEL  1016
#define IDC_BACK   57681
#define IDC_STATIC (-1)

// DLG_INSTALL: the welcome page. The two radio buttons must stay in sequence.
#define IDC_WELCOME_INSTALL       1851
#define IDC_WELCOME_UNINSTALL     1852
#define IDC_WELCOME_RELEASE_NOTES 2423

// DLG_VERS_32: the interface page, one check box per choice bit.
#define IDC_IFACE_CLASSIC   1880
#define IDC_IFACE_EXPLORER  2417
#define IDC_IFACE_UTILITIES 2418
#define IDC_IFACE_BROWSER   2419
#define IDC_IFACE_QUEUE     2420
#define IDC_IFACE_HELP      9041

// IDD_ICON_PLACEMENT: the two radio buttons must stay in sequence.
#define IDC_ICON_DESKTOP     1851
#define IDC_ICON_MY_COMPUTER 1852
#define IDC_ICON_BACK        1010

// DLG_GETDIR: the folder page.
#define IDC_FOLDER_PROMPT 3010
#define IDC_FOLDER_EDIT   954
#define IDC_FOLDER_BROWSE 2416

// DLG_BROWSE: the folder chooser's template. Its other controls carry the common dialog's
// standard ids from <dlgs.h>: edt1 1152 (the hidden file name), stc1 1088 (the current
// folder), lst2 1121 (folders), cmb2 1137 (drives), pshHelp 1038, and, parked off-screen,
// lst1 1120 (files), chx1 1040 (read-only), stc2 1089 and cmb1 1136 (file types).
#define IDC_BROWSE_PROMPT 1511

// DLG_GETGROUP: the group prompt.
#define IDC_GROUP_PROMPT 3010
#define IDC_GROUP_COMBO  2405

// DLG_COPY: the copy-progress box, also the removal's progress box.
#define IDC_COPY_STATUS 954
