// Tests of whole-file reading and writing: a file up to the size bound is read whole, and a
// larger one, or a device that never ends, is refused with its name instead of filling memory;
// an output through links is written where they lead, a pipe is not replaced, and a stop during
// a write leaves the earlier output.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "file_io.h"
#include "test_support.h"

namespace quillset {
namespace {

namespace fs = std::filesystem;

std::string GetReadError(const fs::path& file, std::uint64_t maxSize)
{
    try {
        ReadWholeFile(file, maxSize);
    } catch (const std::runtime_error& error) {
        return error.what();
    }
    return "";
}

TEST(ReadWholeFile, ReadsUpToTheBoundAndRefusesMore)
{
    test::TemporaryFolder folder;
    const fs::path file = folder.GetPath() / "data.bin";
    test::WriteFile(file, std::string(70000, 'x'));
    EXPECT_EQ(ReadWholeFile(file, 70000).size(), 70000u);
    EXPECT_EQ(GetReadError(file, 69999),
              "cannot read " + file.string() + ": it is larger than 69999 bytes, the most it may be");
}

TEST(ReadWholeFile, StopsReadingADeviceWithoutEnd)
{
    // /dev/zero has no size to check up front: the bound must hold while reading.
    EXPECT_EQ(GetReadError("/dev/zero", 100000),
              "cannot read /dev/zero: it is larger than 100000 bytes, the most it may be");
}

std::string GetWriteError(const fs::path& file)
{
    try {
        WriteFileAtomically(file, std::vector<std::uint8_t>{'n', 'e', 'w'});
    } catch (const std::runtime_error& error) {
        return error.what();
    }
    return "";
}

TEST(WriteFileAtomically, WritesWhereLinksLeadAndKeepsThem)
{
    test::TemporaryFolder folder;
    const fs::path release = folder.GetPath() / "release";
    fs::create_directory(release);
    test::WriteFile(release / "Setup.exe", "old");
    fs::create_symlink("release/Setup.exe", folder.GetPath() / "current.exe");
    fs::create_symlink(folder.GetPath() / "current.exe", folder.GetPath() / "latest.exe");
    EXPECT_EQ(GetWriteError(folder.GetPath() / "latest.exe"), "");
    EXPECT_TRUE(fs::is_symlink(folder.GetPath() / "latest.exe"));
    EXPECT_TRUE(fs::is_symlink(folder.GetPath() / "current.exe"));
    EXPECT_EQ(test::ReadBytes(release / "Setup.exe"), (std::vector<std::uint8_t>{'n', 'e', 'w'}));

    // A link to a file not yet there makes that file.
    fs::create_symlink("release/next.exe", folder.GetPath() / "next.exe");
    EXPECT_EQ(GetWriteError(folder.GetPath() / "next.exe"), "");
    EXPECT_TRUE(fs::is_symlink(folder.GetPath() / "next.exe"));
    EXPECT_EQ(test::ReadBytes(release / "next.exe").size(), 3u);

    // A name as long as a file's name may be.
    const fs::path longest = folder.GetPath() / (std::string(251, 'S') + ".exe");
    EXPECT_EQ(GetWriteError(longest), "");
    EXPECT_EQ(test::ReadBytes(longest).size(), 3u);

    fs::create_symlink("loop.exe", folder.GetPath() / "loop.exe");
    EXPECT_EQ(GetWriteError(folder.GetPath() / "loop.exe"),
              "cannot write " + (folder.GetPath() / "loop.exe").string() + ": too many levels of symbolic links");
}

TEST(WriteFileAtomically, DoesNotReplaceAPipe)
{
    test::TemporaryFolder folder;
    const fs::path pipe = folder.GetPath() / "pipe";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    fs::create_symlink("pipe", folder.GetPath() / "to-pipe");
    for (const fs::path& output : {pipe, folder.GetPath() / "to-pipe"})
        EXPECT_EQ(GetWriteError(output), "cannot write " + output.string() +
                                             ": it is not a regular file, and the output replaces its file whole");
    EXPECT_TRUE(fs::is_fifo(fs::symlink_status(pipe)));
    EXPECT_EQ(std::distance(fs::directory_iterator(folder.GetPath()), fs::directory_iterator()), 2)
        << "no temporary file is left";
    // As "-o /dev/stdout" names it when the output goes to a pipe: a link to no path.
    int ends[2];
    ASSERT_EQ(::pipe(ends), 0);
    const fs::path standardOutput = "/proc/self/fd/" + std::to_string(ends[1]);
    EXPECT_EQ(GetWriteError(standardOutput), "cannot write " + standardOutput.string() +
                                                 ": it is not a regular file, and the output replaces its file "
                                                 "whole");
    ::close(ends[0]);
    ::close(ends[1]);
}

// A child writes a large output and sends itself SIGTERM as soon as the temporary file is there,
// seconds before the write could end: it ends by the signal, the earlier output stays whole and
// no temporary file is left.
TEST(WriteFileAtomically, AStopDuringTheWriteLeavesTheEarlierOutput)
{
    test::TemporaryFolder folder;
    const fs::path output = folder.GetPath() / "Setup.exe";
    test::WriteFile(output, "earlier");
    constexpr std::size_t size = std::size_t{256} << 20;
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::thread stopper([&] {
            while (std::distance(fs::directory_iterator(folder.GetPath()), fs::directory_iterator()) < 2)
                std::this_thread::yield();
            ::kill(::getpid(), SIGTERM);
        });
        stopper.detach();
        WriteFileAtomically(output, std::vector<std::uint8_t>(size, 'n'));
        ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM) << status;
    EXPECT_EQ(fs::file_size(output), 7u);
    EXPECT_EQ(std::distance(fs::directory_iterator(folder.GetPath()), fs::directory_iterator()), 1)
        << "no temporary file is left";
}

}  // namespace
}  // namespace quillset
