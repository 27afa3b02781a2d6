#include "hosts/hosts_text.h"

#include <cstddef>

namespace kelvane {

namespace {

// Code page 936 bytes: the handle line holds Chinese, so it is written as GBK bytes, never as
// the UTF-8 of this source file. Literals are split so that no hex escape runs into a letter.
constexpr char kTemplate[] =
    "# Copyright (c) 1993-2009 Microsoft Corp.\r\n"
    "# \r\n"
    "# Orvane  "
    "\xD5\xE2\xCA\xC7"           // 这是
    "Windows"
    "\xC4\xAC\xC8\xCF\xB5\xC4"   // 默认的
    "Host"
    "\xC4\xDA\xC8\xDD"           // 内容
    "\r\n"
    "# \r\n"
    "# This is a sample HOSTS file used by Microsoft TCP/IP for Windows.\r\n"
    "#\r\n"
    "# This file contains the mappings of IP addresses to host names. Each\r\n"
    "# entry should be kept on an individual line. The IP address should\r\n"
    "# be placed in the first column followed by the corresponding host name.\r\n"
    "# The IP address and the host name should be separated by at least one\r\n"
    "# space.\r\n"
    "#\r\n"
    "# Additionally, comments (such as these) may be inserted on individual\r\n"
    "# lines or following the machine name denoted by a '#' symbol.\r\n"
    "#\r\n"
    "# For example:\r\n"
    "#\r\n"
    "# 102.54.94.97 rhino.acme.com # source server\r\n"
    "# 38.25.63.10 x.acme.com # x client host\r\n"
    "\r\n"
    "# localhost name resolution is handled within DNS itself.\r\n"
    "# 127.0.0.1 localhost\r\n"
    "# ::1 localhost\r\n";

}  // namespace

HostsText joinTexts(std::initializer_list<TextPiece> pieces) {
    // Measure first, so that the result is taken in one allocation.
    std::size_t total = 0;
    for (const TextPiece& piece : pieces) total += piece.view().size();
    HostsText joined;
    joined.reserve(total);
    for (const TextPiece& piece : pieces) joined.append(piece.view());
    return joined;
}

HostsText hostsTemplate() {
    return HostsText(kTemplate, sizeof kTemplate - 1);
}

HostsText emptyText() {
    return HostsText();
}

HostsText appendEntryLine(TextPiece current, TextPiece address, TextPiece name) {
    return joinTexts({current, "\r\n", address, "\t", name});
}

}  // namespace kelvane
