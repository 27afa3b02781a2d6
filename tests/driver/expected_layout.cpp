#include "expected_layout.h"

namespace kelvane::e2e {

using C = MainWindowControls;

const std::array<ExpectedControl, 11> kExpectedControls = {{
    {"钮_初始化", &C::initialize, L"Button", {432, 344, 512, 376}, kButtonStyle, 0, L"初始化", 101},
    {"按钮_获取Host", &C::getHost, L"Button", {431, 48, 512, 80}, kButtonStyle, 0, L"获取Host", 102},
    {"钮_捐赠支持", &C::donate, L"Button", {432, 16, 512, 48}, kButtonStyle, 0, L"捐赠支持", 103},
    {"钮_添加", &C::add, L"Button", {338, 15, 394, 39}, kButtonStyle, 0, L"添加", 104},
    {"编辑框_添加域名", &C::nameBox, L"Edit", {178, 15, 330, 39}, kSmallBoxStyle, 0, L"www.***.com", 105},
    {"编辑框_添加IP", &C::addressBox, L"Edit", {32, 15, 168, 39}, kSmallBoxStyle, 0, L"127.0.0.1", 106},
    {"钮_备份", &C::backup, L"Button", {432, 377, 512, 409}, kButtonStyle, 0, L"备份", 107},
    {"钮_清空", &C::clear, L"Button", {432, 411, 512, 443}, kButtonStyle, 0, L"清空", 108},
    {"钮_保存", &C::save, L"Button", {432, 152, 512, 184}, kButtonStyle, 0, L"保存", 109},
    {"钮_读取", &C::read, L"Button", {432, 112, 512, 144}, kButtonStyle, 0, L"读取", 110},
    {"编辑框_Host", &C::hostBox, L"Edit", {15, 46, 415, 454}, kLargeBoxStyle, WS_EX_STATICEDGE, L"", 111},
}};

const ExpectedControl& expectedControl(HWND MainWindowControls::*control) {
    for (const ExpectedControl& expected : kExpectedControls) {
        if (expected.control == control) return expected;
    }
    return kExpectedControls.back();  // every member has its row
}

}  // namespace kelvane::e2e
