// File-system operations for the file-tree walk that only record what they were asked to do,
// and can be told to fail for one path.
#include "recording_ops.h"

std::vector<RecordedCall> recordedCalls;
std::string failCreateFor;
std::string failFillFor;
std::string removeFillFor;
int stopAfterSteps = -1;

namespace {

std::string openPath;

int RecordDirectory(const char* path, uint32_t attributes)
{
    if (path == failCreateFor)
        return 0;
    recordedCalls.push_back({"dir", path, attributes, 0, 0, ""});
    return 1;
}

void* RecordCreate(const char* path, uint32_t attributes)
{
    if (path == failCreateFor)
        return nullptr;
    recordedCalls.push_back({"create", path, attributes, 0, 0, ""});
    openPath = path;
    return &openPath;
}

FillResult RecordFill(void* file, const char* path, const TreeRecord* record)
{
    // A fill handed another file than the one just created shows as a call of its own kind.
    bool sameFile = *(std::string*)file == path;
    recordedCalls.push_back({sameFile ? "fill" : "fill of another file", path, record->attributes,
                             record->size, record->lastWriteTime,
                             record->size ? std::string((const char*)record->data,
                                                        record->packedSize)
                                          : std::string()});
    if (path == removeFillFor)
        return FILL_REMOVED;
    return path == failFillFor ? FILL_FAILED : FILL_DONE;
}

void RecordShow(const char* path)
{
    recordedCalls.push_back({"show", path, 0, 0, 0, ""});
}

int RecordStep()
{
    recordedCalls.push_back({"step", "", 0, 0, 0, ""});
    return stopAfterSteps < 0 || --stopAfterSteps > 0;
}

} // namespace

const FileTreeOps recordingOps = {RecordDirectory, RecordCreate, RecordFill, RecordShow,
                                  RecordStep};

void ResetRecording()
{
    recordedCalls.clear();
    failCreateFor.clear();
    failFillFor.clear();
    removeFillFor.clear();
    stopAfterSteps = -1;
}
