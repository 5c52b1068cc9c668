// Drive letters made for a test through Wine's mount manager: a CD-ROM drive or a fixed drive
// over a given Linux folder, removed again when the scenario ends.
#pragma once

#include <string>

// Defines `letter` as a drive of `type` ("cdrom" or "fixed") over the Linux folder `unixPath`,
// or removes it when `type` is "none". Empty on success, otherwise what failed.
std::string DefineWineDrive(char letter, const std::string& type, const std::string& unixPath);
