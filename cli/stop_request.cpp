#include "cli/stop_request.h"

#include <atomic>
#include <csignal>

namespace {

std::atomic<bool> stopRequested{false};
struct sigaction oldInt {};
struct sigaction oldTerm {};

extern "C" void OnStopSignal(int) {
    stopRequested.store(true);
}

} // namespace

StopSignals::StopSignals() {
    stopRequested.store(false);
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, &oldInt);
    sigaction(SIGTERM, &action, &oldTerm);
}

StopSignals::~StopSignals() {
    sigaction(SIGINT, &oldInt, nullptr);
    sigaction(SIGTERM, &oldTerm, nullptr);
}

bool StopRequested() {
    return stopRequested.load();
}

void RequestStop() {
    stopRequested.store(true);
}
