#include "window_description.h"

#include "text_box_descriptions.h"

namespace kelvane {

const WindowProperties kMainWindowProperties = {
    L"KelvaneMainWindow",
    L"Kelvane 1.0 By 【Tamrel】",
    50,
    50,
    530,
    498,
    WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN,
    0,
    CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS,
    L"DEFAULT_ICON",
    32,
    16,
};

const std::array<ControlDescription, 11> kMainWindowControls = {{
    {L"钮_初始化", ControlKind::button, 101, {432, 344, 80, 32}, L"初始化", Command::initialize, nullptr},
    {L"按钮_获取Host", ControlKind::button, 102, {431, 48, 81, 32}, L"获取Host", Command::getHost, nullptr},
    {L"钮_捐赠支持", ControlKind::button, 103, {432, 16, 80, 32}, L"捐赠支持", Command::donate, nullptr},
    {L"钮_添加", ControlKind::button, 104, {338, 15, 56, 24}, L"添加", Command::add, nullptr},
    {L"编辑框_添加域名", ControlKind::textBox, 105, {178, 15, 152, 24}, L"www.***.com", Command::none, &kNameBoxDescription},
    {L"编辑框_添加IP", ControlKind::textBox, 106, {32, 15, 136, 24}, L"127.0.0.1", Command::none, &kAddressBoxDescription},
    {L"钮_备份", ControlKind::button, 107, {432, 377, 80, 32}, L"备份", Command::backup, nullptr},
    {L"钮_清空", ControlKind::button, 108, {432, 411, 80, 32}, L"清空", Command::clear, nullptr},
    {L"钮_保存", ControlKind::button, 109, {432, 152, 80, 32}, L"保存", Command::save, nullptr},
    {L"钮_读取", ControlKind::button, 110, {432, 112, 80, 32}, L"读取", Command::read, nullptr},
    {L"编辑框_Host", ControlKind::textBox, 111, {15, 46, 400, 408}, L"", Command::none, &kHostBoxDescription},
}};

}  // namespace kelvane
