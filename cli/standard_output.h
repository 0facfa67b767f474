// Standard output is a file like any other: a failure to write it (a full
// disk, /dev/full) must not end the program with success.
#pragma once

namespace cli {

// Writes out what is buffered for standard output, remembering why the
// first write that failed did.
void flushStandardOutput();

// Flushes standard output. Returns `status`, or 3 with a message on
// standard error when anything written there was lost.
int finishStandardOutput(int status);

} // namespace cli
