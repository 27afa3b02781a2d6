// The program's message loop: the main window sees each key before it is dispatched.
#pragma once

#include "main_window.h"

namespace kelvane {

// Runs until WM_QUIT and returns its exit code.
int runEventLoop(MainWindow& window);

}  // namespace kelvane
