// The uninstaller's one state record, zero-filled at start as a plain global.
#include "uninstall_state.h"

UninstallState uninstall;
