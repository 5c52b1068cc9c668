// File-system operations for the file-tree walk that only record what they were asked to do,
// and can be told to fail for one path.
#pragma once

#include <string>
#include <vector>

#include "install/file_tree.h"

struct RecordedCall {
    std::string what;               // "dir", "create", "fill", "show", "step"
    std::string path;
    uint32_t attributes;
    uint32_t size;
    uint64_t lastWriteTime;
    std::string data;               // the bytes a fill was handed
};

extern std::vector<RecordedCall> recordedCalls;
extern std::string failCreateFor;   // createDirectory or createFile fails for this path
extern std::string failFillFor;     // fillFile fails for this path, keeping the file
extern std::string removeFillFor;   // fillFile runs out of room for this path and removes it
extern int stopAfterSteps;          // stepProgress asks to stop after this many; -1 never
extern const FileTreeOps recordingOps;

void ResetRecording();
