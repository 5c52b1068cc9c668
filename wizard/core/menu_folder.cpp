// The Start Menu folder in the form the wizard keeps it before installing: relative to the
// parent of the user's Start Menu, so that it begins with the Start Menu's own name.
#include "menu_folder.h"

#include "common/path_routines.h"
#include "common/text.h"
#include "common/uninstall_log_format.h"

size_t GetMenuFolderOffset(const char* startMenu)
{
    const char* last = FindLastSeparator(startMenu);
    return IsSeparator(*last) ? (size_t)(last - startMenu) + 1 : 0;
}

int ComputeMenuFolder(const char* startMenu, const char* programsMenu, const char* group,
                      char* menuFolder, size_t* offset)
{
    menuFolder[0] = 0;
    *offset = 0;
    if (!startMenu) {
        (void)AppendPath(menuFolder, group); // too long a group leaves the folder empty
        return 0;
    }
    *offset = GetMenuFolderOffset(startMenu);
    const char* base = programsMenu && IsPathInside(programsMenu, startMenu) ? programsMenu
                                                                              : startMenu;
    (void)CopyTextBounded(menuFolder, PATH_SIZE, base + *offset); // folder values fit a path
    (void)AppendPath(menuFolder, group); // refused: the folder stays the Programs or Start Menu
    return 1;
}

int MakeMenuFolderRelative(const char* chosen, const char* startMenu, size_t offset,
                           const char* group, char* menuFolder)
{
    if (!startMenu || GetTextLength(chosen) < offset ||
        !HasPrefixIgnoringCase(chosen, startMenu, offset))
        return 0;
    char joined[PATH_SIZE];
    if (!CopyTextBounded(joined, PATH_SIZE, chosen + offset) || !AppendPath(joined, group))
        return 0;
    CopyBytes(menuFolder, joined, GetTextLength(joined) + 1);
    return 1;
}

int IsMakeableMenuFolder(const char* folder, size_t offset, size_t longestLink)
{
    size_t length = GetTextLength(folder);
    // Each link goes into it as "\name.lnk", and its path must fit a path buffer too.
    return IsPlainRelativePath(folder, length) && offset < FOLDER_PATH_SIZE &&
           length < FOLDER_PATH_SIZE - offset &&
           offset + length + 1 + longestLink + sizeof(LINK_EXTENSION) <= PATH_SIZE;
}

int CopyFirstComponent(const char* folder, char* component)
{
    size_t length = (size_t)(FindFirstSeparator(folder) - folder);
    if (length >= PATH_SIZE) {
        component[0] = 0;
        return 0;
    }
    CopyBytes(component, folder, length);
    component[length] = 0;
    return 1;
}
