// The progress window of an interactive removal: a status line, the item being removed and a
// bar over the log's removal step count. In a silent run every call does nothing.
#pragma once

#include <windows.h>

int OpenProgressWindow(void);
void SetRemovalStatus(UINT id, const char* detail);
void StepRemoval(void);
void CloseProgressWindow(void);
