// The constant descriptions of the main window's three text boxes.
#pragma once

#include "text_box.h"

namespace kelvane {

extern const TextBoxDescription kHostBoxDescription;     // 编辑框_Host
extern const TextBoxDescription kAddressBoxDescription;  // 编辑框_添加IP
extern const TextBoxDescription kNameBoxDescription;     // 编辑框_添加域名

}  // namespace kelvane
