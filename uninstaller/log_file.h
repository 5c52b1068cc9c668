// Loading "uninst.dat" from the directory given and reading it into the state's plan.
// A log that is missing, damaged or of another folder is refused with a message that says which.
#pragma once

#include <windows.h>

// 0 when the log was loaded and accepted, else the string id of the reason. A log is
// accepted only when its destination is the folder it was read from.
UINT LoadUninstallLog(const char* directory);
