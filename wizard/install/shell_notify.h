// Telling the shell about a created directory or link, and about the folder that holds it.
// Explorer then shows new Start Menu folders and links without a refresh by hand.
#pragma once

#include <windows.h>

void NotifyShell(LONG event, const char* path);
