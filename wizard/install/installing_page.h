// The Installing page of the page table.
#pragma once

#include <windows.h>

INT_PTR CALLBACK InstallingPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
