// libFuzzer target for folder-variable expansion and the path routines, each writing into a
// heap block of exactly one path buffer so that AddressSanitizer sees any byte past it.
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

#include "common/memory.h"
#include "common/path_routines.h"
#include "core/folder_values.h"
#include "core/menu_folder.h"

namespace {

void Check(bool condition)
{
    if (!condition)
        __builtin_trap();
}

// A heap block of exactly PATH_SIZE bytes holding `text`, cut to fit.
char* MakePathBuffer(const std::string& text)
{
    char* buffer = (char*)malloc(PATH_SIZE);
    size_t length = text.size() < PATH_SIZE - 1 ? text.size() : PATH_SIZE - 1;
    memcpy(buffer, text.data(), length);
    buffer[length] = 0;
    return buffer;
}

void FuzzExpansion(const std::vector<std::string>& parts)
{
    // Values come from 260-byte buffers in the library, so they are at most 259 characters.
    std::vector<char*> values;
    const int variables[] = {FOLDER_PROGRAM_FILES, FOLDER_INSTALL_DIR, FOLDER_HANDLE,
                             FOLDER_MENU_FOLDER};
    for (size_t i = 0; i < sizeof(variables) / sizeof(variables[0]); ++i) {
        values.push_back(i + 1 < parts.size() ? MakePathBuffer(parts[i + 1]) : nullptr);
        folderValues[variables[i]] = values.back();
    }
    char* destination = (char*)malloc(PATH_SIZE);
    char* result = ExpandFolderVariables(parts[0].c_str(), destination);
    if (result) {
        Check(result == destination && strlen(destination) < PATH_SIZE);
        if (!strchr(parts[0].c_str(), '%'))
            Check(strcmp(destination, parts[0].c_str()) == 0);
    } else {
        Check(destination[0] == 0 && strlen(parts[0].c_str()) > 0);
    }
    free(destination);
    for (size_t i = 0; i < values.size(); ++i) {
        folderValues[variables[i]] = nullptr;
        free(values[i]);
    }
}

void FuzzPathRoutines(const std::vector<std::string>& parts)
{
    const std::string& first = parts[0];
    const std::string& second = parts.size() > 1 ? parts[1] : first;

    char* base = MakePathBuffer(first);
    std::string before = base;
    if (AppendPath(base, second.c_str()))
        Check(strlen(base) < PATH_SIZE);
    else
        Check(before == base);
    free(base);

    char* copy = DuplicatePath(first.c_str());
    Check(first.c_str()[0] == 0 ? copy == nullptr : copy != nullptr);
    MemFree(copy);

    char* typed = MakePathBuffer(first);
    size_t typedLength = strlen(typed);
    NormalisePathText(typed);
    Check(typed[0] != ' ' && !strchr(typed, '/') && !strstr(typed, "\\\\") && strlen(typed) <= typedLength);
    free(typed);

    (void)HasInvalidPathChars(first.c_str());
    Check(FindFirstSeparator(first.c_str()) <= first.c_str() + strlen(first.c_str()));
    Check(FindLastSeparator(first.c_str()) >= first.c_str());

    char* component = (char*)malloc(PATH_SIZE);
    (void)CopyFirstComponent(first.c_str(), component);
    Check(strlen(component) < PATH_SIZE);
    free(component);

    // Start Menu and Programs values are path buffers; the group and a chosen folder are not
    // bounded by the caller here.
    char* startMenu = MakePathBuffer(first);
    char* programs = MakePathBuffer(second);
    const char* group = parts.size() > 2 ? parts[2].c_str() : "";
    char* menuFolder = (char*)malloc(PATH_SIZE);
    size_t offset = 0;
    (void)ComputeMenuFolder(startMenu, programs, group, menuFolder, &offset);
    Check(strlen(menuFolder) < PATH_SIZE && offset <= strlen(startMenu));
    (void)MakeMenuFolderRelative(second.c_str(), startMenu, offset, group, menuFolder);
    Check(strlen(menuFolder) < PATH_SIZE);
    free(menuFolder);
    free(programs);
    free(startMenu);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // The input is NUL-separated texts; the first byte chooses what is fuzzed.
    if (size < 1)
        return 0;
    std::vector<std::string> parts(1);
    for (size_t i = 1; i < size; ++i) {
        if (data[i] == 0)
            parts.emplace_back();
        else
            parts.back().push_back((char)data[i]);
    }
    if (data[0] & 1)
        FuzzExpansion(parts);
    else
        FuzzPathRoutines(parts);
    return 0;
}
