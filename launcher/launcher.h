// Declarations shared by the launcher's files: its two process-wide values and its routines.
// The launcher finds its setup package, extracts the wizard library, loads it and calls it.
#pragma once

#include <windows.h>
#include <stdint.h>

#include "package/wizard_interface.h"

enum {
    PATH_BUFFER_SIZE = 260,     // characters of a path, its NUL included
};

extern HANDLE processHeap;      // every dynamic block of the launcher comes from here
extern HMODULE launcherModule;  // strings are loaded from it; the wizard gets it too

// Start-up: search only the system directory for libraries, never the current directory.
void RestrictDllSearch();

// TMP, else TEMP, else the Windows directory into `buffer` (PATH_BUFFER_SIZE characters);
// the length of the text, or 0 when none is usable.
UINT GetTempDirectory(char* buffer);
bool DirectoryExists(const char* path);

// Inflates the wizard library of the `packageSize` bytes at `package` into the existing file
// `tempFile`; false also when the package's header places its stream outside the package.
bool ExtractWizardLibrary(const char* tempFile, const unsigned char* package, DWORD packageSize);

// Reopens the extracted library so that nobody can write, rename or delete it, and checks that
// it still holds exactly what the package inflates to. The handle, or INVALID_HANDLE_VALUE.
HANDLE LockWizardLibrary(const char* tempFile, const unsigned char* package);

// Loads the library, calls its ShowWizard export if it has one, frees it. False only when the
// library cannot be loaded.
bool RunWizardLibrary(const char* tempFile, const unsigned char* package);

void ShowLauncherError(UINT stringId);

// The decompress callback lent to the wizard library: 1 when the whole zlib stream at `source`
// inflated into at most `destinationLength` bytes, else 0.
int WINAPI Decompress(const unsigned char* source, unsigned char* destination,
                      unsigned int sourceLength, unsigned int destinationLength);

// Has zlib build its fixed Huffman tables, which it does unguarded on first use: called while
// the launcher has one thread, before the wizard library can inflate on any thread. False when
// the inflater cannot inflate at all.
bool PrepareInflater();

// True when `data` holds exactly what the zlib stream inflates to, followed by zero bytes up to
// `dataLength`; inflates through a small fixed buffer, so no copy of the data is made.
bool VerifyInflatedStream(const unsigned char* source, uint32_t sourceLength,
                          const unsigned char* data, uint32_t dataLength);

// zlib's memory routines: zero-filled blocks of the process heap, safe from any thread.
void* AllocateZlibMemory(void* opaque, unsigned int items, unsigned int size);
void FreeZlibMemory(void* opaque, void* block);
