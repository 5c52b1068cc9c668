// libFuzzer target: any bytes as "uninst.dat". The reader must refuse them with one of its
// messages or yield a plan whose every walk stays inside the log and the destination.
#include <stddef.h>
#include <stdint.h>
#include <string.h>

#include <initializer_list>

#include "common/uninstall_log_reader.h"
#include "common/uninstall_log_walks.h"

static void Require(bool holds)
{
    if (!holds)
        __builtin_trap();
}

static bool IsInsideLog(const UninstallPlan& plan, const char* text)
{
    const char* start = (const char*)plan.log;
    return text >= start && text + strlen(text) < start + plan.logSize;
}

static void CheckPlan(const UninstallPlan& plan)
{
    for (const char* text : {plan.notice, plan.shortName, plan.displayName, plan.destination.path})
        Require(text && IsInsideLog(plan, text));
    for (const char* text : {plan.eventName, plan.uninstallCommand, plan.menuFolder.path})
        Require(!text || IsInsideLog(plan, text));
    size_t destinationLength = strlen(plan.destination.path);
    Require(plan.destination.existingLength >= 3 &&
            plan.destination.existingLength <= destinationLength);

    FileListWalk files;
    RemovalKind kind;
    uint32_t fileCount = 0;
    uint32_t directoryCount = 0;
    BeginFileListWalk(&files, &plan);
    while (NextRemovalEntry(&files, &kind)) {
        size_t length = strlen(files.path);
        Require(length == files.pathLength && length < PATH_SIZE);
        Require(length > destinationLength &&
                memcmp(files.path, plan.destination.path, destinationLength) == 0);
        // The destination keeps its own separators; a drive root may end in a slash.
        const char* name = files.path + length;
        while (name[-1] != '\\' && name[-1] != '/')
            --name;
        Require(name - files.path >= (ptrdiff_t)destinationLength && IsPlainName(name));
        (kind == REMOVE_FILE ? fileCount : directoryCount) += 1;
    }
    Require(files.error == LOG_FAULT_NONE && fileCount == plan.fileCount &&
            directoryCount == plan.directoryCount);
    Require(strcmp(files.path, plan.destination.path) == 0);

    TextListWalk texts;
    uint32_t count = 0;
    BeginShortcutWalk(&texts, &plan);
    while (NextShortcut(&texts)) {
        Require(IsInsideLog(plan, texts.text) && strlen(texts.text) < PATH_SIZE);
        ++count;
    }
    Require(texts.error == LOG_FAULT_NONE && count == plan.shortcutCount);
    count = 0;
    BeginRegistryWalk(&texts, &plan);
    while (NextRegistryKey(&texts)) {
        Require(IsInsideLog(plan, texts.text));
        Require(texts.root == LOG_ROOT_LOCAL_MACHINE || texts.root == LOG_ROOT_CURRENT_USER);
        ++count;
    }
    Require(texts.error == LOG_FAULT_NONE && count == plan.registryKeyCount);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // A copy of exactly `size` bytes, so that AddressSanitizer sees any read past the end.
    unsigned char* log = new unsigned char[size ? size : 1];
    memcpy(log, data, size);
    UninstallPlan plan;
    LogFault fault = ReadUninstallLog(log, (uint32_t)size, &plan);
    if (fault)
        Require(fault >= LOG_FAULT_WRONG_SIZE && fault <= LOG_FAULT_BAD_REGISTRY);
    else
        CheckPlan(plan);
    delete[] log;
    return 0;
}
