// The page procedures of the wizard frame's page table, and the header band's procedure.
// The frame's page table points at them; the folder picker and path fields serve two pages.
#pragma once

#include <windows.h>

INT_PTR CALLBACK HeaderBandProc(HWND band, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK WelcomePageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK InformationPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK DestinationPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK StartMenuPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK ReadyPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK FinishPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);

// The system's folder picker, rooted at a special folder, with a two-line title: string
// `titleId` and the line that names `name`. True when a folder was chosen; `result`
// (PATH_SIZE) then holds its path.
BOOL BrowseForFolder(UINT titleId, int rootFolder, char* result, const char* name);

// The text of a path edit field in its kept form (see NormalisePathText) into `result`.
void ReadPathEdit(HWND edit, char* result);

// Lets Esc and Enter reach the frame while the focus is in the multi-line box `box`.
void LeaveDialogKeysToFrame(HWND box);
