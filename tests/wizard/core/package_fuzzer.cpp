// libFuzzer target: any bytes as the setup package. Whatever the wizard's check passes, the
// walks that trust it (measures, step counts, the log prologue, the file tree) stay inside it.
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include "common/path_routines.h"
#include "common/uninstall_log_builder.h"
#include "install/file_tree.h"
#include "install/install_progress.h"
#include "package/package_check.h"
#include "ui/destination_checks.h"

namespace {

void Check(bool condition)
{
    if (!condition)
        __builtin_trap();
}

unsigned sink;  // what the fill read, so that its reads are not left out; wraps at will
int dummyFile;

int MakeDirectory(const char*, uint32_t) { return 1; }
void* CreateFile(const char*, uint32_t) { return &dummyFile; }

FillResult FillFile(void*, const char* path, const TreeRecord* record)
{
    Check(strlen(path) < PATH_SIZE);
    for (uint32_t i = 0; record->size && i < record->packedSize; ++i)
        sink += record->data[i];
    return FILL_DONE;
}

void ShowPath(const char* path) { Check(strlen(path) < PATH_SIZE); }
int StepProgress(void) { return 1; }

const FileTreeOps ops = {MakeDirectory, CreateFile, FillFile, ShowPath, StepProgress};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // A copy of exactly `size` bytes, so that AddressSanitizer sees any read past the end.
    unsigned char* package = (unsigned char*)malloc(size ? size : 1);
    memcpy(package, data, size);
    if (IsPackageWhole(package, (uint32_t)size)) {
        TreePathLengths lengths = MeasureTreePaths(package);
        Check(lengths.longestFolder <= lengths.longestPath);
        (void)MeasureClusteredSize(package, 4096);
        InstallChoices choices = {0, 1, 1, 1};
        Check(CountTotalSteps(package, &choices) >= CountShortcutSteps(package, &choices));
        (void)CountRemovalSteps(package, &choices);

        UninstallLog log;
        memset(&log, 0, sizeof(log));
        AppendLogPrologue(&log, package);
        char installDir[PATH_SIZE] = "C:\\Program Files\\Product";
        (void)ExtractFileTree(&ops, &log, installDir, package);
        Check(strcmp(installDir, "C:\\Program Files\\Product") == 0);
        FreeLog(&log);
    }
    free(package);
    return 0;
}
