// How fast the generator writes an enterprise's script.
#pragma once

namespace bench {

void registerGeneratorBenchmarks();

} // namespace bench
