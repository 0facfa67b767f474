// The history a server answers the past from (`serve --history FILE`). It
// is only read: each request opens a reader of its own, so that requests
// never share a connection and each one sees whole samples while `record`
// appends to the file (the history is in WAL mode).
#pragma once

#include <memory>
#include <string>

#include "history/reader.h"

namespace serve {

class HistorySource {
public:
    explicit HistorySource(std::string path) : path_(std::move(path)) {}

    const std::string& path() const { return path_; }
    // At start: false with one line when the file is missing, is not a
    // history of this version, or cannot be read.
    bool check(std::string& error) const;
    // A reader of the history as it is now; null with the reason.
    std::unique_ptr<history::Reader> open(std::string& error) const;

private:
    std::string path_;
};

} // namespace serve
