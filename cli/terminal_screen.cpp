// The screen library's side of terminal_screen.h: ncurses, and nothing of
// the program's.
#include "cli/terminal_screen.h"

#include <curses.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

enum Pair : short { freshPair = 1, clearedPair, problemPair };

// `text` cut to `columns` characters (UTF-8 sequences kept whole).
std::string fitted(const std::string& text, int columns) {
    int shown = 0;
    for (std::size_t at = 0; at < text.size(); ++at) {
        if ((static_cast<unsigned char>(text[at]) & 0xC0) == 0x80) continue;
        if (shown++ == columns) return text.substr(0, at);
    }
    return text;
}

void put(const MentrenqScreenLine& line, bool colour) {
    attr_t attributes = A_NORMAL;
    short pair = 0;
    switch (line.style) {
    case mentrenqTitle: attributes = A_REVERSE; break;
    case mentrenqFresh: attributes = A_BOLD, pair = freshPair; break;
    case mentrenqCleared: pair = clearedPair; break;
    case mentrenqProblem: attributes = A_BOLD, pair = problemPair; break;
    default: break;
    }
    if (!colour) pair = 0;
    attr_set(attributes, pair, nullptr);
    std::string text = fitted(line.text ? line.text : "", COLS);
    // The title's reverse video spans the whole width.
    if (line.style == mentrenqTitle && static_cast<int>(text.size()) < COLS)
        text.resize(COLS, ' ');
    mvaddstr(line.row, 0, text.c_str());
    attr_set(A_NORMAL, 0, nullptr);
}

} // namespace

struct MentrenqScreen {
    SCREEN* screen = nullptr;
    bool colour = false;
};

#define MENTRENQ_SCREEN_EXPORT extern "C" __attribute__((visibility("default")))

MENTRENQ_SCREEN_EXPORT const char* mentrenq_screen_version() { return MENTRENQ_VERSION; }

MENTRENQ_SCREEN_EXPORT MentrenqScreen* mentrenq_screen_open(char* error, std::size_t errorSize) {
    // Characters beyond ASCII (the "…" of a cut list) as the terminal's locale says.
    std::setlocale(LC_CTYPE, "");
    auto* owned = new (std::nothrow) MentrenqScreen;
    if (owned) owned->screen = newterm(nullptr, stdout, stdin);
    if (!owned || !owned->screen) {
        delete owned;
        const char* term = std::getenv("TERM");
        if (errorSize) std::snprintf(error, errorSize, "cannot drive the terminal (TERM=%s)", term ? term : "");
        return nullptr;
    }
    set_term(owned->screen);
    cbreak(); // Ctrl-C still sends SIGINT, which the command catches
    noecho();
    keypad(stdscr, TRUE);
    curs_set(0);
    const char* noColor = std::getenv("NO_COLOR");
    if (has_colors() && !(noColor && *noColor)) {
        start_color();
        use_default_colors();
        init_pair(freshPair, COLOR_GREEN, -1);
        init_pair(clearedPair, COLOR_YELLOW, -1);
        init_pair(problemPair, COLOR_RED, -1);
        owned->colour = true;
    }
    return owned;
}

MENTRENQ_SCREEN_EXPORT void mentrenq_screen_close(MentrenqScreen* screen) {
    if (!screen) return;
    endwin();
    delscreen(screen->screen);
    delete screen;
}

MENTRENQ_SCREEN_EXPORT void mentrenq_screen_size(MentrenqScreen*, int* rows, int* columns) {
    *rows = LINES;
    *columns = COLS;
}

MENTRENQ_SCREEN_EXPORT void mentrenq_screen_draw(MentrenqScreen* screen, const MentrenqScreenLine* lines,
                                                 std::size_t count) {
    erase();
    for (std::size_t i = 0; i < count; ++i) put(lines[i], screen->colour);
    refresh();
}

MENTRENQ_SCREEN_EXPORT int mentrenq_screen_key(MentrenqScreen*, int milliseconds) {
    timeout(milliseconds);
    const int key = getch();
    if (key == 'q' || key == 'Q') return 1;
    if (key == KEY_RESIZE) return 2;
    return 0;
}
