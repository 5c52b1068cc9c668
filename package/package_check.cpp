// The check of a whole setup package: the bounded readers applied to everything the wizard
// follows, so that its own walks, which trust the package, never leave it.
#include "package/package_check.h"

#include "package/package_reader.h"

static const PackageField TEXT_FIELDS[] = {
    FIELD_SHORT_NAME, FIELD_DISPLAY_NAME, FIELD_INSTALL_DIR, FIELD_MENU_FOLDER, FIELD_NOTICE,
    FIELD_EVENT_NAME,
};

// Information texts: offset, compressed size.
static const PackageField STREAM_FIELDS[][2] = {
    {FIELD_INFO_BEFORE_OFFSET, FIELD_INFO_BEFORE_PACKED_SIZE},
    {FIELD_INFO_AFTER_OFFSET, FIELD_INFO_AFTER_PACKED_SIZE},
};

static const PackageField SINGLE_SHORTCUT_FIELDS[] = {
    FIELD_DESKTOP_SHORTCUT, FIELD_QUICK_LAUNCH_SHORTCUT, FIELD_STARTUP_SHORTCUT,
};

static const PackageField RUN_ENTRY_FIELDS[] = {
    FIELD_LAUNCH_ENTRY, FIELD_POST_INSTALL_ENTRY, FIELD_UNINSTALL_ENTRY,
};

static int AreEntriesWhole(const unsigned char* package, const unsigned char* end)
{
    uint32_t size = (uint32_t)(end - package);
    for (PackageField field : TEXT_FIELDS) {
        if (!ReadPackageText(package, end, ReadHeaderField(package, field)))
            return 0;
    }
    for (const PackageField* fields : STREAM_FIELDS) {
        uint32_t offset = ReadHeaderField(package, fields[0]);
        if (offset && (offset > size || ReadHeaderField(package, fields[1]) > size - offset))
            return 0;
    }
    ShortcutEntry shortcut;
    for (PackageField field : SINGLE_SHORTCUT_FIELDS) {
        uint32_t offset = ReadHeaderField(package, field);
        if (offset &&
            (offset >= size || !ReadSingleShortcutEntry(package + offset, end, &shortcut)))
            return 0;
    }
    RunEntry run;
    for (PackageField field : RUN_ENTRY_FIELDS) {
        uint32_t offset = ReadHeaderField(package, field);
        if (offset && (offset >= size || !ReadRunEntry(package + offset, end, &run)))
            return 0;
    }
    uint32_t listOffset = ReadHeaderField(package, FIELD_MENU_LIST);
    if (listOffset >= size)
        return 0;
    const unsigned char* at = package + listOffset;
    do {
        at = ReadShortcutEntry(at, end, &shortcut);
        if (!at)
            return 0;
    } while (shortcut.length);
    return 1;
}

// The tree from its first record to the end marker of its top level, counted as it goes.
static int IsFileTreeWhole(const unsigned char* package, const unsigned char* end)
{
    uint32_t treeOffset = ReadHeaderField(package, FIELD_FILE_TREE);
    if (treeOffset >= (uint32_t)(end - package))
        return 0;
    const unsigned char* at = package + treeOffset;
    uint32_t depth = 0;
    uint32_t fileCount = 0;
    uint64_t totalSize = 0;
    for (;;) {
        TreeRecord record;
        at = ReadTreeRecord(at, end, &record);
        if (!at)
            return 0;
        if (record.kind == TREE_RECORD_DIRECTORY) {
            ++depth;
        } else if (record.kind == TREE_RECORD_FILE) {
            ++fileCount;
            totalSize += record.size;
        } else if (depth) {
            --depth;
        } else {
            break;
        }
    }
    return fileCount == ReadHeaderField(package, FIELD_FILE_COUNT) &&
           totalSize == ReadHeaderField(package, FIELD_TOTAL_SIZE);
}

int IsPackageWhole(const unsigned char* package, uint32_t size)
{
    if (size < PACKAGE_HEADER_SIZE)
        return 0;
    const unsigned char* end = package + size;
    return AreEntriesWhole(package, end) && IsFileTreeWhole(package, end);
}
