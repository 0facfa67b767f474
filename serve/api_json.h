// The JSON documents of /api/v1: one object with the version of its shape,
// what was read (the snapshot and its time), how the view ended, and the
// rows or the tree exactly as `query --format json` and `tree --format json`
// write them. docs/SERVE.md describes the shape.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "history/reader.h"
#include "serve/reading.h"
#include "serve/view_source.h"

namespace serve {

// The version of the documents' shape; it grows when a field changes meaning
// or goes away, not when one is added.
inline constexpr int apiVersion = 1;

// Rows of a query (a report from the reading, or an answer of its own).
std::string contentionDocument(const QueryAnswer& answer, const std::string& source,
                               const std::vector<zrx::MentrenqRow>& rows);
// `enqplex` empty: every Enqplex; otherwise that one (none of its resources
// are contended when the reading has no tree for it).
std::string treeDocument(const Reading& reading, const std::string& enqplex);
// Each configured Enqplex and System with its figures.
std::string statusDocument(const Reading& reading);
// An answer from a sample of the history (`?at=T`): which sample, and how
// the view had ended for what is asked.
struct PastAnswer {
    std::string historyFile;
    int64_t atMs = 0;              // the time asked for
    history::SampleInfo sample;    // the sample in force then
    std::optional<int32_t> status; // none: the sample holds no answer of the view to this
    zrx::Abandon abandon = zrx::Abandon::None;
    std::string statusText;
    bool complete = true;          // every resource's tasks were read (tree)
    // What the view passed over, where the sample says it (the report of
    // every Enqplex, in a history that keeps it).
    std::optional<std::vector<std::string>> notSeen;
};
std::string pastContentionDocument(const PastAnswer& answer, const std::vector<zrx::MentrenqRow>& rows);
// `tree`: the JSON array `tree --history FILE --at T --format json` writes.
std::string pastTreeDocument(const PastAnswer& answer, const std::string& tree);

// The HTTP status for a view that ended with `status`: 200 when it ended
// normally, 400 when it refused the predicates the request gave it, else 503.
int httpStatusForView(std::optional<int32_t> status, zrx::Abandon abandon);

// {"version":1,"status":404,"error":"..."} on one line.
std::string errorDocument(int httpStatus, const std::string& message);

// The report of a reading as a query's answer.
QueryAnswer reportAnswer(const Reading& reading);

} // namespace serve
