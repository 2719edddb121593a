#include "link/IProgressIndicator.h"

#include <atomic>

namespace {

CNullProgress g_nullProgress;
std::atomic<IProgressIndicator*> g_progress{nullptr};

} // namespace

IProgressIndicator& ProgressIndicator() {
    IProgressIndicator* p = g_progress.load();
    return p ? *p : g_nullProgress;
}

void SetProgressIndicator(IProgressIndicator* indicator) {
    g_progress.store(indicator);
}
