#include "hosts/platform.h"

namespace kelvane {

namespace {

PlatformCalls& callsInForce() {
    static PlatformCalls calls = nativePlatformCalls();
    return calls;
}

}  // namespace

const PlatformCalls& platformCalls() {
    return callsInForce();
}

PlatformCalls installPlatformCalls(const PlatformCalls& calls) {
    PlatformCalls previous = callsInForce();
    callsInForce() = calls;
    return previous;
}

}  // namespace kelvane
