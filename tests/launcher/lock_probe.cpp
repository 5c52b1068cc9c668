// Tries, from a process of its own, to change the wizard library that a launcher has loaded:
// open it for writing, open it for deleting, rename it, delete it. Exit code: what succeeded.
#include <windows.h>

#include <stdio.h>
#include <string>

#include "launcher_test.h"

int main(int argc, char** argv)
{
    if (argc != 2) {
        fprintf(stderr, "usage: lock_probe FILE\n");
        return PROBE_USAGE;
    }
    const char* path = argv[1];
    const DWORD anySharing = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    int succeeded = 0;

    HANDLE file = CreateFileA(path, GENERIC_WRITE, anySharing, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        succeeded |= PROBE_OPENED_FOR_WRITING;
        CloseHandle(file);
    }
    file = CreateFileA(path, DELETE, anySharing, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        succeeded |= PROBE_OPENED_FOR_DELETING;
        CloseHandle(file);
    }
    std::string moved = std::string(path) + ".moved";
    if (MoveFileA(path, moved.c_str())) {
        succeeded |= PROBE_RENAMED;
        MoveFileA(moved.c_str(), path);  // put it back so that the launcher can clean up
    }
    if (DeleteFileA(path)) {
        succeeded |= PROBE_DELETED;
    }
    return succeeded;
}
