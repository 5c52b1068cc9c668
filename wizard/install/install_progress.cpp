// The progress accounting of the installation: how many steps the bar has, how many the
// uninstaller will take, and the pacing of each step. Freestanding, tested natively.
#include "install/install_progress.h"

#include "common/text.h"
#include "package/package_layout.h"
#include "package/package_reader.h"

enum {
    FIXED_STEPS = 3,                // destination directory, registry, saved log
};

static uint32_t CountMenuListEntries(const unsigned char* package)
{
    uint32_t count = 0;
    for (const unsigned char* at = package + ReadHeaderField(package, FIELD_MENU_LIST); ReadU16(at);) {
        ShortcutEntry entry;
        at = ReadTrustedShortcutEntry(at, &entry);
        count += entry.startMenuFlag != 0;
    }
    return count;
}

size_t MeasureLongestMenuLink(const unsigned char* package)
{
    size_t longest = 0;
    for (const unsigned char* at = package + ReadHeaderField(package, FIELD_MENU_LIST); ReadU16(at);) {
        ShortcutEntry entry;
        at = ReadTrustedShortcutEntry(at, &entry);
        size_t length = GetTextLength(entry.name);
        if (entry.startMenuFlag && length > longest)
            longest = length;
    }
    return longest;
}

uint32_t CountShortcutSteps(const unsigned char* package, const InstallChoices* choices)
{
    uint32_t count = (choices->desktopIcon ? 1 : 0) + (choices->quickLaunchIcon ? 1 : 0) +
                     (choices->startupIcon ? 1 : 0);
    if (!choices->noMenuFolder)
        count += CountMenuListEntries(package);
    return count;
}

uint32_t CountTotalSteps(const unsigned char* package, const InstallChoices* choices)
{
    uint32_t total = ReadHeaderField(package, FIELD_FILE_COUNT) +
                     CountShortcutSteps(package, choices) + FIXED_STEPS;
    if (!choices->noMenuFolder)
        ++total;
    if (ReadHeaderField(package, FIELD_POST_INSTALL_ENTRY))
        ++total;
    return total;
}

uint32_t CountRemovalSteps(const unsigned char* package, const InstallChoices* choices)
{
    uint32_t total = ReadHeaderField(package, FIELD_FILE_COUNT) +
                     CountShortcutSteps(package, choices) + FIXED_STEPS;
    if (ReadHeaderField(package, FIELD_UNINSTALL_ENTRY))
        ++total;
    return total;
}

uint32_t GetStepDelay(uint32_t totalSteps)
{
    return PACED_RUN_TIME / totalSteps; // never 0: the fixed steps are always counted
}

int IsPacedStep(uint32_t stepDelay)
{
    return stepDelay > PACED_STEP_LIMIT;
}
