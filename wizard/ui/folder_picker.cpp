// The system's folder picker for the Destination and Start Menu pages, rooted at a special
// folder, with a title that says which folder will be added to the chosen path.
#include <windows.h>
#include <shlobj.h>

#include "common/text.h"
#include "core/wizard_state.h"
#include "ui/pages.h"
#include "ui/picker_title.h"
#include "ui/resource.h"

BOOL BrowseForFolder(UINT titleId, int rootFolder, char* result, const char* name)
{
    LPITEMIDLIST root;
    if (FAILED(SHGetSpecialFolderLocation(NULL, rootFolder, &root)))
        return FALSE;

    char prompt[PICKER_TITLE_SIZE];
    char nameLine[PICKER_NAME_LINE_SIZE];
    char title[PICKER_TITLE_SIZE];
    if (!LoadStringA(wizard.wizardModule, titleId, prompt, PICKER_TITLE_SIZE))
        prompt[0] = 0;
    if (!LoadStringA(wizard.wizardModule, IDS_PICKER_NAME_LINE, nameLine, PICKER_NAME_LINE_SIZE))
        nameLine[0] = 0;
    (void)BuildPickerTitle(title, PICKER_TITLE_SIZE, prompt, nameLine, name); // cut when longer

    BROWSEINFOA browse;
    FillBytes(&browse, 0, sizeof(browse));
    browse.hwndOwner = wizard.frameWindow;
    browse.pidlRoot = root;
    browse.pszDisplayName = result;
    browse.lpszTitle = title;
    browse.ulFlags = BIF_RETURNONLYFSDIRS;
    LPITEMIDLIST chosen = SHBrowseForFolderA(&browse);
    BOOL found = FALSE;
    if (chosen) {
        found = SHGetPathFromIDListA(chosen, result);
        wizard.shellAllocator->Free(chosen);
    }
    wizard.shellAllocator->Free(root);
    return found;
}
