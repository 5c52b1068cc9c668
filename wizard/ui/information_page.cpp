// The Information page, shown before and after installing: the package's text for that
// moment, inflated through the launcher's decompress callback into a read-only box.
#include <windows.h>

#include "core/memory.h"
#include "core/wizard_state.h"
#include "ui/frame.h"
#include "ui/pages.h"
#include "ui/resource.h"

// The stream's offset field is followed by its compressed and its uncompressed size.
enum {
    PACKED_SIZE_FIELD = 4,
    SIZE_FIELD = 8,
};

// Shows the text whose stream the header field names. A text that cannot be allocated or
// inflated leaves the box empty, without a message.
static void ShowInfoText(PackageField offsetField)
{
    uint32_t offset = GetHeaderField(offsetField);
    uint32_t packedSize = GetHeaderField((PackageField)(offsetField + PACKED_SIZE_FIELD));
    uint32_t size = GetHeaderField((PackageField)(offsetField + SIZE_FIELD));
    if (size == 0xFFFFFFFFu)
        return; // no room for the terminator in 32 bits
    char* text = (char*)MemAlloc((size_t)size + 1);
    if (!text)
        return;
    if (wizard.decompress(wizard.package + offset, (unsigned char*)text, packedSize, size)) {
        text[size] = 0;
        (void)SetWindowTextA(wizard.infoTextBox, text); // an empty box is the failure case anyway
    }
    MemFree(text);
}

INT_PTR CALLBACK InformationPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        wizard.infoTextBox = GetDlgItem(page, IDC_INFO_TEXT);
        ShowInfoText(wizard.currentPage == PAGE_INFO_BEFORE ? FIELD_INFO_BEFORE_OFFSET
                                                            : FIELD_INFO_AFTER_OFFSET);
        (void)SendMessageA(wizard.frameWindow, WM_NEXTDLGCTL, (WPARAM)wizard.nextButton, TRUE);
        return 1;
    case WM_PAGE_NEXT:
    case WM_PAGE_BACK:
        return 1;
    case WM_CTLCOLORSTATIC:
        // The read-only box is drawn in the window colour, not the dialog's.
        if ((HWND)lParam != wizard.infoTextBox)
            return 0;
        (void)SetBkColor((HDC)wParam, GetSysColor(COLOR_WINDOW)); // gives the old colour
        return (INT_PTR)GetSysColorBrush(COLOR_WINDOW);
    }
    return 0;
}
