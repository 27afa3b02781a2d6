#include "hosts/hosts_store.h"

#include <gtest/gtest.h>

#include <string>

namespace kelvane {
namespace {

using namespace std::string_literals;

TEST(BytesToText, StopsAtTheFirstZeroByte) {
    struct Case {
        const char* what;
        MaybeBytes bytes;
        MaybeText expected;
    };
    const Case cases[] = {
        {"absent", std::nullopt, std::nullopt},
        {"empty", ByteString(), std::nullopt},
        {"starting with a zero byte", "\0rest"s, std::nullopt},
        {"zero byte inside", "ab\0cd\0e"s, "ab"s},
        {"no zero byte", "a\r\nb\xFF"s, "a\r\nb\xFF"s},
        {"byte-order mark kept", "\xEF\xBB\xBFx"s, "\xEF\xBB\xBFx"s},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.expected, bytesToText(c.bytes)) << c.what;
    }
}

TEST(TextToBytes, GivesTheTextsBytesWithoutTerminator) {
    EXPECT_EQ(std::nullopt, textToBytes(std::nullopt));
    EXPECT_EQ(std::nullopt, textToBytes(emptyText()));
    const MaybeBytes bytes = textToBytes("# a\r\n1.1.1.1\th\xD5\xE2"s);
    ASSERT_TRUE(bytes);
    EXPECT_EQ("# a\r\n1.1.1.1\th\xD5\xE2"s, *bytes);
}

}  // namespace
}  // namespace kelvane
