// Checks the resources of a launcher file, the bare stub or a built installer: error texts,
// program icon, version record and manifest, read the way Windows and the wizard read them.
#include <windows.h>

#include <stdio.h>
#include <string.h>
#include <string>

#include "launcher_test.h"
#include "test_paths.h"

namespace {

void CheckStrings(HMODULE launcher)
{
    const char* const expected[] = {"Setup Error", "Unable to create a temporary file.",
                                    "Cannot extract the wizard library.",
                                    "Cannot load the wizard library."};
    for (UINT id = 1; id <= 4; ++id) {
        char text[500] = "";
        LoadStringA(launcher, id, text, sizeof text);
        Check(strcmp(text, expected[id - 1]) == 0,
              "string " + std::to_string(id) + ": \"" + text + "\"");
    }
}

#pragma pack(push, 2)
struct IconGroupEntry {
    BYTE width;
    BYTE height;
    BYTE colours;
    BYTE reserved;
    WORD planes;
    WORD bitCount;
    DWORD bytes;
    WORD id;
};
#pragma pack(pop)

const void* LoadRawResource(HMODULE module, LPCSTR name, LPCSTR type, DWORD* size)
{
    HRSRC resource = FindResourceA(module, name, type);
    HGLOBAL loaded = resource ? LoadResource(module, resource) : nullptr;
    *size = resource ? SizeofResource(module, resource) : 0;
    return loaded ? LockResource(loaded) : nullptr;
}

void CheckIcons(HMODULE launcher)
{
    DWORD size = 0;
    const BYTE* group = static_cast<const BYTE*>(
        LoadRawResource(launcher, MAKEINTRESOURCEA(104), MAKEINTRESOURCEA(14), &size));
    WORD count = group && size >= 6 ? *reinterpret_cast<const WORD*>(group + 4) : 0;
    Check(count == 2 && size == 6 + 2 * sizeof(IconGroupEntry), "icon group 104 has two icons");
    if (count != 2 || size != 6 + 2 * sizeof(IconGroupEntry)) {
        return;
    }
    const IconGroupEntry* entries = reinterpret_cast<const IconGroupEntry*>(group + 6);
    const BYTE sizes[2] = {32, 16};
    for (int index = 0; index < 2; ++index) {
        const IconGroupEntry& entry = entries[index];
        std::string name = "icon " + std::to_string(index + 1);
        Check(entry.id == index + 1 && entry.width == sizes[index] &&
                  entry.height == sizes[index] && entry.colours == 16 && entry.bitCount == 4,
              name + ": " + std::to_string(entry.width) + "x" + std::to_string(entry.height) +
                  ", 16 colours, id " + std::to_string(entry.id));
        DWORD imageSize = 0;
        const BITMAPINFOHEADER* image = static_cast<const BITMAPINFOHEADER*>(LoadRawResource(
            launcher, MAKEINTRESOURCEA(index + 1), MAKEINTRESOURCEA(3), &imageSize));
        Check(image != nullptr && imageSize == entry.bytes && image->biWidth == sizes[index] &&
                  image->biBitCount == 4,
              name + ": image data of the stated size and depth");
    }
    HICON icon = static_cast<HICON>(LoadImageA(launcher, MAKEINTRESOURCEA(104), IMAGE_ICON, 16,
                                               16, 0));
    Check(icon != nullptr, "icon group 104 loads as an icon");
    if (icon != nullptr) {
        DestroyIcon(icon);
    }
}

std::string QueryVersionText(const void* record, const char* name)
{
    char* value = nullptr;
    UINT length = 0;
    std::string path = std::string("\\StringFileInfo\\040904B0\\") + name;
    if (!VerQueryValueA(record, path.c_str(), reinterpret_cast<void**>(&value), &length) ||
        value == nullptr) {
        return "(missing)";
    }
    return value;
}

void CheckVersion(const std::string& path)
{
    DWORD unused = 0;
    DWORD size = GetFileVersionInfoSizeA(path.c_str(), &unused);
    std::string record(size, '\0');
    bool read = size > 0 && GetFileVersionInfoA(path.c_str(), 0, size, &record[0]);
    Check(read, "version record present");
    if (!read) {
        return;
    }
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    bool hasFixed = VerQueryValueA(record.data(), "\\", reinterpret_cast<void**>(&fixed), &length);
    Check(hasFixed && fixed->dwFileVersionMS == 0x00010000 && fixed->dwFileVersionLS == 0 &&
              fixed->dwProductVersionMS == 0x00010000 && fixed->dwProductVersionLS == 0,
          "file and product version 1.0.0.0");
    WORD* translation = nullptr;
    bool hasTranslation = VerQueryValueA(record.data(), "\\VarFileInfo\\Translation",
                                         reinterpret_cast<void**>(&translation), &length);
    Check(hasTranslation && length >= 4 && translation[0] == 0x0409 && translation[1] == 1200,
          "translation 0x0409, code page 1200");
    const char* const fields[][2] = {
        {"ProductName", "Quillset"},
        {"ProductVersion", "1.0"},
        {"FileDescription", "Installation program for Win32 applications"},
        {"OriginalFilename", "Setup.exe"},
        {"FileVersion", "1.0"},
        {"CompanyName", "Quillset"},
    };
    for (const auto& field : fields) {
        std::string value = QueryVersionText(record.data(), field[0]);
        Check(value == field[1], std::string(field[0]) + " \"" + value + "\"");
    }
    Check(QueryVersionText(record.data(), "LegalCopyright").size() > 1, "LegalCopyright set");
}

void CheckManifest(HMODULE launcher)
{
    DWORD size = 0;
    const char* manifest = static_cast<const char*>(
        LoadRawResource(launcher, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24), &size));
    std::string text = manifest ? std::string(manifest, size) : std::string();
    const char* const parts[] = {
        "name=\"QD.Installer\"", "processorArchitecture=\"x86\"", "version=\"1.0.0.0\"",
        "type=\"win32\"", "<description></description>",
        "name=\"Microsoft.Windows.Common-Controls\"", "version=\"6.0.0.0\"",
        "publicKeyToken=\"6595b64144ccf1df\"", "language=\"*\""};
    for (const char* part : parts) {
        Check(text.find(part) != std::string::npos, std::string("manifest has ") + part);
    }
}

}  // namespace

int main(int argc, char** argv)
{
    setvbuf(stdout, nullptr, _IONBF, 0);
    if (argc != 3 || (strcmp(argv[2], "stub") != 0 && strcmp(argv[2], "installer") != 0)) {
        fprintf(stderr, "usage: launcher_resources_test SETUP_EXE stub|installer\n");
        return 2;
    }
    std::string path = ToWindowsPath(argv[1]);
    HMODULE launcher = LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    Check(launcher != nullptr, "opened " + path);
    if (launcher == nullptr) {
        return 1;
    }
    CheckStrings(launcher);
    CheckIcons(launcher);
    CheckVersion(path);
    CheckManifest(launcher);
    bool wantsPackage = strcmp(argv[2], "installer") == 0;
    DWORD size = 0;
    bool hasPackage =
        LoadRawResource(launcher, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(10), &size) != nullptr;
    Check(hasPackage == wantsPackage, wantsPackage ? "package resource present"
                                                   : "no package resource in the stub");
    FreeLibrary(launcher);
    return failures == 0 ? 0 : 1;
}
