// The uninstaller's one state record: the read log and its plan, the chosen mode, the
// progress window and the list of what could not be removed.
#pragma once

#include <windows.h>

#include "command_line.h"
#include "common/uninstall_log_builder.h"
#include "common/uninstall_log_reader.h"

enum {
    ITEM_LIST_SIZE = 2048,          // each of the closing message's lists
    MESSAGE_SIZE = 3072,            // any formatted message text
    STRING_SIZE = 512,              // one string-table entry
};

// Exit codes, for "/S" callers.
enum {
    EXIT_REMOVED = 0,
    EXIT_NOT_ALL_REMOVED = 1,
    EXIT_REFUSED = 2,               // damaged log, product, setup or removal running, bad command
    EXIT_DECLINED = 3,
};

// A list of paths for the closing message, one a line, ended by "..." when it was cut.
struct ItemList {
    char text[ITEM_LIST_SIZE];
    uint32_t length;
    int count;
    int cut;
};

struct UninstallState {
    HANDLE processHeap;
    HINSTANCE module;
    CommandLine commandLine;
    char modulePath[PATH_SIZE];
    char logDirectory[PATH_SIZE];
    UninstallPlan plan;
    HWND progressWindow;
    HWND progressBar;
    uint32_t stepsPerPosition;      // of the bar, whose range has 16 bits
    uint32_t stepsTaken;
    HWND statusLine;
    HWND detailLine;
    ItemList failures;              // what the installation made and could not be removed
    int itemsLeft;                  // of those, the shortcuts, files and folders still on disk
    ItemList keptFolders;           // folders that stay for files the installation did not make
    UninstallLog scheduled;         // paths left for the next restart, each with its NUL
};

extern UninstallState uninstall;
