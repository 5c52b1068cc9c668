// The file-tree walk: order of work, log records, restoring the path buffer, and the refusal
// of names and paths that would leave the destination or overflow the path buffer.
#include <gtest/gtest.h>

#include <string>

#include "common/path_routines.h"
#include "install/file_tree.h"
#include "recording_ops.h"
#include "test_memory.h"
#include "test_package.h"

namespace {

using namespace std::string_literals;

const uint64_t TIME_A = 0x01C30D9E12345678ull;
const uint64_t TIME_B = 0x01C30FFFAABBCCDDull;

struct Walk {
    UninstallLog log = {};
    char path[PATH_SIZE] = {};
    int result = 0;

    Walk(const TestPackage& package, const std::string& installDir)
    {
        ResetRecording();
        failAllocation = false;
        installDir.copy(path, sizeof(path) - 1);
        result = ExtractFileTree(&recordingOps, &log, path, package.data());
    }
    ~Walk() { FreeLog(&log); }
    std::string Bytes() const { return std::string((const char*)log.buffer, log.logLength); }
    std::string Calls(const std::string& what) const
    {
        std::string joined;
        for (const RecordedCall& call : recordedCalls)
            if (call.what == what)
                joined += call.path + "|";
        return joined;
    }
};

TestPackage StartTree()
{
    TestPackage package;
    package.SetField(FIELD_FILE_TREE, (uint32_t)package.bytes.size());
    return package;
}

TEST(ExtractFileTree, NestedTreeIsWorkedAndLoggedInRecordOrder)
{
    TestPackage package = StartTree();
    package.AddFile("a.txt", 0x20, "PK1", 10, TIME_A);
    package.AddDirectory("docs", 0x01);
    size_t emptyFile = package.bytes.size();
    package.AddFile("empty.txt", 0x01, "", 0, TIME_B);
    package.bytes[emptyFile + 4] = 7; // a compressed size that an empty file must not use
    package.AddDirectory("deep", 0);
    package.AddFile("b.bin", 0x80, "ZZ", 5, TIME_B);
    package.EndLevel();
    package.EndLevel();
    package.AddDirectory("empty", 0x02);
    package.EndLevel();
    package.AddFile("last", 0x20, "Q", 1, TIME_A);
    package.EndLevel();

    Walk walk(package, "C:\\Dest");
    ASSERT_EQ(walk.result, 1);
    EXPECT_STREQ(walk.path, "C:\\Dest");
    EXPECT_EQ(walk.Bytes(), "\x02uninst.dat\0\x02" "a.txt\0\x01" "docs\0\x02" "empty.txt\0"
                            "\x01" "deep\0\x02" "b.bin\0\0\0\x01" "empty\0\0\x02" "last\0\0"s);
    EXPECT_EQ(GetLogHeaderField(&walk.log, LOG_FILE_LIST), 0u);

    std::string sequence;
    for (const RecordedCall& call : recordedCalls)
        sequence += call.what + " " + call.path + "\n";
    EXPECT_EQ(sequence, "show C:\\Dest\\a.txt\ncreate C:\\Dest\\a.txt\nfill C:\\Dest\\a.txt\nstep \n"
                        "show C:\\Dest\\docs\ndir C:\\Dest\\docs\n"
                        "show C:\\Dest\\docs\\empty.txt\ncreate C:\\Dest\\docs\\empty.txt\n"
                        "fill C:\\Dest\\docs\\empty.txt\nstep \n"
                        "show C:\\Dest\\docs\\deep\ndir C:\\Dest\\docs\\deep\n"
                        "show C:\\Dest\\docs\\deep\\b.bin\ncreate C:\\Dest\\docs\\deep\\b.bin\n"
                        "fill C:\\Dest\\docs\\deep\\b.bin\nstep \n"
                        "show C:\\Dest\\empty\ndir C:\\Dest\\empty\n"
                        "show C:\\Dest\\last\ncreate C:\\Dest\\last\nfill C:\\Dest\\last\nstep \n");

    // What each operation was handed: attributes, sizes, times and the right stream bytes.
    auto find = [](const std::string& what, const std::string& path) {
        for (const RecordedCall& call : recordedCalls)
            if (call.what == what && call.path == path)
                return call;
        ADD_FAILURE() << what << " " << path;
        return RecordedCall{};
    };
    EXPECT_EQ(find("dir", "C:\\Dest\\docs").attributes, 0x11u);
    EXPECT_EQ(find("dir", "C:\\Dest\\empty").attributes, 0x12u);
    EXPECT_EQ(find("create", "C:\\Dest\\docs\\deep\\b.bin").attributes, 0x80u);
    RecordedCall empty = find("fill", "C:\\Dest\\docs\\empty.txt");
    EXPECT_EQ(empty.size, 0u);
    EXPECT_EQ(empty.lastWriteTime, TIME_B);
    RecordedCall first = find("fill", "C:\\Dest\\a.txt");
    EXPECT_EQ(first.data, "PK1");
    EXPECT_EQ(first.size, 10u);
    EXPECT_EQ(first.lastWriteTime, TIME_A);
    EXPECT_EQ(find("fill", "C:\\Dest\\docs\\deep\\b.bin").data, "ZZ");
    EXPECT_EQ(find("fill", "C:\\Dest\\last").data, "Q");
}

TEST(ExtractFileTree, PackageWithoutFilesLogsOnlyTheLogItself)
{
    TestPackage package = StartTree();
    package.EndLevel();
    Walk walk(package, "C:\\Dest");
    ASSERT_EQ(walk.result, 1);
    EXPECT_EQ(walk.Bytes(), "\x02uninst.dat\0\0"s);
    EXPECT_TRUE(recordedCalls.empty());
}

TEST(IsPlainName, RefusesNamesThatLeaveTheirDirectory)
{
    for (const char* name : {"", ".", "..", "a\\b", "a/b", "C:", "x:y", "\\", "../x"})
        EXPECT_FALSE(IsPlainName(name)) << name;
    for (const char* name : {"a", "...", ".profile", "a..b", "Vistrel 2.1", "x."})
        EXPECT_TRUE(IsPlainName(name)) << name;
}

TEST(ExtractFileTree, RefusedNamesStopTheWalkBeforeAnythingIsMadeOrLogged)
{
    for (const char* name : {"", ".", "..", "..\\evil", "sub/evil", "C:evil"}) {
        for (bool directory : {false, true}) {
            TestPackage package = StartTree();
            package.AddFile("good", 0x20, "G", 1, TIME_A);
            if (directory) {
                package.AddDirectory(name, 0);
                package.AddFile("inner", 0x20, "I", 1, TIME_A);
                package.EndLevel();
            } else {
                package.AddFile(name, 0x20, "E", 1, TIME_A);
            }
            package.AddFile("after", 0x20, "A", 1, TIME_A);
            package.EndLevel();

            Walk walk(package, "C:\\Dest");
            EXPECT_EQ(walk.result, 0) << name;
            EXPECT_EQ(walk.Calls("create"), "C:\\Dest\\good|") << name;
            EXPECT_EQ(walk.Calls("dir"), "") << name;
            EXPECT_EQ(walk.Bytes(), "\x02uninst.dat\0\x02good\0\0"s) << name;
        }
    }
}

TEST(ExtractFileTree, PathsLongerThan259CharactersAreRefused)
{
    std::string destination = "C:\\" + std::string(247, 'd'); // 250 characters
    TestPackage fits = StartTree();
    fits.AddFile(std::string(8, 'f'), 0x20, "F", 1, TIME_A); // 259 characters
    fits.AddDirectory(std::string(8, 'g'), 0);
    fits.EndLevel();
    fits.EndLevel();
    Walk fitting(fits, destination);
    EXPECT_EQ(fitting.result, 1);
    EXPECT_EQ(fitting.Calls("create"), destination + "\\ffffffff|");
    EXPECT_EQ(fitting.Calls("dir"), destination + "\\gggggggg|");

    TestPackage tooLong = StartTree();
    tooLong.AddFile(std::string(9, 'f'), 0x20, "F", 1, TIME_A);
    tooLong.EndLevel();
    Walk refused(tooLong, destination);
    EXPECT_EQ(refused.result, 0);
    EXPECT_EQ(refused.Calls("create"), "");

    // Inside a directory whose own path just fits, no entry has room.
    TestPackage nested = StartTree();
    nested.AddDirectory(std::string(8, 'g'), 0);
    nested.AddFile("a", 0x20, "A", 1, TIME_A);
    nested.EndLevel();
    nested.EndLevel();
    Walk deep(nested, destination);
    EXPECT_EQ(deep.result, 0);
    EXPECT_EQ(deep.Calls("create"), "");
    EXPECT_EQ(deep.Calls("dir"), destination + "\\gggggggg|");
}

TEST(ExtractFileTree, FailuresStopTheWalkWithTheFileLoggedOnlyWhileItExistsAndTheListEnded)
{
    TestPackage package = StartTree();
    package.AddFile("one", 0x20, "1", 1, TIME_A);
    package.AddFile("two", 0x20, "2", 1, TIME_A);
    package.AddFile("three", 0x20, "3", 1, TIME_A);
    package.EndLevel();

    ResetRecording();
    failCreateFor = "C:\\Dest\\two";
    UninstallLog log = {};
    char path[PATH_SIZE] = "C:\\Dest";
    EXPECT_EQ(ExtractFileTree(&recordingOps, &log, path, package.data()), 0);
    EXPECT_EQ(std::string((const char*)log.buffer, log.logLength), "\x02uninst.dat\0\x02one\0\0"s);
    FreeLog(&log);
    int steps = 0;
    for (const RecordedCall& call : recordedCalls)
        steps += call.what == "step";
    EXPECT_EQ(steps, 1);

    ResetRecording();
    failFillFor = "C:\\Dest\\two";
    UninstallLog damaged = {};
    EXPECT_EQ(ExtractFileTree(&recordingOps, &damaged, path, package.data()), 0);
    EXPECT_EQ(std::string((const char*)damaged.buffer, damaged.logLength),
              "\x02uninst.dat\0\x02one\0\x02two\0\0"s);
    FreeLog(&damaged);
    EXPECT_EQ(recordedCalls.back().what, "fill");

    // A file that the fill removed again for want of room is not listed.
    ResetRecording();
    removeFillFor = "C:\\Dest\\two";
    UninstallLog full = {};
    EXPECT_EQ(ExtractFileTree(&recordingOps, &full, path, package.data()), 0);
    EXPECT_EQ(std::string((const char*)full.buffer, full.logLength), "\x02uninst.dat\0\x02one\0\0"s);
    FreeLog(&full);
    EXPECT_EQ(recordedCalls.back().what + " " + recordedCalls.back().path, "fill C:\\Dest\\two");

    // A directory that cannot be made (a file holds its name) stops the walk unlogged, even
    // an empty one, which nothing inside would have failed; it is the path shown last, so
    // that the page behind the error names it.
    TestPackage withFolder = StartTree();
    withFolder.AddFile("one", 0x20, "1", 1, TIME_A);
    withFolder.AddDirectory("cache", 0x10);
    withFolder.EndLevel();
    withFolder.AddFile("after", 0x20, "2", 1, TIME_A);
    withFolder.EndLevel();
    ResetRecording();
    failCreateFor = "C:\\Dest\\cache";
    UninstallLog blocked = {};
    EXPECT_EQ(ExtractFileTree(&recordingOps, &blocked, path, withFolder.data()), 0);
    EXPECT_EQ(std::string((const char*)blocked.buffer, blocked.logLength), "\x02uninst.dat\0\x02one\0\0"s);
    FreeLog(&blocked);
    EXPECT_EQ(recordedCalls.back().what + " " + recordedCalls.back().path, "show C:\\Dest\\cache");
    EXPECT_STREQ(path, "C:\\Dest");

    // A failure inside a directory ends that level's list and every one above it.
    TestPackage nested = StartTree();
    nested.AddDirectory("docs", 0x10);
    nested.AddFile("a", 0x20, "A", 1, TIME_A);
    nested.AddDirectory("deep", 0x10);
    nested.AddFile("b", 0x20, "B", 1, TIME_A);
    nested.EndLevel();
    nested.EndLevel();
    nested.AddFile("after", 0x20, "2", 1, TIME_A);
    nested.EndLevel();
    ResetRecording();
    failCreateFor = "C:\\Dest\\docs\\deep\\b";
    UninstallLog inner = {};
    EXPECT_EQ(ExtractFileTree(&recordingOps, &inner, path, nested.data()), 0);
    EXPECT_EQ(std::string((const char*)inner.buffer, inner.logLength),
              "\x02uninst.dat\0\x01" "docs\0\x02" "a\0\x01" "deep\0\0\0\0"s);
    FreeLog(&inner);
    EXPECT_STREQ(path, "C:\\Dest");

    // A stop asked for at a progress step ends the walk before the next file.
    ResetRecording();
    stopAfterSteps = 2;
    UninstallLog stopped = {};
    EXPECT_EQ(ExtractFileTree(&recordingOps, &stopped, path, package.data()), 0);
    EXPECT_EQ(std::string((const char*)stopped.buffer, stopped.logLength),
              "\x02uninst.dat\0\x02one\0\x02two\0\0"s);
    FreeLog(&stopped);
    EXPECT_STREQ(path, "C:\\Dest");
}

} // namespace
