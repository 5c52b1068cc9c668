// The Start Menu folder in the form the wizard keeps it before installing: relative to the
// parent of the user's Start Menu, so that it begins with the Start Menu's own name.
#pragma once

#include <stddef.h>

// Characters of the Start Menu path up to and including its last separator (the parent
// prefix); 0 for a path without a separator.
size_t GetMenuFolderOffset(const char* startMenu);

// Fills `menuFolder` (PATH_SIZE) and `offset` from the Start Menu and Programs folders and the
// package's default group. The group goes below Programs when Programs lies inside the Start
// Menu, otherwise directly below the Start Menu; a group that would not fit is left off, so
// the folder still lies in the Start Menu. Without a Start Menu (null) the offset is 0, the
// folder is the group alone, and the result is 0; otherwise 1.
int ComputeMenuFolder(const char* startMenu, const char* programsMenu, const char* group,
                      char* menuFolder, size_t* offset);

// Turns a folder chosen inside the Start Menu into the relative form and appends the group.
// Refused (0, `menuFolder` unchanged) when the chosen folder does not begin with the Start
// Menu's parent prefix or the result would not fit.
int MakeMenuFolderRelative(const char* chosen, const char* startMenu, size_t offset,
                           const char* group, char* menuFolder);

// True when `folder`, relative to the Start Menu's parent prefix of `offset` characters, can be
// made there: its names are plain, so that ".." cannot lead out of the Start Menu (the
// uninstaller's log reader wants them so too), its absolute path fits a folder, and that of a
// link whose name is `longestLink` characters long fits in it.
int IsMakeableMenuFolder(const char* folder, size_t offset, size_t longestLink);

// Copies the first component of a relative folder into `component` (PATH_SIZE). Refused (0,
// empty text) when it would not fit.
int CopyFirstComponent(const char* folder, char* component);
