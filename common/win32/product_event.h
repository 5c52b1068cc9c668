// Whether the installed product is running, told by the named event that it holds while it
// runs, and whether a named object exists at all, which the product locks are told by too.
#pragma once

#include <windows.h>

// TRUE when an event of this name exists, even one that this process may not open.
BOOL IsProductEventHeld(const char* eventName);

// Whether the named object that an Open...A call gave `opened` for exists: TRUE for a handle,
// which is closed here, and for one refused as ERROR_ACCESS_DENIED, which exists all the same
// (its holder runs with other rights, elevated or as another user).
BOOL IsOpenedObjectInBeing(HANDLE opened);
