// Changes resource trees for the vendor's brand: replaces icon group 104 and its images with
// fresh ids, rewrites the version record's texts and numbers, and swaps the wizard's bitmaps.
#include "brand.h"

#include <set>
#include <stdexcept>

#include "file_io.h"
#include "pe_bytes.h"
#include "pe_image.h"
#include "pe_resource_tree.h"
#include "pe_resources.h"
#include "version_record.h"

namespace quillset {
namespace {

namespace fs = std::filesystem;

constexpr std::uint16_t ICON_GROUP_ID = 104;  // the id the wizard loads from the launcher
constexpr std::uint16_t VERSION_RECORD_ID = 1;
constexpr std::uint16_t LANGUAGE_NEUTRAL = 0;
constexpr std::uint16_t LANGUAGE_US_ENGLISH = 0x0409;
constexpr std::uint64_t GROUP_HEADER_SIZE = 6;
constexpr std::uint64_t GROUP_ENTRY_SIZE = 14;
// Icons and page bitmaps are kilobytes; the bound only keeps a wrong path from filling memory.
constexpr std::uint64_t MAX_BRAND_FILE = 16 << 20;

ResourceDirectory* FindChild(ResourceDirectory& directory, std::uint16_t id)
{
    for (ResourceEntry& entry : directory.entries) {
        if (!entry.key.isNamed && entry.key.id == id)
            return std::get_if<ResourceDirectory>(&entry.child);
    }
    return nullptr;
}

ResourceDirectory& FindOrAddChild(ResourceDirectory& directory, std::uint16_t id)
{
    if (ResourceDirectory* found = FindChild(directory, id))
        return *found;
    directory.entries.push_back({ResourceKey{false, id, {}}, ResourceDirectory{}});
    return std::get<ResourceDirectory>(directory.entries.back().child);
}

// A name's language directory holding one resource.
ResourceEntry MakeNamedResource(std::uint16_t id, std::uint16_t language, ResourceData data)
{
    ResourceDirectory languages;
    languages.entries.push_back({ResourceKey{false, language, {}}, std::move(data)});
    return {ResourceKey{false, id, {}}, std::move(languages)};
}

// The icon ids that a group's entries name; entries past its data are not read.
std::vector<std::uint16_t> ReadGroupIds(std::span<const std::uint8_t> group)
{
    std::vector<std::uint16_t> ids;
    if (!HasBytes(group, 0, GROUP_HEADER_SIZE))
        return ids;
    for (std::uint64_t i = 0; i < GetU16(group, 4); ++i) {
        const std::uint64_t at = GROUP_HEADER_SIZE + GROUP_ENTRY_SIZE * i;
        if (!HasBytes(group, at, GROUP_ENTRY_SIZE))
            break;
        ids.push_back(GetU16(group, at + 12));
    }
    return ids;
}

void AppendU16(std::vector<std::uint8_t>& out, std::uint16_t value)
{
    out.push_back(static_cast<std::uint8_t>(value));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
}

void PutIcon(ResourceDirectory& tree, const std::vector<IconImage>& images)
{
    // The old group goes; its images go too unless another group shows them.
    std::set<std::uint16_t> oldIds;
    std::set<std::uint16_t> sharedIds;
    std::optional<std::uint16_t> language;
    if (ResourceDirectory* groups = FindChild(tree, kResourceTypeGroupIcon)) {
        for (ResourceEntry& name : groups->entries) {
            const bool replaced = !name.key.isNamed && name.key.id == ICON_GROUP_ID;
            for (ResourceEntry& entry : std::get<ResourceDirectory>(name.child).entries) {
                if (replaced && !language && !entry.key.isNamed)
                    language = entry.key.id;
                for (std::uint16_t id : ReadGroupIds(std::get<ResourceData>(entry.child).bytes))
                    (replaced ? oldIds : sharedIds).insert(id);
            }
        }
        std::erase_if(groups->entries, [](const ResourceEntry& name) {
            return !name.key.isNamed && name.key.id == ICON_GROUP_ID;
        });
    }
    ResourceDirectory& icons = FindOrAddChild(tree, kResourceTypeIcon);
    std::erase_if(icons.entries, [&](const ResourceEntry& name) {
        return !name.key.isNamed && oldIds.contains(name.key.id) && !sharedIds.contains(name.key.id);
    });
    std::set<std::uint32_t> taken;
    for (const ResourceEntry& name : icons.entries) {
        if (!name.key.isNamed)
            taken.insert(name.key.id);
    }

    // The new images take the lowest ids that no remaining icon has.
    std::vector<std::uint8_t> group;
    AppendU16(group, 0);
    AppendU16(group, 1);  // an icon, not a cursor
    AppendU16(group, static_cast<std::uint16_t>(images.size()));
    std::uint32_t next = 1;
    for (const IconImage& image : images) {
        while (taken.contains(next))
            ++next;
        if (next > 0xFFFF)
            throw std::runtime_error("the stub has no free icon ids left for the vendor's icon");
        const auto id = static_cast<std::uint16_t>(next++);
        icons.entries.push_back(MakeNamedResource(id, language.value_or(LANGUAGE_NEUTRAL),
                                                  MakeOwnedResource(image.bytes)));
        group.insert(group.end(), {image.width, image.height, image.colourCount, 0});
        AppendU16(group, 1);  // planes
        AppendU16(group, image.bitCount);
        for (int shift = 0; shift < 32; shift += 8)
            group.push_back(static_cast<std::uint8_t>(image.bytes.size() >> shift));
        AppendU16(group, id);
    }
    FindOrAddChild(tree, kResourceTypeGroupIcon)
        .entries.push_back(MakeNamedResource(ICON_GROUP_ID, language.value_or(LANGUAGE_NEUTRAL),
                                             MakeOwnedResource(std::move(group))));
}

// The launcher's own record, for a stub that has none.
VersionRecord MakeDefaultRecord()
{
    VersionRecord record;
    record.fixed = {0xFEEF04BD, 0x00010000, 0, 0, 0, 0, 0x3F, 0, 4 /* VOS__WINDOWS32 */,
                    1 /* VFT_APP */, 0, 0, 0};
    record.tableKey = u"040904B0";
    record.translation = {0x09, 0x04, 0xB0, 0x04};  // US English, Unicode
    return record;
}

void ChangeRecord(VersionRecord& record, const ManifestVersion& version)
{
    if (record.tableKey.empty())
        record.tableKey = MakeDefaultRecord().tableKey;
    const auto set = [&](std::u16string_view key, const std::optional<std::string>& text) {
        if (text)
            SetVersionString(record, key, ConvertToUtf16(*text));
    };
    set(u"CompanyName", version.company);
    set(u"FileDescription", version.description);
    set(u"FileVersion", version.productVersion);
    set(u"LegalCopyright", version.copyright);
    set(u"ProductName", version.productName);
    set(u"ProductVersion", version.productVersion);
    if (version.productVersion)
        SetVersionNumbers(record, version.number);
}

void PutVersion(ResourceDirectory& tree, const ManifestVersion& version)
{
    ResourceDirectory& names = FindOrAddChild(tree, kResourceTypeVersion);
    ResourceDirectory* languages = FindChild(names, VERSION_RECORD_ID);
    if (!languages) {
        VersionRecord record = MakeDefaultRecord();
        ChangeRecord(record, version);
        names.entries.push_back(MakeNamedResource(VERSION_RECORD_ID, LANGUAGE_US_ENGLISH,
                                                  MakeOwnedResource(WriteVersionRecord(record))));
        return;
    }
    for (ResourceEntry& entry : languages->entries) {
        auto& data = std::get<ResourceData>(entry.child);
        VersionRecord record = ReadVersionRecord(data.bytes);
        ChangeRecord(record, version);
        ResourceData changed = MakeOwnedResource(WriteVersionRecord(record));
        changed.codePage = data.codePage;
        data = std::move(changed);
    }
}

void PutBitmap(ResourceDirectory& tree, const PageBitmap& page, const std::vector<std::uint8_t>& dib)
{
    ResourceDirectory* bitmaps = FindChild(tree, kResourceTypeBitmap);
    ResourceDirectory* languages = bitmaps ? FindChild(*bitmaps, page.id) : nullptr;
    if (!languages || languages->entries.empty())
        throw std::runtime_error("the wizard library has no bitmap " + std::to_string(page.id) +
                                 " for " + page.what + " to replace; use Quillset's Wizard.dll");
    for (ResourceEntry& entry : languages->entries) {
        auto& data = std::get<ResourceData>(entry.child);
        ResourceData changed = MakeOwnedResource(dib);
        changed.codePage = data.codePage;
        data = std::move(changed);
    }
}

std::vector<std::uint8_t> LoadPageBitmap(const fs::path& file, const PageBitmap& page)
{
    return ParsePageBitmap(ReadWholeFile(file, MAX_BRAND_FILE), file.string(), page);
}

}  // namespace

StubBrand LoadStubBrand(const Manifest& manifest)
{
    StubBrand brand;
    if (manifest.icon)
        brand.icon = ParseIconFile(ReadWholeFile(*manifest.icon, MAX_BRAND_FILE), manifest.icon->string());
    brand.version = manifest.version;
    return brand;
}

void ApplyStubBrand(ResourceDirectory& tree, const StubBrand& brand)
{
    if (!brand.icon.empty())
        PutIcon(tree, brand.icon);
    if (brand.version)
        PutVersion(tree, *brand.version);
}

std::vector<std::uint8_t> BrandWizardLibrary(std::vector<std::uint8_t> library, const Manifest& manifest,
                                             const fs::path& file)
{
    std::vector<std::pair<const PageBitmap*, std::vector<std::uint8_t>>> bitmaps;
    if (manifest.welcomeImage)
        bitmaps.emplace_back(&WELCOME_BITMAP, LoadPageBitmap(*manifest.welcomeImage, WELCOME_BITMAP));
    if (manifest.headerImage)
        bitmaps.emplace_back(&HEADER_BITMAP, LoadPageBitmap(*manifest.headerImage, HEADER_BITMAP));
    if (bitmaps.empty())
        return library;
    try {
        return RewriteResources(library, "the wizard library", [&](ResourceDirectory& tree) {
            for (const auto& [page, dib] : bitmaps)
                PutBitmap(tree, *page, dib);
        }, true);
    } catch (const PeFormatError& error) {
        throw std::runtime_error(file.string() + ": the wizard library cannot take the vendor's images: " +
                                 error.what());
    } catch (const std::runtime_error& error) {
        throw std::runtime_error(file.string() + ": " + error.what());
    }
}

}  // namespace quillset
