#include "cli/watch_screen.h"

#include <dlfcn.h>

#include "cli/message_text.h"
#include "cli/program_library.h"
#include "cli/terminal_screen.h"

namespace cli {

static_assert(static_cast<int>(LineStyle::plain) == mentrenqPlain && static_cast<int>(LineStyle::title) == mentrenqTitle &&
              static_cast<int>(LineStyle::fresh) == mentrenqFresh &&
              static_cast<int>(LineStyle::cleared) == mentrenqCleared &&
              static_cast<int>(LineStyle::problem) == mentrenqProblem);

struct WatchScreen::Terminal {
    MentrenqScreen* screen = nullptr;
    MentrenqScreenClose close = nullptr;
    MentrenqScreenSize size = nullptr;
    MentrenqScreenDraw draw = nullptr;
    MentrenqScreenKey key = nullptr;
};

namespace {

template <typename Function>
bool find(void* library, const char* name, Function& out) {
    out = reinterpret_cast<Function>(dlsym(library, name));
    return out != nullptr;
}

} // namespace

std::unique_ptr<WatchScreen> WatchScreen::open(std::string& error) {
    const std::string path = programLibraryFile(screenLibraryName);
    const std::string failed = "cannot load the screen library " + shownName(path) + ": ";
    void* library = openProgramLibrary(path, error);
    if (!library) {
        error = failed + error;
        return nullptr;
    }
    std::unique_ptr<WatchScreen> owned(new WatchScreen);
    owned->terminal_ = std::make_unique<Terminal>();
    Terminal& t = *owned->terminal_;
    MentrenqScreenOpen openScreen = nullptr;
    if (!find(library, "mentrenq_screen_open", openScreen) || !find(library, "mentrenq_screen_close", t.close) ||
        !find(library, "mentrenq_screen_size", t.size) || !find(library, "mentrenq_screen_draw", t.draw) ||
        !find(library, "mentrenq_screen_key", t.key) || !dlsym(library, screenVersionSymbol)) {
        error = failed + "it is not the screen library of mentrenq " MENTRENQ_VERSION;
        return nullptr;
    }
    if (!sameVersion(library, screenVersionSymbol, MENTRENQ_VERSION, error)) {
        error = failed + error;
        return nullptr;
    }
    char message[256] = {};
    t.screen = openScreen(message, sizeof message);
    if (!t.screen) {
        error = message;
        return nullptr;
    }
    return owned;
}

WatchScreen::~WatchScreen() {
    if (terminal_ && terminal_->screen) terminal_->close(terminal_->screen);
}

void WatchScreen::draw(const std::vector<ScreenLine>& header, const WatchFrame& frame) {
    int rows = 0, columns = 0;
    terminal_->size(terminal_->screen, &rows, &columns);
    std::vector<MentrenqScreenLine> shown;
    auto put = [&](int row, const ScreenLine& line) {
        shown.push_back({row, static_cast<int>(line.style), line.text.c_str()});
    };
    int row = 0;
    for (const auto& line : header) {
        if (row >= rows) break;
        put(row++, line);
    }
    const int bodyRows = rows - row - 2; // a blank line before, the help line after
    std::vector<ScreenLine> body;
    if (bodyRows > 0) {
        ++row;
        body = frameBody(frame, bodyRows);
        for (const auto& line : body) put(row++, line);
    }
    const ScreenLine help{"q or Ctrl-C quits"};
    if (rows > static_cast<int>(header.size())) put(rows - 1, help);
    terminal_->draw(terminal_->screen, shown.data(), shown.size());
}

WatchScreen::Key WatchScreen::waitForKey(int milliseconds) {
    switch (terminal_->key(terminal_->screen, milliseconds)) {
    case 1: return Key::quit;
    case 2: return Key::resize;
    default: return Key::none;
    }
}

} // namespace cli
