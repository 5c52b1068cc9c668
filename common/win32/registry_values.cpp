// Reading a text value of a registry key, checked for its type and its ending NUL; the caller's
// buffer holds the text only when it is whole.
#include "common/win32/registry_values.h"

#include "common/path_routines.h"
#include "common/registry_keys.h"
#include "common/uninstall_log_format.h"

HKEY GetLogRootKey(int logRoot)
{
    return logRoot == LOG_ROOT_LOCAL_MACHINE ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
}

int ReadTextValue(HKEY root, const char* keyPath, const char* name, char* text, DWORD size)
{
    HKEY key;
    if (RegOpenKeyExA(root, keyPath, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return 0;
    DWORD type;
    DWORD read = size;
    LONG result = RegQueryValueExA(key, name, NULL, &type, (BYTE*)text, &read);
    (void)RegCloseKey(key); // nothing to do if closing fails
    if (result == ERROR_MORE_DATA)
        return -1;
    if (result != ERROR_SUCCESS)
        return 0;
    return type == REG_SZ && read > 0 && text[read - 1] == 0 ? 1 : -1;
}

int NamesDestination(HKEY root, const char* keyPath, const char* destination)
{
    BOOL appPath = GetProductKeyKind(keyPath) == PRODUCT_KEY_APP_PATHS;
    char value[PATH_SIZE];
    int read = ReadTextValue(root, keyPath, appPath ? NULL : UNINSTALL_LOCATION_VALUE, value,
                             sizeof(value));
    if (read <= 0)
        return read == 0 ? -1 : 0;
    return appPath ? IsPathInside(value, destination) : !lstrcmpiA(value, destination);
}
