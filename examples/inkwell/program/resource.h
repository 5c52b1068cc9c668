// Resource ids of Inkwell, the sample product's program.
// Hand-written; the .rc file and the program share it.
#pragma once

#define IDS_TITLE 1
#define IDS_RUNNING 2
