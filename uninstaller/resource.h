// Resource ids of the uninstaller: the progress dialog, its controls and the string table.
// Each reason the log reader gives for a refusal has its IDS_LOG_ message.
#pragma once

#define IDD_PROGRESS                110

#define IDC_STATUS_LINE             1008
#define IDC_DETAIL_LINE             1009
#define IDC_PROGRESS_BAR            1012

#define IDS_CAPTION                 1
#define IDS_ERROR_CAPTION           2
#define IDS_LOG_UNREADABLE          10
#define IDS_LOG_WRONG_SIZE          11
#define IDS_LOG_BAD_OFFSET          12
#define IDS_LOG_BAD_TEXT            13
#define IDS_LOG_BAD_FOLDER          14
#define IDS_LOG_BAD_FILE_LIST       15
#define IDS_LOG_BAD_NAME            16
#define IDS_LOG_PATH_TOO_LONG       17
#define IDS_LOG_BAD_SHORTCUT        18
#define IDS_LOG_BAD_REGISTRY        19
#define IDS_LOG_ELSEWHERE           20
#define IDS_PRODUCT_RUNNING         30
#define IDS_CONFIRM_REMOVAL         31
#define IDS_REMOVED                 33
#define IDS_NOT_ALL_REMOVED         34
#define IDS_BAD_COMMAND_LINE        35
#define IDS_REMOVED_AT_RESTART      36
#define IDS_REMOVED_KEEPING         37
#define IDS_FOLDERS_KEPT            38
#define IDS_REMOVE_AGAIN            39
#define IDS_STATUS_COMMAND          40
#define IDS_STATUS_SHORTCUTS        41
#define IDS_STATUS_FILES            42
#define IDS_STATUS_REGISTRY         43
#define IDS_STATUS_FOLDERS          44
#define IDS_OUT_OF_MEMORY           45
#define IDS_REMOVAL_RUNNING         46
#define IDS_SETUP_RUNNING           47
#define IDS_COMMAND_NOT_RUN         48
