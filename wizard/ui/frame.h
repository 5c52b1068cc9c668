// The wizard frame: the page table, the page procedure protocol and the frame's operations
// that pages call (moving on, button captions, control texts).
#pragma once

#include <windows.h>

enum {
    WM_PAGE_NEXT = WM_USER + 1,     // forward: store and check; 0 keeps the page
    WM_PAGE_BACK = WM_USER + 2,     // backward: store; cannot refuse
};

enum PageIndex {
    PAGE_WELCOME,
    PAGE_INFO_BEFORE,
    PAGE_DESTINATION,
    PAGE_START_MENU,
    PAGE_READY,
    PAGE_INSTALLING,
    PAGE_INFO_AFTER,
    PAGE_FINISH,
    PAGE_COUNT
};

struct PageTableEntry {
    UINT templateId;
    DLGPROC procedure;
    UINT enabled;           // 0: the page is skipped in both directions
    UINT titleId;           // 0: no header band, the page fills the whole page area
    UINT subtitleId;        // printed with the short product name
    UINT backCaptionId;     // 0 hides the button
    UINT nextCaptionId;
    UINT cancelCaptionId;
};

extern PageTableEntry pageTable[PAGE_COUNT];

// Leaves out the information pages whose texts the package does not carry.
void EnablePackagePages(void);

INT_PTR CALLBACK FrameProc(HWND frame, UINT message, WPARAM wParam, LPARAM lParam);

// Makes a page-table entry the current page: header band, a new page window, focus, buttons.
void ShowPage(int index);

// Next: asks the current page, then shows the next enabled page.
void ShowNextPage(void);

// Back: tells the current page, then shows the previous enabled page.
void ShowPreviousPage(void);

// Cancel, Esc and the close box: nothing, Finish, or the exit confirmation, by page.
void OnCancel(void);

// Launches the installed program when the Finish page asks for it, then closes the wizard.
void OnFinish(void);

// Caption id 0 hides the button; any other shows it with that string as its text.
void SetButton(HWND button, UINT captionId);

// Sets the text of a control of `window` (or of the window itself when `controlId` is 0):
// string `stringId`, or the target's own text when that is 0, printed with `argument` as its
// "%s" when the argument is not null. Texts longer than the buffers are cut.
void SetControlText(HWND window, int controlId, UINT stringId, const char* argument);
