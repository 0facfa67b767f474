// Builds a synthetic enterprise row by row into a sink. The same options
// always give the same rows in the same order, whatever the sink.
#pragma once

#include "enterprise_rows.h"
#include "scenarios/generator.h"

namespace scenarios {

// Throws std::invalid_argument naming the first option out of bounds.
void validateOptions(const GeneratorOptions& options);

// Validates, then sends every row of the enterprise to the sink: INODESTS,
// then MXCFSYS, then the contention of each Enqplex in turn.
void buildEnterprise(const GeneratorOptions& options, RowSink& sink);

} // namespace scenarios
