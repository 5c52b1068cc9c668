// Uninstall logs written by hand for the reader's tests: header fields set by name, sections
// appended byte by byte, and the sample installation's complete log.
#include "log_bytes.h"

#include "common/byte_order.h"

using namespace std::string_literals;

std::string U32(uint32_t value)
{
    unsigned char bytes[4];
    WriteU32(bytes, value);
    return std::string((const char*)bytes, sizeof bytes);
}

void LogBytes::SetField(LogHeaderField field, uint32_t value)
{
    bytes.replace(field, 4, U32(value));
}

void LogBytes::AddSection(LogHeaderField field, const std::string& section)
{
    SetField(field, (uint32_t)bytes.size());
    bytes += section;
}

void LogBytes::AddText(LogHeaderField field, const std::string& text)
{
    AddSection(field, text + '\0');
}

void LogBytes::AddFolder(LogHeaderField field, uint32_t existingLength, const std::string& path)
{
    AddSection(field, U32(existingLength) + path + '\0');
}

std::string LogBytes::Sealed() const
{
    std::string sealed = bytes;
    sealed.replace(LOG_FILE_SIZE, 4, U32((uint32_t)sealed.size()));
    return sealed;
}

std::string BuildLog(const std::string& fileList, const std::string& shortcuts,
                     const std::string& registry)
{
    LogBytes log;
    log.AddText(LOG_NOTICE, "Notice");
    log.AddText(LOG_SHORT_NAME, "Vistrel");
    log.AddText(LOG_DISPLAY_NAME, "Vistrel 2.1");
    log.AddText(LOG_EVENT_NAME, "VistrelEvent");
    log.AddText(LOG_UNINSTALL_COMMAND, "%InstallDir%\\Vistrel.exe -u");
    log.AddFolder(LOG_DESTINATION_RECORD, 16, "C:\\Program Files\\Vistrel");
    log.AddFolder(LOG_MENU_RECORD, 16, "C:\\Menu\\Programs\\Vistrel 2.1");
    log.AddSection(LOG_FILE_LIST,
                   !fileList.empty() ? fileList
                                     : "\x02uninst.dat\0\x02uninst.exe\0\x01sub\0\x02"
                                       "a.txt\0\0\x02Vistrel.exe\0\0"s);
    log.AddSection(LOG_SHORTCUT_LIST,
                   !shortcuts.empty() ? shortcuts : "C:\\Desktop\\Vistrel 2.1.lnk\0\0"s);
    std::string keys = "Software\\Microsoft\\Windows\\CurrentVersion\\";
    log.AddSection(LOG_REGISTRY_LIST,
                   !registry.empty() ? registry
                                     : "\x02" + keys + "Uninstall\\Vistrel 2.1\0"s + "\x01" + keys +
                                           "App Paths\\Vistrel.exe\0\0"s);
    log.SetField(LOG_REMOVAL_STEPS, 8);
    return log.Sealed();
}
