#include "commands.h"

#include "hosts/hosts_store.h"
#include "hosts/hosts_text.h"
#include "text_box.h"

#include <shellapi.h>

#include <utility>

namespace kelvane {
namespace {

constexpr std::wstring_view kMakerSiteHost = L"kelvane.example";
constexpr wchar_t kMessageCaption[] = L"Kelvane";
// The shell gets this browser's window as its owner when one is open.
constexpr wchar_t kBrowserTitle[] = L"Microsoft Internet Explorer";

void showMessage(HWND owner, const wchar_t* text, UINT flags) {
    if (!(flags & MB_SYSTEMMODAL)) flags |= MB_TASKMODAL;
    MessageBoxW(owner, text, kMessageCaption, flags);
}

void openAddress(const std::wstring& address) {
    HWND owner = FindWindowExW(nullptr, nullptr, nullptr, kBrowserTitle);
    ShellExecuteW(owner, L"open", address.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

}  // namespace

std::wstring makerSiteAddress(std::wstring_view query) {
    std::wstring address = L"http://";
    address += kMakerSiteHost;
    address += L"/?";
    address += query;
    return address;
}

void readHostsFile(const CommandTarget& target) {
    setBoxText(target.hostBox, emptyText());
    MaybeBytes bytes = readFileBytes(resolveHostsPath());
    if (!bytes) bytes = emptyByteString();
    // The box ends at the first zero byte, so a Save would drop the rest of the file.
    const bool cut = bytes->find('\0') != ByteString::npos;
    setBoxText(target.hostBox, bytesToText(std::move(bytes)));
    if (cut) {
        showMessage(target.owner,
                    L"Host 文件中含有空字节，只读取了它之前的内容。保存将丢弃其后的部分。",
                    MB_ICONWARNING);
    }
}

void saveHostsFile(const CommandTarget& target) {
    const Path path = resolveHostsPath();
    MaybeText text = readBoxText(target.hostBox);
    if (!text) text = emptyText();
    MaybeBytes bytes = textToBytes(std::move(text));
    if (!bytes) bytes = emptyByteString();
    if (writeHostsFileBytes(path, *bytes) == 1) {
        showMessage(target.owner, L"Host 修改成功", 0);
    } else {
        showMessage(target.owner, L"Host 保存失败", MB_ICONHAND);
    }
}

void backupHostsFile(const CommandTarget&) {
    const Path backup = resolveBackupPath();
    const Path hosts = resolveHostsPath();
    // The shell shows whatever the user needs to see; the result says nothing more.
    shellCopy(backup, {hosts});
}

void initializeHostsText(const CommandTarget& target) {
    setBoxText(target.hostBox, hostsTemplate());
}

void clearHostsText(const CommandTarget& target) {
    setBoxText(target.hostBox, emptyText());
}

void addEntry(const CommandTarget& target) {
    const MaybeText current = readBoxText(target.hostBox);
    const MaybeText address = readBoxText(target.addressBox);
    const MaybeText name = readBoxText(target.nameBox);
    setBoxText(target.hostBox, appendEntryLine(current, address, name));
}

void openHostPage(const CommandTarget&) {
    openAddress(makerSiteAddress(L"host"));
}

void openDonatePage(const CommandTarget&) {
    openAddress(makerSiteAddress(L"donate"));
}

void runCommand(Command command, const CommandTarget& target) {
    switch (command) {
    case Command::none: break;
    case Command::read: readHostsFile(target); break;
    case Command::save: saveHostsFile(target); break;
    case Command::backup: backupHostsFile(target); break;
    case Command::initialize: initializeHostsText(target); break;
    case Command::clear: clearHostsText(target); break;
    case Command::add: addEntry(target); break;
    case Command::getHost: openHostPage(target); break;
    case Command::donate: openDonatePage(target); break;
    }
}

}  // namespace kelvane
