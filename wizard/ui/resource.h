// Resource ids of the wizard library: dialog templates, controls, strings and bitmaps.
// Hand-written; the .rc files and the code of core/, ui/ and install/ all include this one.
#pragma once

// Dialog templates.
#define IDD_WELCOME 101
#define IDD_FRAME 102
#define IDD_HEADER 106
#define IDD_DESTINATION 107
#define IDD_START_MENU 108
#define IDD_READY 109
#define IDD_INSTALLING 110
#define IDD_FINISH 111
#define IDD_INFORMATION 113

// Bitmaps of this module, and the icon group of the launcher's module.
#define IDB_HEADER 102
#define IDB_SIDE 103
#define IDI_LAUNCHER 104

// Frame controls.
#define IDC_BACK 1005
#define IDC_SEPARATOR 1014
#define IDC_NEXT 1015
#define IDC_NOTICE 1024
// The frame's Cancel (Finish) button is IDCANCEL, 2, so that Esc arrives as its command.

// Header band controls.
#define IDC_HEADER_TITLE 1000
#define IDC_HEADER_SUBTITLE 1001

// Page controls; some ids serve on several pages.
#define IDC_DESTINATION_PROMPT 1000
#define IDC_FINISH_TEXT 1000
#define IDC_INFO_TEXT 1001
#define IDC_READY_SUMMARY 1001
#define IDC_WELCOME_TITLE 1002
#define IDC_WELCOME_TEXT 1003
#define IDC_PATH_EDIT 1004
#define IDC_STATUS_LINE 1008
#define IDC_DETAIL_LINE 1009
#define IDC_NO_MENU_FOLDER 1010
#define IDC_PROGRESS_BAR 1012
#define IDC_LAUNCH 1013
#define IDC_DESKTOP_ICON 1016
#define IDC_QUICK_LAUNCH_ICON 1017
#define IDC_BROWSE 1023
#define IDC_STARTUP_ICON 1025
#define IDC_REQUIRED_SPACE 1026
#define IDC_STATIC -1

// Strings.
#define IDS_DESTINATION_TITLE 1
#define IDS_DESTINATION_SUBTITLE 2
#define IDS_START_MENU_TITLE 3
#define IDS_START_MENU_SUBTITLE 4
#define IDS_READY_TITLE 5
#define IDS_READY_SUBTITLE 6
#define IDS_INSTALLING_TITLE 7
#define IDS_INSTALLING_SUBTITLE 8
#define IDS_NEXT 9
#define IDS_BACK 10
#define IDS_CANCEL 11
#define IDS_INSTALL 12
#define IDS_FINISH 13
#define IDS_SETUP_ERROR 14
#define IDS_DESTINATION_LABEL 15
#define IDS_INFORMATION_TITLE 16
#define IDS_INFORMATION_SUBTITLE 17
#define IDS_DESTINATION_PICKER 18
#define IDS_START_MENU_PICKER 19
#define IDS_EXIT_SETUP 20
#define IDS_EXIT_QUESTION 21
#define IDS_NOT_ENOUGH_SPACE 22
#define IDS_START_MENU_LABEL 24
#define IDS_TASKS_LABEL 25
#define IDS_DESKTOP_TASK 26
#define IDS_QUICK_LAUNCH_TASK 27
#define IDS_STARTUP_TASK 28
#define IDS_INVALID_MENU_FOLDER 29
#define IDS_INVALID_DESTINATION 30
#define IDS_CANNOT_CREATE_DESTINATION 31
#define IDS_CANNOT_CREATE_MENU_FOLDER 32
#define IDS_CREATING_DESTINATION 33
#define IDS_EXTRACTING_FILES 34
#define IDS_CREATING_ICONS 35
#define IDS_FINISHING 36
#define IDS_CREATING_MENU_FOLDER 37
#define IDS_SAVING_UNINSTALL 38
#define IDS_COM_FAILED 39
#define IDS_SHORTCUT_FAILED 40
#define IDS_CANNOT_RUN 41
#define IDS_EXTRACT_FAILED 42
#define IDS_EXTERNAL_MODULE_FAILED 43
#define IDS_CREATE_FILE_FAILED 44
#define IDS_OUT_OF_MEMORY 45
#define IDS_INVALID_PATH_CHARS 46
#define IDS_NO_PRIVILEGE 47
#define IDS_PRODUCT_RUNNING 48
#define IDS_PICKER_NAME_LINE 49
