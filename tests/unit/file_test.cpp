#include "fake_platform.h"

#include "hosts/hosts_store.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace kelvane {
namespace {

using namespace std::string_literals;
using fake::Hold;
using fake::Step;

const Path kHosts = L"C:\\windows\\system32\\\\drivers\\etc\\hosts";
const Path kFolder = L"C:\\windows\\system32\\\\drivers\\etc";
const ByteString kOld = "127.0.0.1\tlocalhost\r\n\0old"s;

const char* stepName(Step step) {
    switch (step) {
        case Step::attributes: return "attributes";
        case Step::open: return "open";
        case Step::size: return "size";
        case Step::read: return "read";
        case Step::shortRead: return "short read";
        case Step::createTemp: return "temp creation";
        case Step::write: return "write";
        case Step::shortWrite: return "short write";
        case Step::flush: return "flush";
        case Step::close: return "close";
        case Step::replace: return "replace";
        case Step::move: return "move";
        case Step::remove: return "delete";
    }
    return "?";
}

// Every file with its bytes: what a failed save must leave exactly as it was.
std::map<Path, ByteString> snapshot(const fake::FakePlatform& platform) {
    std::map<Path, ByteString> files;
    for (const auto& [path, file] : platform.files) files[path] = file.bytes;
    return files;
}

class ReadFileBytes : public ::testing::Test {
protected:
    void SetUp() override { platform.addFile(kHosts, kOld); }
    fake::FakePlatform platform;
};

TEST_F(ReadFileBytes, ReadsTheWholeFileZeroBytesIncluded) {
    EXPECT_EQ(kOld, readFileBytes(kHosts));
    EXPECT_TRUE(platform.handles.empty());
}

TEST_F(ReadFileBytes, AbsentForNoPathAMissingOrEmptyFileOrAnExclusiveHolder) {
    platform.addFile(kFolder + L"\\empty", ByteString());
    EXPECT_EQ(std::nullopt, readFileBytes(Path()));
    EXPECT_EQ(std::nullopt, readFileBytes(kFolder + L"\\missing"));
    EXPECT_EQ(std::nullopt, readFileBytes(kFolder + L"\\empty"));
    platform.files[kHosts].heldElsewhere = Hold::exclusive;
    EXPECT_EQ(std::nullopt, readFileBytes(kHosts));
    EXPECT_TRUE(platform.handles.empty());
}

TEST_F(ReadFileBytes, ReadsWhileAnotherProcessReads) {
    platform.files[kHosts].heldElsewhere = Hold::reading;
    EXPECT_EQ(kOld, readFileBytes(kHosts));
}

TEST_F(ReadFileBytes, AFailingStepGivesAbsentAndClosesTheFile) {
    for (Step step : {Step::open, Step::size, Step::read, Step::close}) {
        fake::FakePlatform failing;
        failing.addFile(kHosts, kOld);
        failing.failAt(step);
        EXPECT_EQ(std::nullopt, readFileBytes(kHosts)) << stepName(step);
        EXPECT_TRUE(failing.handles.empty()) << stepName(step);
    }
}

TEST_F(ReadFileBytes, AShortReadKeepsTheBytesThatArrived) {
    platform.failAt(Step::shortRead);
    EXPECT_EQ(kOld.substr(0, kOld.size() - 1), readFileBytes(kHosts));
    platform.addFile(kFolder + L"\\one", "x");
    EXPECT_EQ(std::nullopt, readFileBytes(kFolder + L"\\one"));
}

class WriteFileBytes : public ::testing::Test {
protected:
    void SetUp() override { platform.addFile(kHosts, kOld); }

    // A save that must fail and change nothing at all: no byte and no leftover file.
    void expectRefused(const Path& path, std::initializer_list<std::string_view> data,
                       const char* what) {
        const auto before = snapshot(platform);
        EXPECT_EQ(0, writeFileBytes(path, data)) << what;
        EXPECT_EQ(before, snapshot(platform)) << what;
        EXPECT_TRUE(platform.handles.empty()) << what;
    }

    fake::FakePlatform platform;
};

TEST_F(WriteFileBytes, ReplacesTheContentWithTheDataPiecesInOrder) {
    EXPECT_EQ(1, writeFileBytes(kHosts, {"# new\r\n", "", "\0\xFF"s, "end"}));
    const std::map<Path, ByteString> expected = {{kHosts, "# new\r\n\0\xFF" "end"s}};
    EXPECT_EQ(expected, snapshot(platform));
    EXPECT_TRUE(platform.handles.empty());
}

TEST_F(WriteFileBytes, EmptyDataGivesAZeroByteFile) {
    EXPECT_EQ(1, writeFileBytes(kHosts, {emptyByteString()}));
    EXPECT_EQ(ByteString(), platform.files[kHosts].bytes);
    EXPECT_EQ(1, writeFileBytes(kHosts, {}));
    EXPECT_EQ(1u, platform.files.size());
}

TEST_F(WriteFileBytes, CreatesAMissingFileInAnExistingFolder) {
    const Path fresh = kFolder + L"\\fresh";
    EXPECT_EQ(1, writeFileBytes(fresh, {"abc"}));
    EXPECT_EQ(ByteString("abc"), platform.files[fresh].bytes);
    EXPECT_EQ(2u, platform.files.size());
}

TEST_F(WriteFileBytes, RefusesAndChangesNothing) {
    expectRefused(Path(), {"x"}, "empty path");
    expectRefused(L"C:\\missing\\hosts", {"x"}, "missing folder");
    expectRefused(kFolder, {"x"}, "a folder");
    platform.files[kHosts].heldElsewhere = Hold::exclusive;
    expectRefused(kHosts, {"x"}, "held without sharing");
    platform.files[kHosts].heldElsewhere = Hold::reading;
    expectRefused(kHosts, {"x"}, "held for reading");
    platform.files[kHosts].heldElsewhere = Hold::none;
    // The platform here would open it for writing, as Wine does for root: the attribute decides.
    platform.files[kHosts].readOnly = true;
    expectRefused(kHosts, {"x"}, "read-only");
}

TEST_F(WriteFileBytes, AFailingStepLeavesTheOldBytesAndNoTemporaryFile) {
    for (bool exists : {true, false}) {
        for (Step step : {Step::attributes, Step::open, Step::createTemp, Step::write,
                          Step::shortWrite, Step::flush, Step::close, Step::replace, Step::move}) {
            fake::FakePlatform failing;
            failing.addFolder(kFolder);
            if (exists) failing.addFile(kHosts, kOld);
            failing.failAt(step);
            const auto before = snapshot(failing);
            const int result = writeFileBytes(kHosts, {"first ", "second"});
            const bool stepUsed = exists ? step != Step::move
                                         : step != Step::open && step != Step::replace &&
                                               step != Step::attributes;
            EXPECT_EQ(stepUsed ? 0 : 1, result) << stepName(step) << ", exists " << exists;
            if (stepUsed) {
                EXPECT_EQ(before, snapshot(failing)) << stepName(step) << ", exists " << exists;
            }
            EXPECT_TRUE(failing.handles.empty()) << stepName(step) << ", exists " << exists;
        }
    }
}

}  // namespace
}  // namespace kelvane
