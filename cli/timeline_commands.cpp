// generate --timeline and simulate: an enterprise whose contention changes,
// written as a series of snapshots or as one snapshot rewritten in place.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <stdexcept>

#include "cli/command_context.h"
#include "cli/commands.h"
#include "cli/enterprise_source.h"
#include "cli/file_identity.h"
#include "cli/generator_options.h"
#include "cli/message_text.h"
#include "cli/output_file.h"
#include "cli/stop_signals.h"
#include "scenarios/timeline.h"
#include "sql/utc_time.h"

namespace cli {

namespace {

constexpr char defaultStart[] = "2026-12-10T08:00:00Z";

long long numberOf(const Arguments& args, const char* name, long long fallback) {
    long long n = fallback;
    if (args.has(name)) parseNumber(args.value(name), 0, INT64_MAX, n);
    return n;
}

// The timeline's enterprise, or null with the message written.
std::unique_ptr<scenarios::Timeline> makeTimeline(const Arguments& args) {
    try {
        return std::make_unique<scenarios::Timeline>(generatorOptions(args));
    } catch (const std::invalid_argument& e) {
        reportError(std::string("--") + e.what());
        return nullptr;
    }
}

std::string snapshotName(const std::string& folder, int index) {
    char name[32];
    std::snprintf(name, sizeof name, "snapshot-%05d.db", index);
    return folder + (folder.ends_with('/') ? "" : "/") + name;
}

// The folder exists as a folder (through a symbolic link too), or is
// created now.
bool folderReady(const std::string& folder, std::string& error) {
    struct stat st {};
    if (::stat(folder.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode)) return true;
        error = folder + " is " + fileKind(st.st_mode) + "; --out-dir needs a folder";
        return false;
    }
    if (errno == ENOENT && ::mkdir(folder.c_str(), 0777) == 0) return true;
    error = "cannot make the folder " + folder + ": " + std::strerror(errno);
    return false;
}

} // namespace

int timelineCommand(const Arguments& args) {
    if (!args.has("--timeline") || !args.has("--out-dir")) {
        reportError("a timeline needs --timeline N and --out-dir DIR");
        return exitcode::usage;
    }
    if (args.has("--out")) {
        reportError("give --out FILE or --timeline N --out-dir DIR, not both");
        return exitcode::usage;
    }
    const int count = static_cast<int>(numberOf(args, "--timeline", 0));
    const int step = static_cast<int>(numberOf(args, "--step", 60));
    const int64_t start = *host::sql::parseUtcTime(args.value("--start", defaultStart));
    const std::string folder = args.value("--out-dir");
    const bool force = args.has("--force");
    auto timeline = makeTimeline(args);
    if (!timeline) return exitcode::usage;
    std::string error;
    if (!folderReady(folder, error)) {
        reportError(error);
        return exitcode::usage;
    }
    // Every file is allowed before the first is written.
    for (int i = 1; i <= count; ++i) {
        if (!outputAllowed(snapshotName(folder, i), force, error)) {
            reportError(error);
            return exitcode::usage;
        }
    }
    for (int i = 1; i <= count; ++i) {
        if (i > 1) timeline->advance(step);
        const std::string taken = host::sql::formatUtcTime(start + int64_t{1000} * step * (i - 1));
        if (!writeSnapshotFile(snapshotName(folder, i), timeline->script(taken), force, error)) {
            reportError(error);
            return exitcode::viewStatus;
        }
    }
    std::cerr << "wrote " << count << " snapshots to " << shownName(folder) << ", captured from "
              << host::sql::formatUtcTime(start) << " to "
              << host::sql::formatUtcTime(start + int64_t{1000} * step * (count - 1)) << '\n';
    return exitcode::ok;
}

int simulateCommand(const Arguments& args) {
    const std::string path = args.value("--out");
    const int every = static_cast<int>(numberOf(args, "--every", 5));
    const long long count = numberOf(args, "--count", 0);
    std::string error;
    if (!outputAllowed(path, args.has("--force"), error)) {
        reportError(error);
        return exitcode::usage;
    }
    auto timeline = makeTimeline(args);
    if (!timeline) return exitcode::usage;
    catchStopSignals();
    const bool terminal = ::isatty(STDERR_FILENO) == 1;
    FileIdentity written;
    long long ticks = 0;
    for (;;) {
        if (ticks > 0) timeline->advance(every);
        const int64_t now = host::sql::currentUtcMilliseconds() / 1000 * 1000;
        // After the first snapshot, only the file this command wrote is replaced.
        struct stat st {};
        if (ticks > 0 && ::lstat(path.c_str(), &st) == 0 && !(S_ISREG(st.st_mode) && written.same(st))) {
            reportError(path + " was replaced by another program; simulate stops");
            return exitcode::viewStatus;
        }
        if (!writeSnapshotFile(path, timeline->script(host::sql::formatUtcTime(now)), ticks > 0 || args.has("--force"),
                               error)) {
            reportError(error);
            return exitcode::viewStatus;
        }
        if (::lstat(path.c_str(), &st) == 0) written = FileIdentity{st.st_dev, st.st_ino};
        ++ticks;
        if (terminal)
            std::cerr << "\rsnapshot " << ticks << " at " << host::sql::formatUtcTime(now) << ": "
                      << timeline->contendedResources() << " contended resources, " << timeline->contendedTasks()
                      << " tasks   " << std::flush;
        if ((count > 0 && ticks >= count) || !waitUnlessStopped(int64_t{1000} * every)) break;
    }
    if (terminal) std::cerr << '\n';
    std::cerr << "wrote " << ticks << (ticks == 1 ? " snapshot to " : " snapshots to ") << shownName(path) << '\n';
    return exitcode::ok;
}

} // namespace cli
