// The Installing page of the page table.
// Its procedure starts the install worker and shows its progress until the worker reports.
#pragma once

#include <windows.h>

INT_PTR CALLBACK InstallingPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
