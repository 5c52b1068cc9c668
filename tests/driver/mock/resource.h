// Resource ids of the mock wizard that the driver's self-test runs against.
// Shared by mock_wizard.rc and the mock's code.
#pragma once

#define IDD_FRAME 102
#define IDD_HEADER 106
#define IDD_WELCOME 101
#define IDD_DESTINATION 107

#define IDC_SEPARATOR 1014
#define IDC_NOTICE 1024
#define IDC_BACK 1005
#define IDC_NEXT 1015
#define IDC_TITLE 1000
#define IDC_SUBTITLE 1001
#define IDC_HEADER_BITMAP 1100
#define IDC_WELCOME_BITMAP 1101
#define IDC_WELCOME_TITLE 1002
#define IDC_WELCOME_TEXT 1003
#define IDC_PATH 1004
#define IDC_SPACE 1026
#define IDC_BROWSE 1023
#define IDC_NO_FOLDER 1010
#define IDC_DESKTOP 1016
