// Loading "uninst.dat" from the directory given and reading it into the state's plan.
// A log that is missing, damaged or of another folder is refused with a message that says which.
#pragma once

#include <windows.h>

// 0 when the log was loaded and accepted, else the string id of the reason. A log is
// accepted only when its destination is the folder it was read from.
UINT LoadUninstallLog(const char* directory);

// Notes in the log on disk that the product's uninstall program has run: a removal that stops
// short keeps the log for another run, which would look for that program among the files this
// one removed, and report it as not run.
void MarkUninstallCommandRun(void);
