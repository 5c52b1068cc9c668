// Removing what the log lists: the uninstall command, shortcuts, files and directories,
// registry keys and the created folder trees. Each failure is noted for the closing message.
#pragma once

#include "common/uninstall_log_reader.h"

// Runs the log's uninstall command, folder variables expanded, and waits for it.
void RunUninstallCommand(void);

// Deletes a file that may carry the read-only attribute (a file of the package, a link the
// user protected, a copy of a read-only uninstaller); the attribute is cleared before deleting,
// and put back when the file stays all the same. True when it is gone.
int DeleteUnprotected(const char* path);

void RemoveShortcuts(void);

// Files and directories of the file list. With `skipOwnFiles`, the running program and
// "uninst.dat" are left for the temporary copy that finishes the removal.
void RemoveFileList(int skipOwnFiles);

// The keys of the log, each with its subkeys; one that cannot be deleted is an item left.
// True when none is left.
int RemoveRegistryKeys(void);

// Removes the folder's directories, deepest first, down to the part that existed before;
// stops at the first one that is not empty and does not go at the next restart.
void TrimFolder(const LogFolder* folder);

// Notes the destination when something besides the files that the copy removes, and what goes
// at the next restart, is still in it.
void CheckDestinationLeftovers(void);
