// The named event of a product that runs with other rights (elevated, or as another user):
// shared by the Win32 test programs that make one, the wizard driver and the uninstaller watch.
#pragma once

#include <windows.h>
#include <sddl.h>

// An event that anyone may wait on and nobody may open with more rights; NULL on failure.
inline HANDLE CreateEventOfOthers(const char* name)
{
    const char* const WAIT_ONLY_FOR_EVERYONE = "D:(A;;0x00100000;;;WD)"; // SYNCHRONIZE, World
    PSECURITY_DESCRIPTOR descriptor = NULL;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(WAIT_ONLY_FOR_EVERYONE, SDDL_REVISION_1,
                                                              &descriptor, NULL))
        return NULL;
    SECURITY_ATTRIBUTES attributes = {sizeof(attributes), descriptor, FALSE};
    HANDLE event = CreateEventA(&attributes, TRUE, FALSE, name);
    const DWORD error = GetLastError();
    LocalFree(descriptor);
    SetLastError(error); // the caller reports why the event was not made
    return event;
}
