// The product that a folder already holds, as its uninstall log names it: a second product is
// not installed over the first one's log, and a reinstall keeps what the first one made.
#pragma once

#include <windows.h>

#include "common/uninstall_log_reader.h"

enum {
    PRODUCT_NAME_SIZE = 256,        // a product's name with version, as the Destination page shows it
};

// True when `folder` holds an "uninst.dat" that the uninstaller would accept and that names a
// product other than `productName` (compared as Windows compares registry key names); its
// name then goes into `otherName` of `size` bytes, cut to fit. A missing, unreadable or
// damaged log names no product.
BOOL FindOtherProduct(const char* folder, const char* productName, char* otherName, size_t size);

// True when the product's Uninstall entry names an installation of this product in a folder
// spelled otherwise than `folder`, which still holds its log and its uninstaller; that folder
// goes into `location` (PATH_SIZE).
// A second installation would take the entry over, and removing it would leave the first one
// out of the list of installed programs.
BOOL FindInstallationElsewhere(const char* folder, char* location);

// Takes the destination's log into the wizard state when it is this product's and records this
// folder: the earlier installation that this one replaces. Without it (none, unreadable,
// another product's, copied from elsewhere) the state holds none, and the installation goes
// on as a first one.
void LoadEarlierInstallation(void);

// Frees what LoadEarlierInstallation took.
void ReleaseEarlierInstallation(void);

// The length of the part of `path` (the destination, or with `menuRecord` the Start Menu folder)
// that existed before this product was first installed there: when the earlier installation
// records the same folder, or one that shares with it every folder that existed before this
// run, its existing length if shorter, else `existingLength`. A reinstall that took the first
// one's folders for existing ones would leave them behind at the removal.
DWORD FindEarlierExistingLength(BOOL menuRecord, const char* path, DWORD existingLength);

// True when the earlier installation's log lists `path` as a file it made.
BOOL IsEarlierFile(const char* path);

// Records the earlier installation's Start Menu folder, when it is still there, for an
// installation that makes none: its removal then takes the folder that the first one made.
void CarryEarlierMenuFolderOver(void);

// Adds the earlier installation's files and directories that are still there and that this one
// did not make again to the file list just completed: a file that a new build of the product
// no longer has would otherwise outlast the removal, and keep its folder.
// False when the merge found no memory; the new list alone is then kept.
BOOL CarryEarlierFilesOver(void);

// Adds the earlier installation's shortcuts that are still there and that this one did not
// make again to the shortcut list being built: a link of the first installation that the user
// did not choose again would otherwise outlast the removal. With `linksMade`, when the
// shortcut step made every link and this installation made its Start Menu folder elsewhere
// than the earlier one, the earlier folder's links go instead, and so do the levels of it that
// the earlier one made once they are empty: the log names one Start Menu folder, and the
// removal would leave the other.
void CarryEarlierShortcutsOver(BOOL linksMade);
