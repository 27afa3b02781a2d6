#include "ui/text_box_descriptions.h"

namespace kelvane {

// multiLine, scrollBars, borderStyle, textColour, backColour, hideSelection, maxLength,
// alignment, inputMode, passwordChar, caseConversion, selStart, selLength, font

// 编辑框_Host: wraps long lines, vertical scroll bar, thin sunken edge, black on mint green.
const TextBoxDescription kHostBoxDescription = {
    1, 2, 3, RGB(0, 0, 0), RGB(159, 255, 234), 1, 0, 0, 0, L'*', 0, 0, 0, nullptr};

// 编辑框_添加IP: one line, flat one-pixel border, black on white.
const TextBoxDescription kAddressBoxDescription = {
    0, 0, 5, RGB(0, 0, 0), RGB(255, 255, 255), 1, 0, 0, 0, L'*', 0, 0, 0, nullptr};

// 编辑框_添加域名: as the address box.
const TextBoxDescription kNameBoxDescription = {
    0, 0, 5, RGB(0, 0, 0), RGB(255, 255, 255), 1, 0, 0, 0, L'*', 0, 0, 0, nullptr};

}  // namespace kelvane
