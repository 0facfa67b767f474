// The JSON documents of /api/v1: one object with the version of its shape,
// what was read (the snapshot and its time), how the view ended, and the
// rows or the tree exactly as `query --format json` and `tree --format json`
// write them. docs/SERVE.md describes the shape.
#pragma once

#include <string>
#include <vector>

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
// {"version":1,"status":404,"error":"..."} on one line.
std::string errorDocument(int httpStatus, const std::string& message);

// The report of a reading as a query's answer.
QueryAnswer reportAnswer(const Reading& reading);

} // namespace serve
