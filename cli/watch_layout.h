// The lines of a watch frame, for the full screen and for a log alike: a
// header (source, times, status, counts, what cleared), then the resources
// longest wait first with their owners and waiters.
#pragma once

#include <string>
#include <vector>

#include "cli/watch_frame.h"

namespace cli {

enum class LineStyle { plain, title, fresh, cleared, problem };

struct ScreenLine {
    std::string text; // printable: names are made safe here
    LineStyle style = LineStyle::plain;
};

std::vector<ScreenLine> frameHeader(const WatchFrame& frame, const std::string& source, const std::string& every);

// The resources, in `rows` lines at most (negative: as many as they take).
// What does not fit whole is shortened to its summary line, longest waits
// first, and the last line then says "… N more" of what is left out.
std::vector<ScreenLine> frameBody(const WatchFrame& frame, int rows = -1);

} // namespace cli
