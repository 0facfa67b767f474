// A sample is a picture kept: what the view answered for the report and for
// each contended resource, with the reasons that say how complete it is.
// These turn a picture into the sample record keeps, and a stored sample
// back into the picture tree would have shown at its time.
#pragma once

#include <string>

#include "history/sample.h"
#include "picture/picture.h"

namespace history {

// Fills the view's part of `sample` (status, reason, how long the view took,
// the report and every resource's rows) from a picture of every Enqplex. A
// picture read from a snapshot that changed under it is a failed sample.
void takePicture(Sample& sample, picture::Picture picture);

// The picture of a sample whose view ran, for the Enqplex an ENQPLEX
// predicate value `enqplex` asks for (empty: every Enqplex). The reasons
// stored with the sample are kept as they were said.
picture::Picture pictureOf(const Sample& sample, const std::string& enqplex);

} // namespace history
