// The full-screen terminal of `mentrenq watch`, drawn with ncurses through
// the screen library (terminal_screen.h): the alternate screen while it
// runs, the terminal as it was once it is closed (also when the command
// ends by a signal it catches).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "cli/watch_layout.h"

namespace cli {

class WatchScreen {
public:
    // Null, with a message, when the terminal cannot be driven (an unknown
    // TERM) or the screen library cannot be loaded. Colour only when the terminal has it and NO_COLOR is unset or
    // empty.
    static std::unique_ptr<WatchScreen> open(std::string& error);
    ~WatchScreen();
    WatchScreen(const WatchScreen&) = delete;
    WatchScreen& operator=(const WatchScreen&) = delete;

    // Draws the header, then as much of the frame's resources as the
    // window holds, then a last line of help.
    void draw(const std::vector<ScreenLine>& header, const WatchFrame& frame);

    enum class Key { none, quit, resize };
    // Waits up to `milliseconds` for a key.
    Key waitForKey(int milliseconds);

private:
    WatchScreen() = default;

    struct Terminal;
    std::unique_ptr<Terminal> terminal_;
};

} // namespace cli
