#include "cli/standard_output.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>

#include "cli/command_context.h"

namespace cli {

namespace {
int firstError = 0;
} // namespace

void flushStandardOutput() {
    // A write that failed while the text was written (when the buffer ran
    // full) left its reason in errno; a failed stream writes nothing more.
    const int earlier = errno;
    const bool failedBefore = !std::cout || std::ferror(stdout);
    if (failedBefore && !firstError) firstError = earlier ? earlier : EIO;
    errno = 0;
    std::cout.flush();
    const int coutError = errno;
    errno = 0;
    const int flushed = std::fflush(stdout);
    const int stdioError = errno;
    if (failedBefore || firstError) return;
    if (!std::cout || flushed != 0 || std::ferror(stdout))
        firstError = coutError ? coutError : (stdioError ? stdioError : EIO);
}

int finishStandardOutput(int status) {
    flushStandardOutput();
    if (std::cout && !std::ferror(stdout)) return status;
    const int error = firstError ? firstError : EIO;
    reportError(std::string("cannot write standard output: ") + std::strerror(error) +
                (error == EPIPE ? " (its reader stopped reading; the output is cut short)" : ""));
    return exitcode::viewStatus;
}

} // namespace cli
