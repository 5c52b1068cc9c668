// Message boxes from the string table, with the product's name put into their "%s", and the
// closing message with its lists of what could not be removed and what goes at the restart.
#pragma once

#include <windows.h>

// Shows string `id` with `argument` in its "%s" (or none), with `flags` (MB_ICONERROR, MB_YESNO,
// ...); returns the button pressed, 0 when the box could not be shown. In a silent run nothing
// is shown, and the answer is Yes to a question and OK to the rest.
int ShowMessage(UINT id, const char* argument, UINT flags);

// Adds `path` to the closing message's list of what the installation made and stays.
void NoteFailure(const char* path);

// Adds `path` to the list of folders that stay because they hold files the installation
// did not make; not a failure of the removal.
void NoteKeptFolder(const char* path);

// Adds `path` to the list as a file that Windows removes when it restarts.
void NoteScheduledRemoval(const char* path);

// Adds the product's uninstall program, `commandLine`, to the list as one that could not run.
void NoteCommandNotRun(const char* commandLine);

// The closing message: removed, or removed but for the listed items and folders.
void ShowClosingMessage(void);
