// Telling the shell about a created directory or link, and about the folder that holds it.
// Explorer then shows new Start Menu folders and links without a refresh by hand.
#include <windows.h>
#include <shlobj.h>

#include "common/path_routines.h"
#include "common/text.h"
#include "install/shell_notify.h"

void NotifyShell(LONG event, const char* path)
{
    SHChangeNotify(event, SHCNF_PATHA, path, NULL);
    char parent[PATH_SIZE];
    if (!CopyTextBounded(parent, PATH_SIZE, path))
        return; // callers hand paths that fit
    char* separator = (char*)FindLastSeparator(parent);
    // Cut there, "C:\x" would leave "C:", which is no folder: such a path is refreshed whole.
    if (IsSeparator(*separator) && !(separator > parent && separator[-1] == ':'))
        *separator = 0;
    SHChangeNotify(SHCNE_UPDATEDIR, SHCNF_PATHA | SHCNF_FLUSH, parent, NULL);
}
