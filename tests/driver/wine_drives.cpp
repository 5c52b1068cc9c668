// Talks to Wine's mount manager (\\.\MountPointManager) as Wine's own configuration tool does,
// so a test can have a CD-ROM drive or a small fixed drive without touching the system.
#include "wine_drives.h"

#include <windows.h>
#include <winioctl.h>

#include <cstring>
#include <vector>

namespace {

// Wine's request layout for defining a drive letter; the mount point follows it as a
// NUL-terminated Linux path.
struct UnixDriveRequest {
    ULONG size;
    ULONG type;
    ULONG fsType;
    DWORD serial;
    ULONGLONG unixDevice;
    WCHAR letter;
    USHORT mountPointOffset;
    USHORT deviceOffset;
    USHORT labelOffset;
};

const DWORD MOUNTMGR_DEVICE_TYPE = 0x6D;
const DWORD DEFINE_UNIX_DRIVE = CTL_CODE(MOUNTMGR_DEVICE_TYPE, 32, METHOD_BUFFERED, FILE_READ_ACCESS | FILE_WRITE_ACCESS);

} // namespace

std::string DefineWineDrive(char letter, const std::string& type, const std::string& unixPath)
{
    ULONG driveType = DRIVE_UNKNOWN;
    if (type == "cdrom")
        driveType = DRIVE_CDROM;
    else if (type == "fixed")
        driveType = DRIVE_FIXED;
    else if (type != "none")
        return "no such drive type: " + type;
    std::vector<char> request(sizeof(UnixDriveRequest) + unixPath.size() + 1, 0);
    UnixDriveRequest* drive = reinterpret_cast<UnixDriveRequest*>(request.data());
    drive->size = (ULONG)request.size();
    drive->type = driveType;
    drive->letter = (WCHAR)(letter | 0x20);
    if (driveType != DRIVE_UNKNOWN) {
        drive->mountPointOffset = sizeof(UnixDriveRequest);
        std::memcpy(request.data() + sizeof(UnixDriveRequest), unixPath.c_str(), unixPath.size() + 1);
    }
    HANDLE manager = CreateFileA("\\\\.\\MountPointManager", GENERIC_READ | GENERIC_WRITE,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (manager == INVALID_HANDLE_VALUE)
        return "Wine's mount manager cannot be opened (error " + std::to_string(GetLastError()) + ")";
    DWORD returned = 0;
    BOOL done = DeviceIoControl(manager, DEFINE_UNIX_DRIVE, request.data(), (DWORD)request.size(), nullptr, 0,
                                &returned, nullptr);
    DWORD error = GetLastError();
    CloseHandle(manager);
    if (!done)
        return "Wine's mount manager refused drive " + std::string(1, letter) + ": (error " + std::to_string(error) + ")";
    char root[] = {letter, ':', '\\', 0};
    UINT shown = GetDriveTypeA(root);
    if (driveType != DRIVE_UNKNOWN && shown != driveType)
        return "drive " + std::string(1, letter) + ": has type " + std::to_string(shown) + " after defining it";
    return "";
}
