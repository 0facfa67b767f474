// What sessions on several threads share: the trace points of the module's
// routines, which the trace facility rewrites when the settings change.
#include <gtest/gtest.h>

#include <barrier>
#include <thread>

#include "frame/trace.h"
#include "support/trace_recorder.h"

namespace {

int32_t tracedRoutine() {
    ZRX_ROUTINE(t, "threadsTestRoutine");
    return t.ret(7);
}

TEST(Threads, RoutinesReadTheirTraceFlagsWhileAnotherThreadRefreshesThem) {
    for (int round = 0; round < 8; ++round) {
        // New settings: the next call of every routine asks the facility
        // for its flags again, here on two threads at once.
        zrxtest::TraceRecorder recorder(round % 2 ? "events" : "error");
        std::barrier together(2);
        auto call = [&] {
            together.arrive_and_wait();
            EXPECT_EQ(tracedRoutine(), 7);
        };
        std::thread other(call);
        call();
        other.join();
        const std::vector<std::string> events =
            round % 2 ? std::vector<std::string>{"> threadsTestRoutine", "< threadsTestRoutine = 7",
                                                 "> threadsTestRoutine", "< threadsTestRoutine = 7"}
                      : std::vector<std::string>{};
        std::vector<std::string> seen = recorder.events();
        std::sort(seen.begin(), seen.end());
        std::vector<std::string> wanted = events;
        std::sort(wanted.begin(), wanted.end());
        EXPECT_EQ(seen, wanted) << "round " << round;
    }
}

} // namespace
