#include "link/ILineTrafficListener.h"

#include <atomic>

namespace {
std::atomic<ILineTrafficListener*> g_listener{nullptr};
} // namespace

ILineTrafficListener* LineTrafficListener() {
    return g_listener.load();
}

void SetLineTrafficListener(ILineTrafficListener* listener) {
    g_listener.store(listener);
}
