// The build pipeline: every check runs before compression starts, so a bad input fails fast,
// and the model is filled so that its streams can be compressed in parallel in place.
#include "package_builder.h"

#include <algorithm>
#include <iostream>
#include <memory>
#include <stdexcept>

#include "brand.h"
#include "compression.h"
#include "file_io.h"
#include "manifest.h"
#include "name_rules.h"
#include "module_checks.h"
#include "output_guard.h"
#include "package_model.h"
#include "package_targets.h"
#include "package_writer.h"
#include "path_length.h"
#include "pe_signature.h"
#include "prepacked_stream.h"
#include "source_tree.h"
#include "text_encoding.h"
#include "tool_paths.h"

namespace quillset {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view UTF8_BYTE_ORDER_MARK = "\xEF\xBB\xBF";
// The package records the size of every stream it holds in 32 bits.
constexpr std::uint64_t MAX_STREAM_SIZE = 0xFFFFFFFF;

ShortcutRecord MakeShortcutRecord(const ManifestShortcut& shortcut)
{
    return {shortcut.name, shortcut.target, shortcut.workingDir, shortcut.showMode, shortcut.startMenu};
}

std::optional<RunRecord> MakeRunRecord(const std::optional<ManifestRunEntry>& entry)
{
    if (!entry)
        return std::nullopt;
    return RunRecord{entry->commandLine, entry->workingDir, entry->showMode, entry->wait};
}

PackageModel MakeModel(const Manifest& manifest)
{
    PackageModel model;
    model.shortName = manifest.shortName;
    model.displayName = manifest.displayName;
    model.installDir = manifest.installDir;
    model.menuFolder = manifest.menuFolder;
    model.eventName = manifest.eventName;
    model.notice = manifest.notice;
    for (const ManifestShortcut& shortcut : manifest.shortcuts)
        model.shortcuts.push_back(MakeShortcutRecord(shortcut));
    model.desktopShortcut = manifest.desktopShortcut;
    model.quickLaunchShortcut = manifest.quickLaunchShortcut;
    model.startupShortcut = manifest.startupShortcut;
    model.launch = MakeRunRecord(manifest.launch);
    model.postInstall = MakeRunRecord(manifest.postInstall);
    model.uninstall = MakeRunRecord(manifest.uninstall);
    return model;
}

std::vector<TreeItem> MakeTreeItems(const std::vector<SourceNode>& nodes)
{
    std::vector<TreeItem> items;
    items.reserve(nodes.size());
    for (const SourceNode& node : nodes) {
        TreeItem item;
        item.name = node.name;
        item.attributes = node.attributes;
        item.lastWriteTime = node.lastWriteTime;
        item.data.size = node.size;
        item.children = MakeTreeItems(node.children);
        items.push_back(std::move(item));
    }
    return items;
}

// One job per non-empty file; the tree is complete, so pointers into it stay valid. The builtin
// uninstaller is small and the same in every build: it always takes the best level, or the
// stream that the Win32 build made for it.
void CollectFileJobs(std::vector<TreeItem>& items, const std::vector<SourceNode>& nodes, int level,
                     const fs::path& builtinUninstaller, std::vector<CompressionJob>& jobs)
{
    for (std::size_t i = 0; i < items.size(); ++i) {
        const SourceNode& node = nodes[i];
        if (node.directory) {
            CollectFileJobs(items[i].children, node.children, level, builtinUninstaller, jobs);
            continue;
        }
        if (node.size == 0)
            continue;
        jobs.push_back({[&node] { return LoadScannedFile(node); }, &items[i].data, node.size, level, {}});
        if (!builtinUninstaller.empty() && node.path == builtinUninstaller) {
            jobs.back().level = BEST_LEVEL;
            jobs.back().prepacked = GetPrepackedStreamPath(builtinUninstaller);
        }
    }
}

CompressionJob MakeMemoryJob(std::vector<std::uint8_t> bytes, PackedStream& output)
{
    auto shared = std::make_shared<std::vector<std::uint8_t>>(std::move(bytes));
    const std::uint64_t weight = shared->size();
    return {[shared] { return std::move(*shared); }, &output, weight, BEST_LEVEL, {}};
}

void CheckTreeAgainstOutput(const OutputGuard& guard, const std::vector<SourceNode>& nodes)
{
    for (const SourceNode& node : nodes) {
        if (node.directory)
            CheckTreeAgainstOutput(guard, node.children);
        else
            guard.Check(node.path, "the product file " + node.path.string());
    }
}

// The files and folders whose Windows-1252 names hold a character outside ASCII, counted, and
// the source path of the first.
void FindNonAsciiNames(const std::vector<SourceNode>& nodes, std::size_t& count, fs::path& first)
{
    for (const SourceNode& node : nodes) {
        if (std::any_of(node.name.begin(), node.name.end(), [](char c) { return (unsigned char)c >= 0x80; })) {
            if (count++ == 0)
                first = node.path;
        }
        if (node.directory)
            FindNonAsciiNames(node.children, count, first);
    }
}

// The wizard makes the files through the ANSI calls, which read the stored names in the user's
// code page: there, "é" may become another letter or, as a lead byte, swallow the separator
// after it.
void WarnOfNonAsciiNames(const SourceTree& tree)
{
    std::size_t count = 0;
    fs::path first;
    FindNonAsciiNames(tree.nodes, count, first);
    if (count)
        std::cerr << "quillset: warning: " << count
                  << (count == 1 ? " name of the product's files uses" : " names of the product's files use")
                  << " characters outside ASCII (the first: " << first.string()
                  << "); they install as named only where Windows' ANSI code page is Windows-1252 (Western "
                     "European): elsewhere, as on a Japanese or a Central European system, the files get other "
                     "names, and a name may run into the folder after it\n";
}

// The uninst.exe at the top of the source tree, or the nodes' end.
std::vector<SourceNode>::const_iterator FindUninstallerNode(const std::vector<SourceNode>& nodes)
{
    return std::ranges::find_if(nodes, [](const SourceNode& candidate) {
        return !candidate.directory && FoldNameCase(candidate.name) == FoldNameCase(UNINSTALLER_FILE);
    });
}

// Refuses the uninst.exe at `file` (`image`, `when` it is refused: "" or " once signed") when it
// is no program: it is the product's uninstall command, which would then not start.
void CheckUninstallerImage(const fs::path& file, std::span<const std::uint8_t> image, const std::string& when)
{
    if (const auto problem = FindModuleProblem(image, ModuleRole::Uninstaller))
        throw std::runtime_error(file.string() + ": not a usable uninstaller" + when + ": " + *problem +
                                 "; uninst.exe is the product's uninstall command, and must be " +
                                 DescribeModuleRole(ModuleRole::Uninstaller));
}

// The uninstaller is the other program that users run, so it is signed like Setup.exe: the
// signed bytes are packed in place of the file's, under the file's own time.
void SignUninstaller(const SigningCommand& signing, const std::vector<SourceNode>& nodes,
                     std::vector<TreeItem>& items, std::vector<CompressionJob>& jobs)
{
    const auto node = FindUninstallerNode(nodes);
    if (node == nodes.end())
        return;
    std::vector<std::uint8_t> signedBytes =
        SignImage(signing, LoadScannedFile(*node), UNINSTALLER_FILE);
    if (signedBytes.size() > MAX_STREAM_SIZE)
        throw std::runtime_error("the signed uninst.exe is larger than a package file may be");
    // The uninstall command as it ships: the product's own one is checked here, once signed.
    CheckUninstallerImage(node->path, signedBytes, " once signed");
    PackedStream& stream = items[static_cast<std::size_t>(node - nodes.begin())].data;
    stream.size = static_cast<std::uint32_t>(signedBytes.size());
    CompressionJob job = MakeMemoryJob(std::move(signedBytes), stream);
    const auto old = std::ranges::find(jobs, &stream, &CompressionJob::output);
    if (old != jobs.end())
        *old = std::move(job);
    else
        jobs.push_back(std::move(job));
}

// The product's own uninstaller (with "none", one the source folder holds all the same) is
// packed as it is, so it must be a program, and a signature that a verifier would refuse would
// ship in it (inspect fails such an installer). A signing command replaces it instead.
void CheckOwnUninstaller(const std::vector<SourceNode>& nodes)
{
    const auto node = FindUninstallerNode(nodes);
    if (node != nodes.end())
        CheckUninstallerImage(node->path, ReadWholeFile(node->path, MAX_STREAM_SIZE), "");
}

std::vector<std::uint8_t> LoadWizardLibrary(const fs::path& file)
{
    std::vector<std::uint8_t> bytes = ReadWholeFile(file, MAX_WIZARD_LIBRARY_SIZE);
    CheckModuleFile(file, bytes, ModuleRole::WizardLibrary);
    return bytes;
}

}  // namespace

std::vector<std::uint8_t> LoadInformationText(const fs::path& file)
{
    const std::vector<std::uint8_t> bytes = ReadWholeFile(file, MAX_STREAM_SIZE);
    std::string_view utf8(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    const std::size_t skipped = utf8.starts_with(UTF8_BYTE_ORDER_MARK) ? UTF8_BYTE_ORDER_MARK.size() : 0;
    utf8.remove_prefix(skipped);
    if (utf8.empty())
        throw std::runtime_error(file.string() +
                                 ": the information text is empty; leave its key out to skip the page");
    std::string text;
    try {
        text = NormalizeLineEnds(EncodeWindows1252(utf8));
    } catch (const EncodingError& error) {
        throw std::runtime_error(file.string() + ":" + std::to_string(FindLineNumber(utf8, error.offset)) +
                                 ": " + error.what());
    }
    if (text.size() > 0xFFFFFFFFu)
        throw std::runtime_error(file.string() + ": the information text is larger than 4 GiB");
    return std::vector<std::uint8_t>(text.begin(), text.end());
}

std::vector<std::uint8_t> BuildPackage(const BuildSettings& settings)
{
    return BuildSignedPackage(settings).bytes.Join();
}

BuiltPackage BuildSignedPackage(const BuildSettings& settings)
{
    const OutputGuard guard(settings.output);
    guard.Check(settings.manifest, "the manifest");
    const Manifest manifest = ReadManifest(settings.manifest);
    for (const std::string& warning : manifest.warnings)
        std::cerr << "quillset: warning: " << warning << "\n";
    guard.Check(settings.wizard, "the wizard library");
    guard.Check(GetPrepackedStreamPath(settings.wizard), "the wizard library's prepacked stream");
    std::vector<std::uint8_t> wizard = LoadWizardLibrary(settings.wizard);
    if (manifest.infoBefore)
        guard.Check(*manifest.infoBefore, "the information text before installing");
    if (manifest.infoAfter)
        guard.Check(*manifest.infoAfter, "the information text after installing");
    if (manifest.icon)
        guard.Check(*manifest.icon, "the icon");
    if (manifest.welcomeImage)
        guard.Check(*manifest.welcomeImage, "the welcome image");
    if (manifest.headerImage)
        guard.Check(*manifest.headerImage, "the header image");
    fs::path uninstaller;
    if (manifest.uninstaller == UninstallerChoice::Builtin) {
        uninstaller = ResolveInput(settings.uninstaller, UNINSTALLER_FILE, "--uninstaller", "uninstaller");
        guard.Check(uninstaller, "the uninstaller");
        guard.Check(GetPrepackedStreamPath(uninstaller), "the uninstaller's prepacked stream");
        CheckModuleFile(uninstaller, ReadWholeFile(uninstaller, MAX_STREAM_SIZE), ModuleRole::Uninstaller);
    }
    const SourceTree tree =
        ScanSourceTree(manifest.source, manifest.attributeOverrides, manifest.file.string(), uninstaller,
                       manifest.followOutsideLinks);
    CheckTreeAgainstOutput(guard, tree.nodes);
    WarnOfNonAsciiNames(tree);
    CheckPathLengths(manifest.installDir, tree);
    CheckPackageTargets(manifest, tree);

    // The icon is checked for a raw package too, so that a manifest is refused the same way.
    StubBrand stubBrand = LoadStubBrand(manifest);
    if (settings.stubBrand)
        *settings.stubBrand = std::move(stubBrand);

    PackageModel model = MakeModel(manifest);
    std::vector<CompressionJob> jobs;
    jobs.push_back(MakeMemoryJob(BrandWizardLibrary(std::move(wizard), manifest, settings.wizard),
                                 model.wizard));
    jobs.back().prepacked = GetPrepackedStreamPath(settings.wizard);
    if (manifest.infoBefore)
        jobs.push_back(MakeMemoryJob(LoadInformationText(*manifest.infoBefore), model.infoBefore.emplace()));
    if (manifest.infoAfter)
        jobs.push_back(MakeMemoryJob(LoadInformationText(*manifest.infoAfter), model.infoAfter.emplace()));
    model.files = MakeTreeItems(tree.nodes);
    CollectFileJobs(model.files, tree.nodes, settings.level, uninstaller, jobs);
    const std::optional<SigningCommand> signing = settings.signing ? settings.signing : manifest.signing;
    if (signing) {
        for (const fs::path& file : ListNamedFiles(*signing))
            guard.Check(file, "a file that the signing command names");
    }
    if (signing && manifest.uninstaller != UninstallerChoice::None)
        SignUninstaller(*signing, tree.nodes, model.files, jobs);
    else if (manifest.uninstaller != UninstallerChoice::Builtin)
        CheckOwnUninstaller(tree.nodes);

    std::uint64_t totalWork = 0;
    for (const CompressionJob& job : jobs)
        totalWork += job.weight;
    std::optional<StreamCache> cache;
    if (!settings.cache.folder.empty())
        cache.emplace(settings.cache);
    ProgressBar progress(totalWork, jobs.size(), settings.showProgress);
    RunCompressionJobs(jobs, settings.threads, progress, cache ? &*cache : nullptr);
    progress.Finish();
    std::vector<fs::path> cachePacks;
    if (cache) {
        cache->Finish();
        if (const std::string warning = cache->TakeWarning(); !warning.empty())
            std::cerr << "quillset: warning: stream cache: " << warning
                      << "; the build went on without the cache where it failed\n";
        cachePacks = cache->GetMadePacks();
    }
    return {WritePackage(std::move(model)), signing, std::move(cachePacks)};
}

}  // namespace quillset
