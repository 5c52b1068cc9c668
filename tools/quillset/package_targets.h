// The shortcut targets and the launch program that name a place below %InstallDir%, checked
// against the package's tree, since nothing else can be there right after the installation.
#pragma once

#include "manifest.h"
#include "source_tree.h"

namespace quillset {

// Throws ManifestError at the line of the first shortcut target or [run.launch] program that
// starts with %InstallDir% and a separator but names no file of `tree`, or of the first working
// folder of a shortcut, the launch or the post-install program that so names no folder of it
// (names compared as Windows compares them, both separators read). Paths elsewhere are not
// checked.
void CheckPackageTargets(const Manifest& manifest, const SourceTree& tree);

}  // namespace quillset
