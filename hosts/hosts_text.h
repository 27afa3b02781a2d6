// The editor's working text and the pure operations that make new versions of it.
#pragma once

#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>

namespace kelvane {

// Bytes in the system's ANSI code page, lines separated by CR LF, never holding a zero byte.
// std::string keeps the one zero byte after the last byte that the platform's text calls want.
using HostsText = std::string;

// A text that may be absent. Every consumer reads an absent text as the empty text.
using MaybeText = std::optional<HostsText>;

// One argument of joinTexts: a view of a text, an absent text viewing nothing.
class TextPiece {
public:
    TextPiece(std::string_view text) : view_(text) {}
    TextPiece(const char* text) : view_(text) {}
    TextPiece(const HostsText& text) : view_(text) {}
    TextPiece(const MaybeText& text) : view_(text ? std::string_view(*text) : std::string_view()) {}
    std::string_view view() const { return view_; }

private:
    std::string_view view_;
};

// The pieces one after another, in argument order.
HostsText joinTexts(std::initializer_list<TextPiece> pieces);

// The stock hosts template: 23 comment or empty lines, each ending in CR LF.
HostsText hostsTemplate();

HostsText emptyText();

// current, CR LF, address, TAB, name: nothing trimmed, padded or validated.
HostsText appendEntryLine(TextPiece current, TextPiece address, TextPiece name);

}  // namespace kelvane
