// Resource ids of the start-time benchmark's floor program.
// Shared by floor_program.rc and the program's code.
#pragma once

#define IDD_FLOOR 1
