// Whether the installed product is running, told by the named event that it holds while it
// runs; the wizard and the uninstaller both refuse to go on then.
#pragma once

#include <windows.h>

// TRUE when an event of this name exists, even one that this process may not open.
BOOL IsProductEventHeld(const char* eventName);
