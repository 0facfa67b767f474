// The terminal of `watch`'s full screen, drawn with ncurses in a library of
// its own (lib/mentrenq-screen.so) so that no other command maps and
// relocates the terminal libraries. The program (watch_screen.cpp) lays out
// the lines; the library only puts them on the screen and reads keys. They
// meet at C functions, so neither relies on the other's C++ layouts.
#pragma once

#include <cstddef>

extern "C" {

// How a line is shown; the values of LineStyle (watch_layout.h).
enum MentrenqScreenStyle { mentrenqPlain, mentrenqTitle, mentrenqFresh, mentrenqCleared, mentrenqProblem };

// One line to put at `row`, in a MentrenqScreenStyle.
struct MentrenqScreenLine {
    int row;
    int style;
    const char* text;
};

struct MentrenqScreen;

// The version of mentrenq the library was built with.
using MentrenqScreenVersion = const char* (*)();
// Null, with a message in `error` (of `errorSize` bytes, ended with a
// NUL), when the terminal cannot be driven.
using MentrenqScreenOpen = MentrenqScreen* (*)(char* error, std::size_t errorSize);
// The terminal as it was; the screen is gone.
using MentrenqScreenClose = void (*)(MentrenqScreen* screen);
// The window's size now (it follows the terminal's).
using MentrenqScreenSize = void (*)(MentrenqScreen* screen, int* rows, int* columns);
// Clears the window and shows exactly `lines`, each cut to the width.
using MentrenqScreenDraw = void (*)(MentrenqScreen* screen, const MentrenqScreenLine* lines, std::size_t count);
// Waits up to `milliseconds` for a key: 0 none, 1 quit, 2 the window's size changed.
using MentrenqScreenKey = int (*)(MentrenqScreen* screen, int milliseconds);
}

namespace cli {

inline constexpr const char* screenLibraryName = "mentrenq-screen.so";
inline constexpr const char* screenVersionSymbol = "mentrenq_screen_version";

} // namespace cli
