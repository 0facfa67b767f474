#include "cli/watch_screen.h"

#include <curses.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>

namespace cli {

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

} // namespace

struct WatchScreen::Terminal {
    SCREEN* screen = nullptr;
};

std::unique_ptr<WatchScreen> WatchScreen::open(std::string& error) {
    // Characters beyond ASCII (the "…" of a cut list) as the terminal's locale says.
    std::setlocale(LC_CTYPE, "");
    std::unique_ptr<WatchScreen> owned(new WatchScreen);
    owned->terminal_ = std::make_unique<Terminal>();
    owned->terminal_->screen = newterm(nullptr, stdout, stdin);
    if (!owned->terminal_->screen) {
        const char* term = std::getenv("TERM");
        error = std::string("cannot drive the terminal (TERM=") + (term ? term : "") + ")";
        return nullptr;
    }
    set_term(owned->terminal_->screen);
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
        owned->colour_ = true;
    }
    return owned;
}

WatchScreen::~WatchScreen() {
    if (!terminal_ || !terminal_->screen) return;
    endwin();
    delscreen(terminal_->screen);
}

void WatchScreen::put(int row, const ScreenLine& line) {
    attr_t attributes = A_NORMAL;
    short pair = 0;
    switch (line.style) {
    case LineStyle::plain: break;
    case LineStyle::title: attributes = A_REVERSE; break;
    case LineStyle::fresh: attributes = A_BOLD, pair = freshPair; break;
    case LineStyle::cleared: pair = clearedPair; break;
    case LineStyle::problem: attributes = A_BOLD, pair = problemPair; break;
    }
    if (!colour_) pair = 0;
    attr_set(attributes, pair, nullptr);
    std::string text = fitted(line.text, COLS);
    // The title's reverse video spans the whole width.
    if (line.style == LineStyle::title && static_cast<int>(text.size()) < COLS) text.resize(COLS, ' ');
    mvaddstr(row, 0, text.c_str());
    attr_set(A_NORMAL, 0, nullptr);
}

void WatchScreen::draw(const std::vector<ScreenLine>& header, const WatchFrame& frame) {
    erase();
    int row = 0;
    for (const auto& line : header) {
        if (row >= LINES) break;
        put(row++, line);
    }
    const int bodyRows = LINES - row - 2; // a blank line before, the help line after
    if (bodyRows > 0) {
        ++row;
        for (const auto& line : frameBody(frame, bodyRows)) put(row++, line);
    }
    if (LINES > static_cast<int>(header.size())) put(LINES - 1, {"q or Ctrl-C quits"});
    refresh();
}

WatchScreen::Key WatchScreen::waitForKey(int milliseconds) {
    timeout(milliseconds);
    const int key = getch();
    if (key == 'q' || key == 'Q') return Key::quit;
    if (key == KEY_RESIZE) return Key::resize;
    return Key::none;
}

} // namespace cli
