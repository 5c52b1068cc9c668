// The start-time measurement of the benchmark: from starting a program to its first window
// (or the wizard's Welcome page) shown.
#pragma once

#include <string>

// Starts `program`, waits until `what` is shown ("welcome": the wizard frame with its Welcome
// page; "window": any top-level window), prints the time in microseconds, then closes the
// program as a user would. Returns the driver's exit code.
int MeasureStartTime(const std::string& what, const std::string& program);
