// Checks the kind of a Windows module from its headers, the wizard library's export and the
// resources that the launcher and the wizard load from the stub; every read is bounded.
#include "module_checks.h"

#include <stdexcept>
#include <variant>

#include "pe_bytes.h"
#include "pe_image.h"
#include "pe_resource_tree.h"
#include "pe_resources.h"
#include "pe_signature.h"
#include "text_format.h"

namespace quillset {
namespace {

// The launcher's error texts are strings 1 to 4, all in the first block of 16; the wizard
// loads the launcher's icon group 104 for its windows.
constexpr std::uint16_t kLauncherStringBlock = 1;
constexpr unsigned kLastLauncherString = 4;
constexpr std::uint16_t kLauncherIconGroup = 104;
constexpr std::uint64_t kIconGroupHeaderSize = 6;
constexpr std::uint64_t kIconGroupEntrySize = 14;

const ResourceDirectory* FindSubdirectory(const ResourceDirectory& directory, std::uint16_t id)
{
    for (const ResourceEntry& entry : directory.entries) {
        if (!entry.key.isNamed && entry.key.id == id)
            return std::get_if<ResourceDirectory>(&entry.child);
    }
    return nullptr;
}

// The resource `type`/`id` in the language Windows falls back on: neutral, else the first.
const ResourceData* FindResource(const ResourceDirectory& root, std::uint16_t type, std::uint16_t id)
{
    const ResourceDirectory* types = FindSubdirectory(root, type);
    const ResourceDirectory* languages = types ? FindSubdirectory(*types, id) : nullptr;
    if (!languages)
        return nullptr;
    const ResourceData* chosen = nullptr;
    for (const ResourceEntry& entry : languages->entries) {
        const ResourceData* data = std::get_if<ResourceData>(&entry.child);
        if (data && !entry.key.isNamed && entry.key.id == kLanguageNeutral)
            return data;
        if (data && !chosen)
            chosen = data;
    }
    return chosen;
}

std::optional<std::string> FindLauncherResourceProblem(const ResourceDirectory& root)
{
    const ResourceData* strings = FindResource(root, kResourceTypeString, kLauncherStringBlock);
    if (!strings)
        return "it has no string table with the launcher's messages (strings 1 to 4)";
    // A block holds 16 strings, each a u16 length and that many UTF-16 characters.
    std::uint64_t at = 0;
    for (unsigned index = 0; index <= kLastLauncherString; ++index) {
        if (!HasBytes(strings->bytes, at, 2))
            return "its string table ends before string " + std::to_string(index);
        const std::uint16_t length = GetU16(strings->bytes, at);
        if (index > 0 && length == 0)
            return "string " + std::to_string(index) + " of its string table, a launcher message, is empty";
        at += 2 + 2ULL * length;
        if (at > strings->bytes.size())
            return "string " + std::to_string(index) + " of its string table runs past its resource";
    }

    const ResourceData* group = FindResource(root, kResourceTypeGroupIcon, kLauncherIconGroup);
    if (!group)
        return "it has no icon group 104, the icon that the wizard shows";
    const std::span<const std::uint8_t> bytes = group->bytes;
    const std::uint16_t count = HasBytes(bytes, 0, kIconGroupHeaderSize) ? GetU16(bytes, 4) : 0;
    if (count == 0 || !HasBytes(bytes, kIconGroupHeaderSize, kIconGroupEntrySize * count))
        return "its icon group 104 holds no readable icon";
    for (std::uint16_t i = 0; i < count; ++i) {
        const std::uint16_t icon = GetU16(bytes, kIconGroupHeaderSize + kIconGroupEntrySize * i + 12);
        if (!FindResource(root, kResourceTypeIcon, icon))
            return "icon " + std::to_string(icon) + " of its icon group 104 is missing";
    }
    return std::nullopt;
}

// The file alignment's bounds when the sections are aligned to pages or more.
constexpr std::uint32_t kSmallestFileAlignment = 512;
constexpr std::uint32_t kLargestFileAlignment = 64 * 1024;

// What the loader refuses in the layout: alignments other than powers of two, a file alignment
// from 512 to 64 KiB (or equal to the section alignment below a page), sections at addresses
// off their alignment, and headers that miss the section table or reach into a section's data.
std::optional<std::string> FindLayoutProblem(const PeImage& pe)
{
    const std::uint32_t file = pe.fileAlignment;
    const std::uint32_t section = pe.sectionAlignment;
    const bool fileSound = section >= kPageSize ? file >= kSmallestFileAlignment && file <= kLargestFileAlignment
                                                : file == section;
    if (!IsPowerOfTwo(file) || !IsPowerOfTwo(section) || file > section || !fileSound)
        return "its file and section alignments (" + std::to_string(file) + " and " + std::to_string(section) +
               ") are not ones Windows loads";
    const std::uint64_t tableEnd = std::uint64_t{pe.sectionTableOffset} + kSectionHeaderSize * pe.sections.size();
    if (pe.sizeOfHeaders < tableEnd)
        return "its headers' size of " + std::to_string(pe.sizeOfHeaders) +
               " bytes does not cover its section table, which ends at " + std::to_string(tableEnd);
    for (const PeSection& entry : pe.sections) {
        if (entry.virtualAddress % section != 0)
            return "its section " + FormatSectionName(entry.name) + " lies at " + FormatHex(entry.virtualAddress, 8) +
                   ", off its section alignment";
        if (entry.sizeOfRawData != 0 && entry.pointerToRawData < pe.sizeOfHeaders)
            return "its headers' size of " + std::to_string(pe.sizeOfHeaders) + " bytes reaches into section " +
                   FormatSectionName(entry.name);
    }
    return std::nullopt;
}

// The loader lays the module out, reads its import directory and starts its entry point before
// any of the module's own code runs: a layout it refuses, or either one outside the sections'
// bytes, makes a module that cannot start. A DLL may have no entry point.
std::optional<std::string> FindLoadProblem(const PeImage& pe, std::span<const std::uint8_t> image, bool isDll)
{
    if (auto problem = FindLayoutProblem(pe))
        return problem;
    const std::uint32_t entry = GetU32(image, pe.optionalHeaderOffset + kOptAddressOfEntryPoint);
    if (entry == 0 ? !isDll : !MapRva(pe, image, entry, 1))
        return "its entry point " + FormatHex(entry, 8) + " lies in none of its sections";
    const PeDataDirectory imports = pe.DataDirectory(kImportDirectoryIndex);
    if (imports.size != 0 && !MapRva(pe, image, imports.rva, imports.size))
        return "its import directory (" + std::to_string(imports.size) + " bytes at " + FormatHex(imports.rva, 8) +
               ") lies in none of its sections";
    return std::nullopt;
}

std::optional<std::string> FindRoleProblem(const PeImage& pe, std::span<const std::uint8_t> image,
                                           ModuleRole role)
{
    if (pe.magic != kMagicPe32)
        return std::string("it is a 64-bit (PE32+) image");
    if (pe.machine != kMachineI386)
        return "it is built for machine " + FormatHex(pe.machine, 4) + ", not i386 (0x014C)";
    const bool isDll = (pe.characteristics & kFileDll) != 0;
    if ((pe.characteristics & kFileExecutableImage) == 0)
        return std::string("it is not marked as an executable image (an object file?)");
    if (auto problem = FindLoadProblem(pe, image, isDll))
        return problem;
    switch (role) {
    case ModuleRole::WizardLibrary:
        if (!isDll)
            return std::string("it is a program, not a DLL");
        if (!HasNamedExport(pe, image, "ShowWizard"))
            return std::string("it does not export ShowWizard");
        return std::nullopt;
    case ModuleRole::LauncherStub:
        if (isDll)
            return std::string("it is a DLL, not a program");
        if (pe.subsystem == kSubsystemWindowsConsole)
            return std::string("it is a console program, not a Windows GUI one");
        if (pe.subsystem != kSubsystemWindowsGui)
            return "its subsystem is " + std::to_string(pe.subsystem) + ", not Windows GUI (2)";
        try {
            CheckStubCanEmbed(image);
        } catch (const std::runtime_error& error) {
            return std::string(error.what());
        }
        return FindLauncherResourceProblem(ReadResourceTree(pe, image));
    case ModuleRole::Uninstaller:
        if (isDll)
            return std::string("it is a DLL, not a program");
        // inspect fails an installer whose uninstaller a verifier would refuse.
        if (const auto unsound = FindUnsoundSignature(image))
            return "its signature is unsound (" + *unsound + "): sign it again, or give it unsigned";
        return std::nullopt;
    }
    return std::nullopt;
}

struct RoleNames {
    std::string_view name;
    std::string_view option;
    std::string_view sharedFile;  // Quillset's own, beside the tool
};

RoleNames GetRoleNames(ModuleRole role)
{
    switch (role) {
    case ModuleRole::WizardLibrary:
        return {"wizard library", "--wizard", "Wizard.dll"};
    case ModuleRole::LauncherStub:
        return {"launcher stub", "--stub", "Setup.exe"};
    case ModuleRole::Uninstaller:
        return {"uninstaller", "--uninstaller", "uninst.exe"};
    }
    return {};
}

}  // namespace

std::optional<std::string> FindModuleProblem(std::span<const std::uint8_t> image, ModuleRole role)
{
    try {
        return FindRoleProblem(ReadPeImage(image), image, role);
    } catch (const PeFormatError& error) {
        return std::string(error.what());
    }
}

std::string DescribeModuleRole(ModuleRole role)
{
    switch (role) {
    case ModuleRole::WizardLibrary:
        return "a 32-bit x86 DLL that exports ShowWizard";
    case ModuleRole::LauncherStub:
        return "a 32-bit x86 Windows GUI program with the launcher's resources (strings 1 to 4, icon "
               "group 104)";
    case ModuleRole::Uninstaller:
        return "a 32-bit x86 Windows program";
    }
    return "";
}

void CheckModuleFile(const std::filesystem::path& file, std::span<const std::uint8_t> image,
                     ModuleRole role)
{
    const std::optional<std::string> problem = FindModuleProblem(image, role);
    if (!problem)
        return;
    const RoleNames names = GetRoleNames(role);
    throw std::runtime_error(file.string() + ": not a usable " + std::string(names.name) + ": " + *problem +
                             "; the " + std::string(names.name) + " must be " + DescribeModuleRole(role) +
                             ", such as Quillset's " + std::string(names.sharedFile) +
                             " in share/quillset beside the tool (" + std::string(names.option) +
                             " PATH names one)");
}

}  // namespace quillset
