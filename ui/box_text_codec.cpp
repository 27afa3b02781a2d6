#include "box_text_codec.h"

#include <climits>

namespace kelvane {
namespace {

constexpr wchar_t kEscapeBase = 0xDC00;

bool isHighSurrogate(wchar_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool isEscape(wchar_t c) { return c >= kEscapeBase && c <= kEscapeBase + 0xFF; }

int intLength(size_t size) { return size > INT_MAX ? -1 : static_cast<int>(size); }

// Appends the decoding of bytes if it re-encodes to exactly those bytes; otherwise leaves
// out untouched and answers false. A decoding is never longer than its bytes in UTF-16 units.
bool appendIfRoundTrips(std::wstring& out, std::string_view bytes, UINT codePage) {
    if (bytes.empty()) return true;
    const int length = intLength(bytes.size());
    if (length < 0) return false;
    const size_t start = out.size();
    out.resize(start + bytes.size());
    const int units = MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, bytes.data(), length,
                                          &out[start], length);
    if (units > 0) {
        std::string back(bytes.size(), '\0');
        // A buffer of exactly the original length: a longer re-encoding fails, as it should.
        const int backLength = WideCharToMultiByte(codePage, 0, &out[start], units, &back[0],
                                                   length, nullptr, nullptr);
        if (backLength == length && back == bytes) {
            out.resize(start + units);
            return true;
        }
    }
    out.resize(start);
    return false;
}

// The length of the one character at the start of bytes that decodes to a single code point
// and re-encodes to itself, appended to out; 0 when no such character starts there.
size_t appendOneCharacter(std::wstring& out, std::string_view bytes, UINT codePage,
                          size_t maxCharSize) {
    for (size_t n = 1; n <= maxCharSize && n <= bytes.size(); ++n) {
        wchar_t units[2];
        const int count = MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, bytes.data(),
                                              static_cast<int>(n), units, 2);
        const bool oneCodePoint = count == 1 || (count == 2 && isHighSurrogate(units[0]));
        if (!oneCodePoint) continue;
        char back[8];
        const int backLength = WideCharToMultiByte(codePage, 0, units, count, back,
                                                   static_cast<int>(sizeof back), nullptr, nullptr);
        if (backLength == static_cast<int>(n) && bytes.compare(0, n, back, n) == 0) {
            out.append(units, static_cast<size_t>(count));
            return n;
        }
    }
    return 0;
}

void appendLineSlowly(std::wstring& out, std::string_view line, UINT codePage,
                      size_t maxCharSize) {
    if (appendIfRoundTrips(out, line, codePage)) return;
    size_t i = 0;
    while (i < line.size()) {
        const size_t used = appendOneCharacter(out, line.substr(i), codePage, maxCharSize);
        if (used > 0) {
            i += used;
        } else {
            out.push_back(static_cast<wchar_t>(kEscapeBase + static_cast<unsigned char>(line[i])));
            ++i;
        }
    }
}

void appendEncoded(std::string& out, std::wstring_view text, UINT codePage) {
    if (text.empty()) return;
    const int length = intLength(text.size());
    const int size = WideCharToMultiByte(codePage, 0, text.data(), length, nullptr, 0,
                                         nullptr, nullptr);
    if (size <= 0) return;
    const size_t start = out.size();
    out.resize(start + static_cast<size_t>(size));
    WideCharToMultiByte(codePage, 0, text.data(), length, &out[start], size, nullptr, nullptr);
}

// One conversion of the whole text, when the platform needed no default character for it. An
// escaped byte is a lone surrogate, which no code page can hold, so a text that needed none
// holds no escape. UTF-7 and UTF-8 answer no such question: there the caller scans.
bool encodeWithoutDefaults(std::wstring_view text, UINT codePage, std::string& out) {
    const UINT actual = codePage == CP_ACP ? GetACP() : codePage;
    if (actual == CP_UTF7 || actual == CP_UTF8) return false;
    const int length = intLength(text.size());
    if (length <= 0) return length == 0;
    BOOL usedDefault = FALSE;
    const int size = WideCharToMultiByte(codePage, 0, text.data(), length, nullptr, 0, nullptr,
                                         &usedDefault);
    if (size <= 0 || usedDefault) return false;
    out.resize(static_cast<size_t>(size));
    return WideCharToMultiByte(codePage, 0, text.data(), length, &out[0], size, nullptr,
                               nullptr) == size;
}

}  // namespace

std::wstring decodeBoxText(std::string_view bytes, UINT codePage) {
    std::wstring out;
    if (appendIfRoundTrips(out, bytes, codePage)) return out;

    // Line by line, so that one odd byte costs its own line only. LF is never the trail byte
    // of a character in any ANSI code page, so a split there never cuts a character.
    CPINFO info{};
    const size_t maxCharSize =
        GetCPInfo(codePage, &info) && info.MaxCharSize > 0 ? info.MaxCharSize : 1;
    out.reserve(bytes.size());
    size_t start = 0;
    while (start <= bytes.size()) {
        const size_t end = bytes.find('\n', start);
        const size_t lineEnd = end == std::string_view::npos ? bytes.size() : end;
        appendLineSlowly(out, bytes.substr(start, lineEnd - start), codePage, maxCharSize);
        if (end == std::string_view::npos) break;
        out.push_back(L'\n');
        start = end + 1;
    }
    return out;
}

std::string encodeBoxText(std::wstring_view text, UINT codePage) {
    std::string out;
    if (encodeWithoutDefaults(text, codePage, out)) return out;
    out.clear();
    out.reserve(text.size());
    size_t runStart = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        // The low half of a surrogate pair is a character, not an escaped byte.
        if (isEscape(text[i]) && !(i > 0 && isHighSurrogate(text[i - 1]))) {
            appendEncoded(out, text.substr(runStart, i - runStart), codePage);
            out.push_back(static_cast<char>(text[i] - kEscapeBase));
            runStart = i + 1;
        }
    }
    appendEncoded(out, text.substr(runStart), codePage);
    return out;
}

}  // namespace kelvane
