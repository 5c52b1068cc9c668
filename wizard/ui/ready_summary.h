// The Ready page's summary of the user's choices, built as plain text. Freestanding, so the
// native tests check it for every combination of choices.
#pragma once

#include <stddef.h>

enum {
    READY_SUMMARY_SIZE = 1024,  // characters of the summary box's text, NUL included
    TASK_COUNT = 3,             // desktop, Quick Launch, Startup
};

struct ReadySummary {
    const char* installDirLabel;
    const char* installDir;
    const char* menuFolderLabel;
    const char* menuFolder;     // null: no Start Menu folder is created
    const char* tasksLabel;
    const char* taskLabels[TASK_COUNT];
    int tasks[TASK_COUNT];      // non-zero: the icon is created
};

// Writes the summary into `buffer` of `size` bytes, cut to the buffer when it is longer.
// 1 when the whole summary fit, 0 when it was cut.
int BuildReadySummary(const ReadySummary* summary, char* buffer, size_t size);
