// The eight commands of the main window's buttons. Each runs to its end inside its button's
// click, on the user-interface thread, and reaches the boxes only through readBoxText and
// setBoxText.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace kelvane {

class TextBox;

enum class Command { none, read, save, backup, initialize, clear, add, getHost, donate };

// What the commands work on: the window that owns their message boxes and the three boxes.
struct CommandTarget {
    HWND owner;
    TextBox& hostBox;
    TextBox& addressBox;
    TextBox& nameBox;
};

void runCommand(Command command, const CommandTarget& target);

void readHostsFile(const CommandTarget& target);
void saveHostsFile(const CommandTarget& target);
void backupHostsFile(const CommandTarget& target);
void initializeHostsText(const CommandTarget& target);
void clearHostsText(const CommandTarget& target);
void addEntry(const CommandTarget& target);
void openHostPage(const CommandTarget& target);
void openDonatePage(const CommandTarget& target);

// "http://" + the maker's site + "/?" + query.
std::wstring makerSiteAddress(std::wstring_view query);

}  // namespace kelvane
