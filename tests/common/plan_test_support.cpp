// Reading a log held in a string, and the plan's walks gathered into lists for comparison.
// Shared by the tests of the log reader, the walks and the carrying over of a reinstall.
#include "plan_test_support.h"

ReadLog ReadFromBytes(const std::string& bytes)
{
    ReadLog read;
    read.bytes = bytes;
    read.fault = ReadUninstallLog((const unsigned char*)read.bytes.data(),
                                  (uint32_t)read.bytes.size(), &read.plan);
    return read;
}

std::vector<std::string> GatherRemovals(const UninstallPlan& plan)
{
    std::vector<std::string> removals;
    FileListWalk walk;
    RemovalKind kind;
    BeginFileListWalk(&walk, &plan);
    while (NextRemovalEntry(&walk, &kind))
        removals.push_back((kind == REMOVE_FILE ? "F " : "D ") + std::string(walk.path));
    if (walk.error)
        removals.push_back("error " + std::to_string(walk.error));
    return removals;
}

std::vector<std::string> GatherShortcuts(const UninstallPlan& plan)
{
    std::vector<std::string> shortcuts;
    TextListWalk walk;
    BeginShortcutWalk(&walk, &plan);
    while (NextShortcut(&walk))
        shortcuts.push_back(walk.text);
    if (walk.error)
        shortcuts.push_back("error " + std::to_string(walk.error));
    return shortcuts;
}

std::vector<std::string> GatherRegistryKeys(const UninstallPlan& plan)
{
    std::vector<std::string> keys;
    TextListWalk walk;
    BeginRegistryWalk(&walk, &plan);
    while (NextRegistryKey(&walk))
        keys.push_back(std::to_string(walk.root) + " " + walk.text);
    if (walk.error)
        keys.push_back("error " + std::to_string(walk.error));
    return keys;
}
