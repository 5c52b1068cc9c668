// Resource ids of the start-time benchmark's floor program.
#pragma once

#define IDD_FLOOR 1
