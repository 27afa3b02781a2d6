// The box codec under the code pages the program meets: 936 (GBK), 1252 and 65001 (UTF-8),
// whatever the ANSI code page of the test process is.
#include "ui/box_text_codec.h"

#include "hex.h"

#include <gtest/gtest.h>

#include <string>

namespace kelvane {
namespace {

std::wstring plainDecode(const std::string& bytes, UINT codePage) {
    std::wstring out(bytes.size(), L'\0');
    const int n = MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()),
                                      &out[0], static_cast<int>(out.size()));
    out.resize(n > 0 ? n : 0);
    return out;
}

std::string plainEncode(const std::wstring& text, UINT codePage) {
    std::string out(text.size() * 4, '\0');
    const int n = WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()),
                                      &out[0], static_cast<int>(out.size()), nullptr, nullptr);
    out.resize(n > 0 ? n : 0);
    return out;
}

class CodecInCodePage : public ::testing::TestWithParam<UINT> {};

TEST_P(CodecInCodePage, EverySingleByteRoundTrips) {
    const UINT cp = GetParam();
    for (int b = 1; b < 256; ++b) {
        const std::string bytes(1, static_cast<char>(b));
        EXPECT_EQ(hex(bytes), hex(encodeBoxText(decodeBoxText(bytes, cp), cp))) << "byte " << b;
    }
}

TEST_P(CodecInCodePage, EveryPairFollowedByXRoundTrips) {
    const UINT cp = GetParam();
    int failures = 0;
    for (int a = 1; a < 256 && failures < 10; ++a) {
        for (int b = 1; b < 256 && failures < 10; ++b) {
            const std::string bytes{static_cast<char>(a), static_cast<char>(b), 'x'};
            const std::string back = encodeBoxText(decodeBoxText(bytes, cp), cp);
            if (back != bytes) {
                ++failures;
                ADD_FAILURE() << "expected " << hex(bytes) << ", got " << hex(back);
            }
        }
    }
}

// Valid text is shown as the code page's own decoding, and typed text is encoded as the A
// functions encode it: the escapes change nothing else.
TEST_P(CodecInCodePage, ValidTextConvertsAsTheAFunctions) {
    const UINT cp = GetParam();
    const std::string ascii = "127.0.0.1\tlocalhost\r\n# comment\n\r\n";
    EXPECT_EQ(plainDecode(ascii, cp), decodeBoxText(ascii, cp));
    const std::wstring typed = L"a\u00e9\u4e2d\u0416\u20ac\U0001F600?\r\n";
    EXPECT_EQ(hex(plainEncode(typed, cp)), hex(encodeBoxText(typed, cp)));
}

TEST_P(CodecInCodePage, OddBytesInALongTextCostOnlyTheirOwnLines) {
    const UINT cp = GetParam();
    std::string line = "203.0.113.7\thost.example.com # 0123456789\r\n";
    std::string bytes;
    for (int i = 0; i < 50000; ++i) bytes += line;  // about 2 MB
    bytes.insert(bytes.size() / 2, "\xff\x81");
    bytes += "\x81";
    const std::wstring wide = decodeBoxText(bytes, cp);
    EXPECT_EQ(bytes.size(), encodeBoxText(wide, cp).size());
    EXPECT_TRUE(encodeBoxText(wide, cp) == bytes) << "the long text did not round-trip";
    // The untouched lines decode exactly as the code page decodes them.
    EXPECT_EQ(plainDecode(line, cp), wide.substr(0, line.size()));
}

INSTANTIATE_TEST_SUITE_P(CodePages, CodecInCodePage, ::testing::Values(936u, 1252u, 65001u),
                         [](const ::testing::TestParamInfo<UINT>& info) {
                             return "cp" + std::to_string(info.param);
                         });

TEST(BoxTextCodec, EscapesOnlyBytesThatDoNotRoundTrip) {
    // GBK: 0xD6 0xD0 is 中; a lone lead byte at the end of a line is carried as U+DC00 + byte.
    EXPECT_EQ(std::wstring(L"# \u4e2d x"), decodeBoxText("# \xd6\xd0 x", 936));
    EXPECT_EQ(std::wstring(L"a\xdc81\r\nb"), decodeBoxText("a\x81\r\nb", 936));
    // UTF-8 in code page 936: "中" is E4 B8 AD, which GBK reads as one pair and one odd byte.
    const std::string utf8 = "# \xe4\xb8\xad x\r\n";
    EXPECT_EQ(hex(utf8), hex(encodeBoxText(decodeBoxText(utf8, 936), 936)));
    // UTF-8 itself: a truncated sequence is escaped, a four-byte one is a surrogate pair whose
    // low half is a character, not an escape.
    EXPECT_EQ(std::wstring(L"\xdce4\xdcb8z"), decodeBoxText("\xe4\xb8z", 65001));
    EXPECT_EQ(std::wstring(L"\U0001F400"), decodeBoxText("\xf0\x9f\x90\x80", 65001));
    EXPECT_EQ(hex("\xf0\x9f\x90\x80"), hex(encodeBoxText(L"\U0001F400", 65001)));
}

TEST(BoxTextCodec, ZeroBytesAndEmptyTextsPassThrough) {
    EXPECT_EQ(std::wstring(), decodeBoxText("", 936));
    EXPECT_EQ(std::string(), encodeBoxText(L"", 936));
    const std::string withZero("a\0b", 3);
    EXPECT_EQ(hex(withZero), hex(encodeBoxText(decodeBoxText(withZero, 1252), 1252)));
}

}  // namespace
}  // namespace kelvane
