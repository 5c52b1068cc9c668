// The page table: for each of the eight pages its template, procedure, whether it takes part,
// its header texts and which buttons it shows with which captions.
#include "core/wizard_state.h"
#include "install/installing_page.h"
#include "ui/frame.h"
#include "ui/pages.h"
#include "ui/resource.h"

PageTableEntry pageTable[PAGE_COUNT] = {
    {IDD_WELCOME, WelcomePageProc, 1, 0, 0, 0, IDS_NEXT, IDS_CANCEL},
    {IDD_INFORMATION, InformationPageProc, 1, IDS_INFORMATION_TITLE, IDS_INFORMATION_SUBTITLE,
     IDS_BACK, IDS_NEXT, IDS_CANCEL},
    {IDD_DESTINATION, DestinationPageProc, 1, IDS_DESTINATION_TITLE, IDS_DESTINATION_SUBTITLE,
     IDS_BACK, IDS_NEXT, IDS_CANCEL},
    {IDD_START_MENU, StartMenuPageProc, 1, IDS_START_MENU_TITLE, IDS_START_MENU_SUBTITLE,
     IDS_BACK, IDS_NEXT, IDS_CANCEL},
    {IDD_READY, ReadyPageProc, 1, IDS_READY_TITLE, IDS_READY_SUBTITLE, IDS_BACK, IDS_INSTALL,
     IDS_CANCEL},
    {IDD_INSTALLING, InstallingPageProc, 1, IDS_INSTALLING_TITLE, IDS_INSTALLING_SUBTITLE, 0, 0,
     IDS_CANCEL},
    {IDD_INFORMATION, InformationPageProc, 1, IDS_INFORMATION_TITLE, IDS_INFORMATION_SUBTITLE, 0,
     IDS_NEXT, 0},
    {IDD_FINISH, FinishPageProc, 1, 0, 0, 0, 0, IDS_FINISH},
};

void EnablePackagePages(void)
{
    if (!GetHeaderField(FIELD_INFO_BEFORE_OFFSET))
        pageTable[PAGE_INFO_BEFORE].enabled = 0;
    if (!GetHeaderField(FIELD_INFO_AFTER_OFFSET))
        pageTable[PAGE_INFO_AFTER].enabled = 0;
}
