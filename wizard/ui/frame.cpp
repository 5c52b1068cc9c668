// The wizard frame: its start-up, the header band and page windows, moving through the page
// table, the exit confirmation and Finish.
#include <windows.h>

#include "common/format.h"
#include "common/text.h"
#include "core/wizard.h"
#include "core/wizard_state.h"
#include "install/install_control.h"
#include "install/program_launch.h"
#include "ui/frame.h"
#include "ui/pages.h"
#include "ui/resource.h"

enum {
    SMALL_ICON_SIZE = 16,
    EXIT_CAPTION_SIZE = 80,
    EXIT_TEXT_SIZE = 1024,
    BOLD_WEIGHT = 700,
};

static const char WELCOME_FACE[] = "Verdana";
static const char WELCOME_FALLBACK_FACE[] = "Arial";

static void SetIcons(HWND frame)
{
    HICON bigIcon = LoadIconA(wizard.launcherModule, MAKEINTRESOURCEA(IDI_LAUNCHER));
    HICON smallIcon = (HICON)LoadImageA(wizard.launcherModule, MAKEINTRESOURCEA(IDI_LAUNCHER),
                                        IMAGE_ICON, SMALL_ICON_SIZE, SMALL_ICON_SIZE, 0);
    if (bigIcon)
        (void)SendMessageA(frame, WM_SETICON, ICON_BIG, (LPARAM)bigIcon); // gives the old icon
    if (smallIcon)
        (void)SendMessageA(frame, WM_SETICON, ICON_SMALL, (LPARAM)smallIcon);
}

// The bold title font and the large welcome font, both derived from the dialog's own font.
static void CreateFonts(void)
{
    LOGFONTA font;
    FillBytes(&font, 0, sizeof(font));
    HFONT dialogFont = (HFONT)SendMessageA(wizard.backButton, WM_GETFONT, 0, 0);
    if (!dialogFont || !GetObjectA(dialogFont, sizeof(font), &font))
        FillBytes(&font, 0, sizeof(font)); // the system's default font then
    font.lfWeight = BOLD_WEIGHT;
    wizard.titleFont = CreateFontIndirectA(&font);

    font.lfHeight = (3 * font.lfHeight + 1) / 2;
    font.lfOutPrecision = OUT_DEFAULT_PRECIS;
    font.lfQuality = DEFAULT_QUALITY;
    font.lfPitchAndFamily = VARIABLE_PITCH;
    (void)CopyTextBounded(font.lfFaceName, LF_FACESIZE, WELCOME_FACE); // fits
    wizard.welcomeFont = CreateFontIndirectA(&font);
    if (!wizard.welcomeFont) {
        (void)CopyTextBounded(font.lfFaceName, LF_FACESIZE, WELCOME_FALLBACK_FACE); // fits
        wizard.welcomeFont = CreateFontIndirectA(&font);
    }
}

// The page area lies above the separator line and spans the frame's client width.
static void MeasurePageArea(HWND frame)
{
    RECT line = {0, 0, 0, 0};
    RECT client = {0, 0, 0, 0};
    if (!GetWindowRect(GetDlgItem(frame, IDC_SEPARATOR), &line) || !GetClientRect(frame, &client))
        return; // no page area: pages then show nothing
    POINT corner = {line.left, line.top};
    (void)ScreenToClient(frame, &corner); // cannot fail for a valid frame
    wizard.pageAreaBottom = corner.y;
    wizard.pageAreaWidth = client.right;
    wizard.headerHeight = 0;
}

static void StartFrame(HWND frame)
{
    wizard.frameWindow = frame;
    SetControlText(frame, 0, 0, wizard.productShortName);
    (void)FormatNumber(wizard.handleText, HANDLE_TEXT_SIZE, (uint32_t)(UINT_PTR)frame, 16); // fits
    wizard.backgroundBrush = (HBRUSH)GetStockObject(WHITE_BRUSH);
    SetIcons(frame);
    if (GetHeaderField(FIELD_NOTICE))
        (void)SetDlgItemTextA(frame, IDC_NOTICE, GetPackageText(FIELD_NOTICE)); // label stays empty
    wizard.backButton = GetDlgItem(frame, IDC_BACK);
    wizard.nextButton = GetDlgItem(frame, IDC_NEXT);
    wizard.cancelButton = GetDlgItem(frame, IDCANCEL);
    CreateFonts();
    MeasurePageArea(frame);
    ShowPage(wizard.currentPage);
}

static void CreateHeaderBand(void)
{
    wizard.headerBand = CreateDialogParamA(wizard.wizardModule, MAKEINTRESOURCEA(IDD_HEADER),
                                           wizard.frameWindow, HeaderBandProc, 0);
    RECT client;
    if (!wizard.headerBand || !GetClientRect(wizard.headerBand, &client))
        return; // no band: the page takes the whole area
    wizard.headerHeight = client.bottom;
    (void)SetWindowPos(wizard.headerBand, NULL, 0, 0, wizard.pageAreaWidth, client.bottom,
                       SWP_NOZORDER | SWP_SHOWWINDOW); // a band out of place still shows
}

void ShowPage(int index)
{
    const PageTableEntry* entry = &pageTable[index];
    if (entry->titleId) {
        if (!wizard.headerBand)
            CreateHeaderBand();
        SetControlText(wizard.headerTitle, 0, entry->titleId, NULL);
        SetControlText(wizard.headerSubtitle, 0, entry->subtitleId, wizard.productShortName);
    } else if (wizard.headerBand) {
        (void)DestroyWindow(wizard.headerBand); // a failure leaves a band that is covered next
        wizard.headerBand = NULL;
        wizard.headerHeight = 0;
    }

    HWND page = CreateDialogParamA(wizard.wizardModule, MAKEINTRESOURCEA(entry->templateId),
                                   wizard.frameWindow, entry->procedure, 0);
    if (page)
        (void)SetWindowPos(page, HWND_TOP, 0, wizard.headerHeight, wizard.pageAreaWidth,
                           wizard.pageAreaBottom - wizard.headerHeight, SWP_SHOWWINDOW);
    if (wizard.pageWindow)
        (void)DestroyWindow(wizard.pageWindow); // the new page lies on top of it either way

    // Enter presses the default button; on the Finish page, where Next is hidden, that is Finish.
    (void)SendMessageA(wizard.frameWindow, DM_SETDEFID,
                       index == PAGE_FINISH ? IDCANCEL : IDC_NEXT, 0);
    HWND focus = entry->nextCaptionId ? wizard.nextButton : wizard.cancelButton;
    (void)SendMessageA(wizard.frameWindow, WM_NEXTDLGCTL, (WPARAM)focus, TRUE);
    SetButton(wizard.cancelButton, entry->cancelCaptionId);
    SetButton(wizard.backButton, entry->backCaptionId);
    SetButton(wizard.nextButton, entry->nextCaptionId);
    wizard.pageWindow = page;
}

// Asks the current page through its own procedure, as the protocol wants it: a direct call.
static INT_PTR AskCurrentPage(UINT message)
{
    if (!wizard.pageWindow)
        return 1;
    return pageTable[wizard.currentPage].procedure(wizard.pageWindow, message, 0, 0);
}

void ShowNextPage(void)
{
    int next = wizard.currentPage + 1;
    while (next < PAGE_COUNT && !pageTable[next].enabled)
        ++next;
    if (next >= PAGE_COUNT || !AskCurrentPage(WM_PAGE_NEXT))
        return;
    wizard.currentPage = next;
    ShowPage(next);
}

void ShowPreviousPage(void)
{
    int previous = wizard.currentPage - 1;
    while (previous >= 0 && !pageTable[previous].enabled)
        --previous;
    if (previous < 0)
        return;
    (void)AskCurrentPage(WM_PAGE_BACK); // going back cannot be refused
    wizard.currentPage = previous;
    ShowPage(previous);
}

void OnCancel(void)
{
    if (wizard.currentPage == PAGE_INFO_AFTER || IsExitQuestionOpen() || IsInstallStopping())
        return;
    if (wizard.currentPage == PAGE_FINISH) {
        OnFinish();
        return;
    }
    // The worker waits at its gate while the question is open, holding nothing this thread
    // needs; a report it made just before is kept until the answer is known.
    HaltInstallWorker();
    char caption[EXIT_CAPTION_SIZE];
    char text[EXIT_TEXT_SIZE];
    if (!LoadStringA(wizard.wizardModule, IDS_EXIT_SETUP, caption, EXIT_CAPTION_SIZE))
        caption[0] = 0;
    if (!LoadStringA(wizard.wizardModule, IDS_EXIT_QUESTION, text, EXIT_TEXT_SIZE))
        text[0] = 0;
    int answer = MessageBoxA(wizard.frameWindow, text, caption,
                             MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2);
    if (answer == IDYES) {
        StopInstallWorker(); // returns once the worker has left the library's code
        (void)DestroyWindow(wizard.frameWindow); // its WM_DESTROY ends the message loop
        return;
    }
    ResumeInstallWorker(); // and handles the report kept meanwhile
}

void OnFinish(void)
{
    uint32_t launchEntry = GetHeaderField(FIELD_LAUNCH_ENTRY);
    if (launchEntry && IsDlgButtonChecked(wizard.pageWindow, IDC_LAUNCH) == BST_CHECKED &&
        !RunProgram(wizard.package + launchEntry, NULL))
        ShowSetupError(IDS_CANNOT_RUN, NULL);
    (void)DestroyWindow(wizard.frameWindow); // its WM_DESTROY ends the message loop
}

INT_PTR CALLBACK FrameProc(HWND frame, UINT message, WPARAM wParam, LPARAM lParam)
{
    (void)lParam;
    switch (message) {
    case WM_INITDIALOG:
        StartFrame(frame);
        return 0; // ShowPage has set the focus
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        // Only for a button the page shows: a click on a hidden one, which another program
        // can send, must neither leave the Installing page nor go back into it.
        case IDC_NEXT:
            if (pageTable[wizard.currentPage].nextCaptionId)
                ShowNextPage();
            break;
        case IDC_BACK:
            if (pageTable[wizard.currentPage].backCaptionId)
                ShowPreviousPage();
            break;
        case IDCANCEL:
            OnCancel();
            break;
        }
        return 1;
    case WM_CLOSE:
        OnCancel();
        return 1;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 1;
    }
    return 0;
}
