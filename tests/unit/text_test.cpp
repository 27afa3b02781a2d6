#include "hosts/hosts_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kelvane {
namespace {

std::vector<std::string> splitLines(const HostsText& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
        lines.push_back(text.substr(start, end - start));
    }
    if (start != text.size()) lines.push_back(text.substr(start));  // a last line without CR LF
    return lines;
}

TEST(JoinTexts, JoinsPiecesInOrderAndAbsentPiecesAddNothing) {
    const MaybeText absent;
    const MaybeText present = HostsText("\xC4\xDA");
    EXPECT_EQ("ab\xC4\xDA" "c", joinTexts({"a", absent, "", "b", present, std::string("c")}));
    EXPECT_EQ("", joinTexts({absent}));
    EXPECT_EQ("only", joinTexts({"only"}));
}

TEST(JoinTexts, ResultHoldsExactlyTheSumOfThePieces) {
    const std::string big(100000, 'x');
    const HostsText joined = joinTexts({big, "\r\n", big});
    EXPECT_EQ(2 * big.size() + 2, joined.size());
    EXPECT_EQ('\0', joined.c_str()[joined.size()]);
}

TEST(EmptyText, IsEmpty) {
    EXPECT_EQ("", emptyText());
}

struct AppendCase {
    const char* what;
    std::string current;
    std::string address;
    std::string name;
    std::string expected;
};

TEST(AppendEntryLine, Cases) {
    const AppendCase cases[] = {
        {"empty current text", "", "127.0.0.1", "a.example", "\r\n127.0.0.1\ta.example"},
        {"empty address and name", "x", "", "", "x\r\n\t"},
        {"current ending in CR LF", "# a\r\n", "1.2.3.4", "h", "# a\r\n\r\n1.2.3.4\th"},
        {"taken exactly as typed", "a", " 1.2.3.4 ", "www.***.com", "a\r\n 1.2.3.4 \twww.***.com"},
        {"an entry already present", "1.1.1.1\th", "1.1.1.1", "h", "1.1.1.1\th\r\n1.1.1.1\th"},
        {"code page 936 bytes", "\xD5\xE2", "\xCA\xC7", "\xC4\xDA", "\xD5\xE2\r\n\xCA\xC7\t\xC4\xDA"},
    };
    for (const AppendCase& c : cases) {
        EXPECT_EQ(c.expected, appendEntryLine(c.current, c.address, c.name)) << c.what;
    }
}

TEST(AppendEntryLine, AbsentCurrentTextCountsAsEmpty) {
    EXPECT_EQ("\r\n10.0.0.1\tn", appendEntryLine(MaybeText(), "10.0.0.1", "n"));
}

TEST(AppendEntryLine, TwoAppendsGiveTwoLinesAndNoFinalLineEnd) {
    const HostsText once = appendEntryLine("# top", "1.1.1.1", "one");
    EXPECT_EQ("# top\r\n1.1.1.1\tone\r\n2.2.2.2\ttwo", appendEntryLine(once, "2.2.2.2", "two"));
}

TEST(HostsTemplate, HasTwentyThreeLinesEachEndingInCrLf) {
    const HostsText text = hostsTemplate();
    EXPECT_EQ(807u, text.size());
    ASSERT_GE(text.size(), 2u);
    EXPECT_EQ("\r\n", text.substr(text.size() - 2));
    const std::vector<std::string> lines = splitLines(text);
    ASSERT_EQ(23u, lines.size());
    for (std::size_t i = 0; i < lines.size(); ++i) {
        // No stray CR or LF, no TAB, no zero byte inside a line.
        EXPECT_EQ(std::string::npos, lines[i].find_first_of(std::string("\r\n\t\0", 4)))
            << "line " << i + 1;
        // Every line is a comment or empty, so the template maps nothing.
        EXPECT_TRUE(lines[i].empty() || lines[i][0] == '#') << "line " << i + 1;
    }
}

TEST(HostsTemplate, FixedLinesAreExact) {
    const std::vector<std::string> lines = splitLines(hostsTemplate());
    ASSERT_EQ(23u, lines.size());
    const std::pair<int, std::string> fixed[] = {
        {2, "# "},
        // The handle line in code page 936: "# Orvane  这是Windows默认的Host内容".
        {3, "# Orvane  \xD5\xE2\xCA\xC7Windows\xC4\xAC\xC8\xCF\xB5\xC4Host\xC4\xDA\xC8\xDD"},
        {4, "# "},
        {6, "#"},
        {12, "#"},
        {15, "#"},
        {16, "# For example:"},
        {17, "#"},
        {20, ""},
        {22, "# 127.0.0.1 localhost"},
        {23, "# ::1 localhost"},
    };
    for (const auto& [number, content] : fixed) {
        EXPECT_EQ(content, lines[number - 1]) << "line " << number;
    }
}

TEST(HostsTemplate, StockLinesAreCommentsWithSingleSpaces) {
    const std::vector<std::string> lines = splitLines(hostsTemplate());
    ASSERT_EQ(23u, lines.size());
    for (int number : {1, 5, 7, 8, 9, 10, 11, 13, 14, 18, 19, 21}) {
        const std::string& line = lines[number - 1];
        EXPECT_EQ("# ", line.substr(0, 2)) << "line " << number;
        EXPECT_GT(line.size(), 2u) << "line " << number;
        EXPECT_EQ(std::string::npos, line.find("  ")) << "line " << number;
        EXPECT_NE(' ', line.back()) << "line " << number;
    }
    EXPECT_NE(std::string::npos, lines[0].find("1993-2009"));
    // The two example entries end in their own comment.
    for (int number : {18, 19}) {
        EXPECT_NE(std::string::npos, lines[number - 1].find(" # ", 2)) << "line " << number;
    }
}

}  // namespace
}  // namespace kelvane
