#include "event_loop.h"

namespace kelvane {

int runEventLoop(MainWindow& window) {
    MSG message = {};
    for (;;) {
        const BOOL got = GetMessageW(&message, nullptr, 0, 0);
        if (got == 0) return static_cast<int>(message.wParam);
        if (got == -1) return 0;
        if (window.preTranslateMessage(message)) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

}  // namespace kelvane
