// Telling the shell about a created directory or link, and about the folder that holds it.
#pragma once

#include <windows.h>

void NotifyShell(LONG event, const char* path);
