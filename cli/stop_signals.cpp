#include "cli/stop_signals.h"

#include <csignal>
#include <ctime>

namespace cli {

namespace {

volatile std::sig_atomic_t stopAsked = 0;

extern "C" void askToStop(int) { stopAsked = 1; }

} // namespace

void catchStopSignals() {
    struct sigaction action {};
    action.sa_handler = askToStop;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0; // no SA_RESTART: a wait under way ends at once
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

bool stopRequested() { return stopAsked != 0; }

bool waitUnlessStopped(int64_t milliseconds) {
    // In slices, so that a signal that arrives just before a slice begins
    // waits one slice at most.
    constexpr int64_t slice = 100;
    while (milliseconds > 0 && !stopRequested()) {
        const int64_t now = milliseconds < slice ? milliseconds : slice;
        timespec pause{static_cast<time_t>(now / 1000), static_cast<long>(now % 1000) * 1000000L};
        nanosleep(&pause, nullptr);
        milliseconds -= now;
    }
    return !stopRequested();
}

} // namespace cli
