// What installing again into a folder carries over from the log that the new one replaces:
// the earlier installation's files, directories, shortcuts and registry keys that this one
// did not make again, so that removing the product takes them too. Freestanding, tested
// natively.
#pragma once

#include "common/uninstall_log_builder.h"
#include "common/uninstall_log_reader.h"

// Merges into the file list that `log` has just completed, its last section, the entries of
// `earlier`'s file list that it lacks and for which `isPresent` holds (their paths below
// `destination`), each at its own level after that level's new entries (names compared
// ignoring ASCII case), and counts their files as removal steps. A level that is the same in
// both is kept as it is. Leaves the list as it was and returns 0 when it is not a complete last
// section or memory runs out.
int CarryEarlierFiles(UninstallLog* log, const UninstallPlan* earlier, const char* destination,
                      int (*isPresent)(const char* path));

// Appends to the shortcut list that `log` is building (from its LOG_SHORTCUT_LIST offset, not
// yet ended) each shortcut of `earlier` that the list does not hold, ignoring ASCII case, and
// for which `isPresent` holds, each one more removal step. The list stays unended.
void CarryEarlierShortcuts(UninstallLog* log, const UninstallPlan* earlier,
                           int (*isPresent)(const char* path));

// Appends to the registry list that `log` is building (from its LOG_REGISTRY_LIST offset, not
// yet ended) each key of `earlier` that the list does not hold under the same root, ignoring
// ASCII case, and for which `isOwned` holds. The list stays unended.
void CarryEarlierRegistryKeys(UninstallLog* log, const UninstallPlan* earlier,
                              int (*isOwned)(int root, const char* key));
