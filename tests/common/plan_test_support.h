// Reading a log held in a string, and the plan's walks gathered into lists for comparison.
// Shared by the tests of the log reader, the walks and the carrying over of a reinstall.
#pragma once

#include <string>
#include <vector>

#include "common/uninstall_log_reader.h"
#include "common/uninstall_log_walks.h"

// The log's bytes stay alive as long as the plan that points into them.
struct ReadLog {
    std::string bytes;
    UninstallPlan plan;
    LogFault fault;
};

ReadLog ReadFromBytes(const std::string& bytes);

// "F path" for a file, "D path" for a directory, in the walk's order.
std::vector<std::string> GatherRemovals(const UninstallPlan& plan);
std::vector<std::string> GatherShortcuts(const UninstallPlan& plan);
// "1 key" or "2 key": root code, then the key path.
std::vector<std::string> GatherRegistryKeys(const UninstallPlan& plan);
