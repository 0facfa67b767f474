// How the command's heap grows: in large steps, kept once grown, and backed
// by huge pages where the kernel gives them on request.
#pragma once

namespace cli {

// Call once at the start of main, before the program allocates much.
void setUpHeap();

} // namespace cli
