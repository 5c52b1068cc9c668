// The wizard library's shared Win32 services: initialisation, the system folders, the error
// box and the common controls. Every other part of the library builds on these.
#pragma once

#include <windows.h>

#include "common/win32/temp_directory.h"  // DirectoryExists, shared with the uninstaller

// Derives the starting state from the package header; 0 when the shell allocator is missing.
int InitWizard(void);

// Fills the folder-variable table's system folders and the Quick Launch folder.
void InitFolderVariables(void);

// Registers the common-control classes named by the ICC_ flags.
void InitCommonControlsForWizard(DWORD classes);

// A message box owned by the frame with caption "Setup Error", the error icon and string
// `stringId`, printed with `argument` as its "%s" when that is not null.
void ShowSetupError(UINT stringId, const char* argument);

