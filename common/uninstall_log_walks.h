// Walks over the lists of a read log: the file list in removal order (a directory after its
// contents), the shortcut paths and the registry keys. The reader runs the same walks to check.
#pragma once

#include "common/path_routines.h"
#include "common/uninstall_log_reader.h"

enum RemovalKind {
    REMOVE_FILE = 1,
    REMOVE_DIRECTORY = 2,           // only when it is empty
};

struct FileListWalk {
    const UninstallPlan* plan;
    uint32_t position;
    uint32_t depth;                 // directory levels open below the destination
    uint32_t pathLength;
    int cutPending;                 // the last entry's name leaves the path at the next step
    int finished;
    LogFault error;                 // what stopped the walk, or LOG_FAULT_NONE
    char path[PATH_SIZE];      // the current entry's full path
};

struct TextListWalk {
    const UninstallPlan* plan;
    uint32_t position;
    LogFault error;
    int finished;
    int root;                       // registry walk: LOG_ROOT_LOCAL_MACHINE or LOG_ROOT_CURRENT_USER
    const char* text;               // the current shortcut path or key path
};

void BeginFileListWalk(FileListWalk* walk, const UninstallPlan* plan);

// 1 with the next entry's kind in `kind` and its path in walk->path; 0 after the top level's
// end, or on a fault with walk->error set. Files and directories come out in the order they
// can be removed: the contents of a directory before the directory itself.
int NextRemovalEntry(FileListWalk* walk, RemovalKind* kind);

void BeginShortcutWalk(TextListWalk* walk, const UninstallPlan* plan);

// 1 with the next ".lnk" path in walk->text; 0 at the list's end or on a fault.
int NextShortcut(TextListWalk* walk);

void BeginRegistryWalk(TextListWalk* walk, const UninstallPlan* plan);

// 1 with the next key in walk->root and walk->text; 0 at the list's end or on a fault.
int NextRegistryKey(TextListWalk* walk);

// Length of the NUL-terminated text at `offset`, or -1 when the log ends before its NUL.
int32_t MeasureLogText(const UninstallPlan* plan, uint32_t offset);
