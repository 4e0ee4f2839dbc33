// Resource identifiers shared by Setup.rc and the code: dialogs, controls, strings, pictures.
#pragma once

// Dialog templates
#define IDD_ABOUT 100
#define IDD_SETUP 102

// Pictures
#define IDI_SETUP 128
#define IDB_LOGO 138
#define IDC_HAND_POINTER 139
#define IDB_SIDE_PICTURE 141

// Controls of the setup dialog (2 is the platform's IDCANCEL: the Exit button)
#define IDC_EXIT 2
#define IDC_START 1003
#define IDC_PROGRESS 1004
#define IDC_INSTALL 1006
#define IDC_UNINSTALL 1007
#define IDC_STATUS 1008
#define IDC_CHOICE_GROUP 1011
#define IDC_LOGO 1013
#define IDC_INSTRUCTION 1014

// Controls of the about box (1 is the platform's IDOK)
#define IDC_ABOUT_OK 1
#define IDC_ABOUT_TEXT 1010

// System-menu command that opens the about box
#define IDM_ABOUTBOX 16

// Strings
#define IDS_ABOUT 101
#define IDS_INSTRUCTION 102
#define IDS_WIN98_ONLY 105
#define IDS_INSTALLING 109
#define IDS_REMOVING_DEVICE 113
#define IDS_UNINSTALL_COMPLETE 114
#define IDS_INF_NOT_FOUND 116
#define IDS_SYS_NOT_FOUND 118
#define IDS_MPD_NOT_FOUND 119
#define IDS_SELECT_INSTALL_UNINSTALL 124
#define IDS_INSTALL_OR_UPDATE 125
#define IDS_UNINSTALL 126
#define IDS_START 127
#define IDS_EXIT 128
#define IDS_INSTALL_COMPLETE 129
#define IDS_FILES_NOT_PLACED 130
#define IDS_WAITING_FOR_OTHER_SETUP 131
#define IDS_DRIVER_NOT_REMOVED 132
#define IDS_APP_TITLE 325
#define IDS_DEVICE_NAME 326
#define IDS_ABOUT_TEXT 327
#define IDS_LINK_TEXT 328
