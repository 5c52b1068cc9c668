// The wizard's values of the folder variables and the expansion over them. Freestanding, so
// the native tests run it; the values are set by the start-up and the pages.
#include "core/folder_values.h"

FolderValues folderValues;

char* ExpandFolderVariables(const char* source, char* destination)
{
    return ExpandFolderText(folderValues, source, destination);
}
