// Keeps planted libraries out: before anything is loaded, the library search is narrowed to the
// system directory and the current directory is dropped from it, where the system offers this.
#include "launcher.h"

typedef BOOL(WINAPI* SetDefaultDllDirectoriesRoutine)(DWORD directoryFlags);
typedef BOOL(WINAPI* SetDllDirectoryRoutine)(LPCSTR path);

// Both routines are looked up at run time: systems before them must still run the launcher.
void RestrictDllSearch()
{
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    if (kernel == nullptr) {
        return;
    }
    FARPROC setDefaultDirectories = GetProcAddress(kernel, "SetDefaultDllDirectories");
    if (setDefaultDirectories != nullptr) {
        // On failure the search stays as the system has it; the next step still drops the
        // current directory.
        (void)reinterpret_cast<SetDefaultDllDirectoriesRoutine>(
            reinterpret_cast<void*>(setDefaultDirectories))(LOAD_LIBRARY_SEARCH_SYSTEM32);
    }
    FARPROC setDllDirectory = GetProcAddress(kernel, "SetDllDirectoryA");
    if (setDllDirectory != nullptr) {
        // An empty text removes the current directory; a failure leaves nothing else to try.
        (void)reinterpret_cast<SetDllDirectoryRoutine>(reinterpret_cast<void*>(setDllDirectory))(
            "");
    }
}
