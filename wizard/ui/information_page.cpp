// The Information page, shown before and after installing: the package's text for that
// moment, inflated through the launcher's decompress callback into a read-only box.
#include <windows.h>

#include "common/memory.h"
#include "core/wizard_state.h"
#include "ui/frame.h"
#include "ui/pages.h"
#include "ui/resource.h"

// The header fields of one information text's stream.
struct InfoTextFields {
    PackageField offset;
    PackageField packedSize;
    PackageField size;
};

static const InfoTextFields INFO_BEFORE = {FIELD_INFO_BEFORE_OFFSET, FIELD_INFO_BEFORE_PACKED_SIZE,
                                           FIELD_INFO_BEFORE_SIZE};
static const InfoTextFields INFO_AFTER = {FIELD_INFO_AFTER_OFFSET, FIELD_INFO_AFTER_PACKED_SIZE,
                                          FIELD_INFO_AFTER_SIZE};

// Shows the text of the stream that the fields name. A text that cannot be allocated or
// inflated leaves the box empty, without a message.
static void ShowInfoText(const InfoTextFields* fields)
{
    uint32_t offset = GetHeaderField(fields->offset);
    uint32_t packedSize = GetHeaderField(fields->packedSize);
    uint32_t size = GetHeaderField(fields->size);
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
        LeaveDialogKeysToFrame(wizard.infoTextBox);
        ShowInfoText(wizard.currentPage == PAGE_INFO_BEFORE ? &INFO_BEFORE : &INFO_AFTER);
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
