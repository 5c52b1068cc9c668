// What installing again into a folder carries over from the log that the new one replaces:
// the earlier installation's shortcuts that this one did not make again, so that removing the
// product takes them too. Freestanding, tested natively.
#pragma once

#include "common/uninstall_log_builder.h"
#include "common/uninstall_log_reader.h"

// Appends to the shortcut list that `log` is building (from its LOG_SHORTCUT_LIST offset, not
// yet ended) each shortcut of `earlier` that the list does not hold, ignoring ASCII case, and
// for which `isPresent` holds. The list stays unended.
void CarryEarlierShortcuts(UninstallLog* log, const UninstallPlan* earlier,
                           int (*isPresent)(const char* path));
