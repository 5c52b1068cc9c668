// The progress window of an interactive removal: a status line, the item being removed and a
// bar over the log's removal step count. In a silent run every call does nothing.
#pragma once

#include <windows.h>

int OpenProgressWindow(void);
// Waits until `object` is signalled, handling the thread's messages meanwhile; 0 when the wait
// fails.
int WaitWhileHandlingMessages(HANDLE object);
void SetRemovalStatus(UINT id, const char* detail);
void StepRemoval(void);
void CloseProgressWindow(void);
