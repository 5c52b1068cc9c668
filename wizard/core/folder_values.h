// The wizard's values of the folder variables, found at start-up and chosen on the pages, and
// the expansion of package texts over them.
#pragma once

#include "common/folder_variables.h"

extern FolderValues folderValues;

// Expands the folder variables of `source` into `destination` (a PATH_SIZE buffer) over the
// wizard's values; null when the result would not fit, the destination then empty.
char* ExpandFolderVariables(const char* source, char* destination);
