// The enterprise options of generate, shared with generate --timeline and
// simulate.
#pragma once

#include "cli/arguments.h"
#include "scenarios/generator.h"

namespace cli {

// --enqplexes, --sysplexes, --systems, --resources, --tasks and --seed, the
// generator's defaults for those not given (their ranges are checked when
// the command line is read, and again by the generator).
scenarios::GeneratorOptions generatorOptions(const Arguments& args);

// generate --timeline N --step SECONDS --out-dir DIR [--start TIME].
int timelineCommand(const Arguments& args);

} // namespace cli
