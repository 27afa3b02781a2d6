// Bytes as hex pairs, so that a failed comparison shows exactly which bytes differ.
#pragma once

#include <string>
#include <string_view>

namespace kelvane {

inline std::string hex(std::string_view bytes) {
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : bytes) {
        out += digits[c >> 4];
        out += digits[c & 15];
        out += ' ';
    }
    return out;
}

}  // namespace kelvane
