// The hand-off between the launcher and a wizard library: the export and the decompress
// callback that the launcher lends it. Both use the WINAPI (__stdcall) convention.
#pragma once

#include <windows.h>

// Inflates the whole zlib stream at `source` into `destination` in one step; returns 1 when
// the stream ended (its Adler-32 checked) within `destinationLength` bytes, else 0.
typedef int(WINAPI* DecompressCallback)(const unsigned char* source, unsigned char* destination,
                                        unsigned int sourceLength, unsigned int destinationLength);

// The wizard library's only export, named "ShowWizard" (undecorated) at ordinal 1.
typedef int(WINAPI* ShowWizardRoutine)(HMODULE launcherModule, DecompressCallback decompress,
                                       const unsigned char* package);

#define SHOW_WIZARD_EXPORT "ShowWizard"
