// mentrenq watch: the who-blocks-whom tree, refreshed every interval, on
// the whole terminal or, when standard output is not one, as one plain
// frame per refresh.
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <iostream>

#include "cli/command_context.h"
#include "cli/commands.h"
#include "cli/enqplex_names.h"
#include "cli/history_to_write.h"
#include "cli/name_widths.h"
#include "cli/standard_output.h"
#include "cli/stop_signals.h"
#include "cli/watch_layout.h"
#include "cli/watch_source.h"
#ifdef MENTRENQ_CURSES
#include "cli/watch_screen.h"
#endif

namespace cli {

namespace {

struct WatchSettings {
    std::string source; // as the header names it
    std::string every;  // as the header says it
    int64_t everyMs = 2000;
    int64_t count = 0;  // refreshes before it ends; 0: until stopped
};

int64_t wallMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::system_clock::now().time_since_epoch())
        .count();
}

double steadySeconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

WatchFrame nextFrame(WatchSource& source, WatchTracker& tracker) {
    const RefreshResult result = source.refresh();
    return tracker.update(result, wallMs(), steadySeconds());
}

// One frame after another on standard output, a blank line between them.
int watchPlain(WatchSource& source, const WatchSettings& settings) {
    WatchTracker tracker;
    bool failed = false;
    for (int64_t done = 0; !stopRequested();) {
        const WatchFrame frame = nextFrame(source, tracker);
        failed = !frame.problem.empty() || frame.historyFailed;
        if (done > 0) std::cout << '\n';
        for (const auto& line : frameHeader(frame, settings.source, settings.every)) std::cout << line.text << '\n';
        for (const auto& line : frameBody(frame)) std::cout << line.text << '\n';
        flushStandardOutput();
        if (!std::cout) return exitcode::viewStatus; // the reader went away: said when the command ends
        if (settings.count && ++done >= settings.count) break;
        if (!waitUnlessStopped(settings.everyMs)) break;
    }
    return failed ? exitcode::viewStatus : exitcode::ok;
}

#ifdef MENTRENQ_CURSES
int watchScreen(WatchScreen& screen, WatchSource& source, const WatchSettings& settings) {
    WatchTracker tracker;
    WatchFrame frame;
    std::vector<ScreenLine> header;
    int64_t done = 0;
    auto next = std::chrono::steady_clock::now();
    while (!stopRequested()) {
        const auto now = std::chrono::steady_clock::now();
        if (now >= next) {
            if (settings.count && done >= settings.count) break;
            frame = nextFrame(source, tracker);
            header = frameHeader(frame, settings.source, settings.every);
            screen.draw(header, frame);
            ++done;
            next += std::chrono::milliseconds(settings.everyMs);
            if (next < std::chrono::steady_clock::now()) next = std::chrono::steady_clock::now();
            continue;
        }
        // Short waits, so that a signal is noticed soon.
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(next - now).count();
        switch (screen.waitForKey(static_cast<int>(std::min<int64_t>(left + 1, 100)))) {
        case WatchScreen::Key::quit: return exitcode::ok;
        case WatchScreen::Key::resize: screen.draw(header, frame); break;
        case WatchScreen::Key::none: break;
        }
    }
    return exitcode::ok;
}
#endif

} // namespace

int watchCommand(const Arguments& args) {
    std::string error;
    if (!namesFitTheirColumns(args, error)) {
        reportError(error);
        return exitcode::usage;
    }
    WatchSettings settings;
    settings.every = args.value("--every", "2") + " s";
    settings.everyMs = std::llround(std::strtod(args.value("--every", "2").c_str(), nullptr) * 1000);
    long long count = 0;
    if (args.has("--count") && parseNumber(args.value("--count"), 1, INT32_MAX, count)) settings.count = count;
    settings.source = args.has("--db") ? args.value("--db") : "the built-in demo";

    const bool onTerminal = isatty(STDOUT_FILENO) && isatty(STDIN_FILENO);
    // The trace would write over the screen.
    if (onTerminal && args.has("--trace") && !args.has("--trace-file") && isatty(STDERR_FILENO)) {
        reportError("--trace on the full screen needs --trace-file FILE");
        return exitcode::usage;
    }
    CommandContext context;
    if (!context.open(args)) return context.openFailure();
    if (args.has("--enqplex") && !enqplexKnown(context.snapshot(), args.value("--enqplex"), error)) {
        reportError(error);
        return context.finish(exitcode::usage);
    }
    // From here on each refresh opens the file itself.
    context.releaseSnapshot();
    WatchSource source(args.value("--db"), context.module(), context.storageLimit(), args.value("--enqplex"));
    if (args.has("--history")) {
        int status = exitcode::usage;
        auto writer = openHistoryToWrite(args.value("--history"), status);
        if (!writer) return context.finish(status);
        source.recordInto(std::move(writer), args.value("--history"));
    }
    catchStopSignals();
    int status = exitcode::ok;
#ifdef MENTRENQ_CURSES
    if (onTerminal) {
        if (auto screen = WatchScreen::open(error)) {
            status = watchScreen(*screen, source, settings);
            return context.finish(status);
        }
        reportError(error + "; writing plain frames instead");
    }
#endif
    status = watchPlain(source, settings);
    return context.finish(status);
}

} // namespace cli
