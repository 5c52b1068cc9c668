// The resource that only this project's uninstaller carries: the wizard looks for it in the
// installed uninst.exe before it promises a silent removal with "/S". Plain defines for rc.
#pragma once

#define UNINSTALLER_MARKER_TYPE 0x5155  // a type of our own, no system resource type
#define UNINSTALLER_MARKER_ID 1
