#include "fake_platform.h"

#include "hosts/hosts_store.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

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
        case Step::setAttributes: return "attribute copy";
        case Step::security: return "security";
        case Step::setSecurity: return "security copy";
        case Step::setOwner: return "owner copy";
        case Step::list: return "listing";
        case Step::open: return "open";
        case Step::size: return "size";
        case Step::read: return "read";
        case Step::shortRead: return "short read";
        case Step::createTemp: return "temp creation";
        case Step::write: return "write";
        case Step::shortWrite: return "short write";
        case Step::flush: return "flush";
        case Step::close: return "close";
        case Step::rename: return "rename";
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
    platform.holdElsewhere(kHosts, Hold::exclusive);
    EXPECT_EQ(std::nullopt, readFileBytes(kHosts));
    EXPECT_TRUE(platform.handles.empty());
}

TEST_F(ReadFileBytes, ReadsWhileAnotherProcessReads) {
    platform.holdElsewhere(kHosts, Hold::reading);
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

std::uint32_t sum(const std::vector<std::uint32_t>& waits) {
    std::uint32_t total = 0;
    for (std::uint32_t wait : waits) total += wait;
    return total;
}

TEST_F(WriteFileBytes, ReplacesTheContentWithTheDataPiecesInOrder) {
    EXPECT_EQ(1, writeFileBytes(kHosts, {"# new\r\n", "", "\0\xFF"s, "end"}));
    const std::map<Path, ByteString> expected = {{kHosts, "# new\r\n\0\xFF" "end"s}};
    EXPECT_EQ(expected, snapshot(platform));
    EXPECT_TRUE(platform.handles.empty());
    EXPECT_TRUE(platform.waits.empty());
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
    platform.holdElsewhere(kHosts, Hold::exclusive);
    expectRefused(kHosts, {"x"}, "held without sharing");
    platform.holdElsewhere(kHosts, Hold::reading);
    expectRefused(kHosts, {"x"}, "held for reading");
    platform.holdElsewhere(kHosts, Hold::none);
    // The platform here would open it for writing, as Wine does for root: the attribute decides.
    platform.files[kHosts].attributes.readOnly = true;
    expectRefused(kHosts, {"x"}, "read-only");
}

// Until the rename the old file must stand untouched; a failing step costs no temporary file.
TEST_F(WriteFileBytes, AFailingStepLeavesTheOldBytesAndNoTemporaryFile) {
    for (bool exists : {true, false}) {
        for (Step step : {Step::attributes, Step::open, Step::security, Step::createTemp, Step::write,
                          Step::shortWrite, Step::flush, Step::setAttributes, Step::setSecurity,
                          Step::close, Step::rename}) {
            fake::FakePlatform failing;
            failing.addFolder(kFolder);
            if (exists) failing.addFile(kHosts, kOld);
            failing.failAt(step);
            const auto before = snapshot(failing);
            const int result = writeFileBytes(kHosts, {"first ", "second"});
            // Without an old file there is nothing to hold or to copy attributes and security
            // from; its only open is the read-back, after the rename.
            const bool stepUsed = exists || (step != Step::security && step != Step::setAttributes &&
                                             step != Step::setSecurity);
            const bool beforeRename = exists || step != Step::open;
            const std::string what = std::string(stepName(step)) + ", exists " + (exists ? "1" : "0");
            EXPECT_EQ(stepUsed ? 0 : 1, result) << what;
            if (stepUsed && beforeRename) {
                EXPECT_EQ(before, snapshot(failing)) << what;
            }
            EXPECT_EQ(exists || !beforeRename || !stepUsed ? 1u : 0u, failing.files.size()) << what;
            EXPECT_TRUE(failing.handles.empty()) << what;
            EXPECT_TRUE(failing.waits.empty()) << what << ": no other process held anything";
        }
    }
}

TEST_F(WriteFileBytes, TheNewFileKeepsTheOldAttributesAndSecurity) {
    fake::File& hosts = platform.files[kHosts];
    hosts.attributes.hidden = true;
    hosts.attributes.system = true;
    hosts.attributes.archive = false;
    hosts.attributes.notContentIndexed = true;
    hosts.security = "owner:TrustedInstaller;dacl:hosts";
    const FileAttributes attributes = hosts.attributes;
    ASSERT_EQ(1, writeFileBytes(kHosts, {"new"}));
    const fake::File& saved = platform.files[kHosts];
    EXPECT_EQ("new", saved.bytes);
    EXPECT_EQ(attributes.hidden, saved.attributes.hidden);
    EXPECT_EQ(attributes.system, saved.attributes.system);
    EXPECT_EQ(attributes.archive, saved.attributes.archive);
    EXPECT_EQ(attributes.notContentIndexed, saved.attributes.notContentIndexed);
    EXPECT_EQ("owner:TrustedInstaller;dacl:hosts", saved.security);
}

TEST_F(WriteFileBytes, KeepsTheDaclWhereTheOwnerCannotBeSetOrNoSecurityIsKept) {
    platform.files[kHosts].security = "owner:TrustedInstaller;dacl:hosts";
    platform.failAt(Step::setOwner);
    ASSERT_EQ(1, writeFileBytes(kHosts, {"new"}));
    EXPECT_EQ("owner:Administrators;dacl:hosts", platform.files[kHosts].security)
        << "the DACL is copied even when the owner cannot be";

    fake::FakePlatform fat;
    fat.addFile(kHosts, kOld);
    fat.securityUnsupported = true;
    EXPECT_EQ(1, writeFileBytes(kHosts, {"new"})) << "a file system without security";
    EXPECT_EQ("new", fat.files[kHosts].bytes);
}

// Another process's short hold (a scanner opening the file right after a change) is waited
// out; a hold that outlasts the waits fails the save and keeps the old bytes.
TEST_F(WriteFileBytes, RidesOutShortHoldsAtTheOpenAndTheRename) {
    struct Case {
        const char* what;
        Hold hold;
        int holdTries;
        int renameRefusals;
        int expected;
        std::vector<std::uint32_t> waits;
    };
    const std::vector<std::uint32_t> all = {25, 50, 75, 100, 125, 150, 175, 200, 225};
    const Case cases[] = {
        {"exclusive hold, two tries", Hold::exclusive, 2, 0, 1, {25, 50}},
        {"read hold, three tries", Hold::reading, 3, 0, 1, {25, 50, 75}},
        {"rename refused twice", Hold::none, 0, 2, 1, {25, 50}},
        {"hold and rename refusal share one bound", Hold::exclusive, 9, 100, 0, {}},
        {"a hold that never ends", Hold::exclusive, 0, 0, 0, all},
        {"a rename refused for good", Hold::none, 0, 100, 0, all},
    };
    for (const Case& c : cases) {
        fake::FakePlatform held;
        held.addFile(kHosts, kOld);
        held.holdElsewhere(kHosts, c.hold, c.holdTries);
        held.renameRefusals = c.renameRefusals;
        EXPECT_EQ(c.expected, writeFileBytes(kHosts, {"new"})) << c.what;
        EXPECT_EQ(c.expected == 1 ? "new" : kOld, held.files[kHosts].bytes) << c.what;
        EXPECT_EQ(1u, held.files.size()) << c.what << ": a temporary file stayed behind";
        if (!c.waits.empty()) {
            EXPECT_EQ(c.waits, held.waits) << c.what;
        }
        EXPECT_LE(sum(held.waits), kHoldWaitLimitMs) << c.what;
    }
}

TEST_F(WriteFileBytes, ANonHoldFailureIsNotTriedAgain) {
    platform.failAt(Step::open);
    EXPECT_EQ(0, writeFileBytes(kHosts, {"new"}));
    EXPECT_TRUE(platform.waits.empty());
}

// After the rename, the file must hold what was written; a filter that changed or blocked the
// write, or a read-back that fails, is a failed save.
TEST_F(WriteFileBytes, AReadBackThatDiffersOrFailsIsAFailure) {
    struct Case {
        const char* what;
        std::optional<ByteString> bytesAfterRename;
        std::optional<Step> failing;
    };
    const Case cases[] = {
        {"changed bytes", "0.0.0.0 new"s, std::nullopt},
        {"one byte missing", "ne"s, std::nullopt},
        {"nothing written", ""s, std::nullopt},
        {"size fails", std::nullopt, Step::size},
        {"read fails", std::nullopt, Step::read},
        {"short read", std::nullopt, Step::shortRead},
    };
    for (const Case& c : cases) {
        fake::FakePlatform filtered;
        filtered.addFile(kHosts, kOld);
        filtered.bytesAfterRename = c.bytesAfterRename;
        if (c.failing) filtered.failAt(*c.failing);
        EXPECT_EQ(0, writeFileBytes(kHosts, {"new"})) << c.what;
        EXPECT_EQ(1u, filtered.files.size()) << c.what;
        EXPECT_TRUE(filtered.handles.empty()) << c.what;
    }
    // The comparison runs over every piece, across the read's blocks.
    const ByteString big(3u << 20, 'x');
    EXPECT_EQ(1, writeFileBytes(kHosts, {big, "tail"}));
    platform.bytesAfterRename = big + "tall";
    EXPECT_EQ(0, writeFileBytes(kHosts, {big, "tail"}));
}

TEST_F(WriteFileBytes, RemovesOnlyItsOwnLeftoversThatNobodyHolds) {
    const Path leftover = kFolder + L"\\kelvane-save-17-3.tmp";
    const Path inUse = kFolder + L"\\kelvane-save-18-1.tmp";
    const Path foreign[] = {kFolder + L"\\hosts.bak", kFolder + L"\\kelvane-save-notes.txt",
                            kFolder + L"\\my-kelvane-save-1.tmp", kFolder + L"\\kelvane-save-.tmp"};
    platform.addFile(leftover, "half a save");
    platform.addFile(inUse, "another save");
    platform.holdElsewhere(inUse, Hold::exclusive);
    for (const Path& path : foreign) platform.addFile(path, "theirs");
    auto expected = snapshot(platform);
    expected.erase(leftover);
    expected[kHosts] = "new";
    EXPECT_EQ(1, writeFileBytes(kHosts, {"new"}));
    EXPECT_EQ(expected, snapshot(platform));
}

TEST(WriteHostsFileBytes, FlushesTheResolverCacheAfterASuccessOnly) {
    fake::FakePlatform platform;
    platform.addFile(kHosts, kOld);
    EXPECT_EQ(1, writeHostsFileBytes(kHosts, "new"));
    EXPECT_EQ(1, platform.resolverFlushes);
    platform.files[kHosts].attributes.readOnly = true;
    EXPECT_EQ(0, writeHostsFileBytes(kHosts, "newer"));
    EXPECT_EQ(1, platform.resolverFlushes) << "a failed save flushed the cache";
    platform.files[kHosts].attributes.readOnly = false;
    platform.bytesAfterRename = "changed";
    EXPECT_EQ(0, writeHostsFileBytes(kHosts, "newest"));
    EXPECT_EQ(1, platform.resolverFlushes) << "an unverified save flushed the cache";
}

}  // namespace
}  // namespace kelvane
