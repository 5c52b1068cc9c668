// The progress accounting of the installation: how many steps the bar has, how many the
// uninstaller will take, and the pacing of each step. Freestanding, tested natively.
#pragma once

#include <stddef.h>
#include <stdint.h>

enum {
    PACED_STEP_LIMIT = 20,          // a step delay above this many milliseconds is slept
    PACED_RUN_TIME = 1000,          // milliseconds that all steps share
};

// The Start Menu page's choices that decide which folders and shortcuts are made.
struct InstallChoices {
    int noMenuFolder;
    int desktopIcon;
    int quickLaunchIcon;
    int startupIcon;
};

// The longest name of the links that go into the Start Menu folder (the flagged list entries),
// in characters without ".lnk"; 0 when none goes there.
size_t MeasureLongestMenuLink(const unsigned char* package);

// One per chosen single shortcut and, with a Start Menu folder, one per flagged list entry.
uint32_t CountShortcutSteps(const unsigned char* package, const InstallChoices* choices);

// Steps of the progress bar: files, shortcuts, destination, registry and log, plus the Start
// Menu folder and the post-install program when there are.
uint32_t CountTotalSteps(const unsigned char* package, const InstallChoices* choices);

// Steps noted for the uninstaller: files, shortcuts, 3, plus its own uninstall command.
uint32_t CountRemovalSteps(const unsigned char* package, const InstallChoices* choices);

// Milliseconds each step may take so that a short installation still shows its progress.
uint32_t GetStepDelay(uint32_t totalSteps);

// True when each step sleeps its delay before the bar advances.
int IsPacedStep(uint32_t stepDelay);
