// File-system operations for the file-tree walk that only record what they were asked to do,
// and can be told to fail for one path.
#include "recording_ops.h"

std::vector<RecordedCall> recordedCalls;
std::string failCreateFor;
std::string failFillFor;
int stopAfterSteps = -1;

namespace {

std::string openPath;

void RecordDirectory(const char* path, uint32_t attributes)
{
    recordedCalls.push_back({"dir", path, attributes, 0, 0, ""});
}

void* RecordCreate(const char* path, uint32_t attributes)
{
    if (path == failCreateFor)
        return nullptr;
    recordedCalls.push_back({"create", path, attributes, 0, 0, ""});
    openPath = path;
    return &openPath;
}

int RecordFill(void* file, const FileRecordData* record)
{
    const std::string& path = *(std::string*)file;
    recordedCalls.push_back({"fill", path, record->attributes, record->size,
                             record->lastWriteTime,
                             record->size ? std::string((const char*)record->data,
                                                        record->packedSize)
                                          : std::string()});
    return path != failFillFor;
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
    stopAfterSteps = -1;
}
