// The answers a server with a history gives: the episodes of a window
// (/api/v1/history), the timeline the page draws (/api/v1/history/samples),
// and the view as it was at a time (/api/v1/contention?at=T,
// /api/v1/tree?at=T), each from the sample in force then, exactly as
// `query --history FILE --at T` and `tree --history FILE --at T` answer.
#pragma once

#include <string>

#include "serve/history_source.h"
#include "serve/request_parameters.h"

namespace serve {

struct HttpAnswer {
    int status = 200;
    std::string body; // a JSON document
};

// The points of the timeline, at most this many unless `points` says fewer.
inline constexpr std::size_t maxTimelinePoints = 2000;
inline constexpr std::size_t defaultTimelinePoints = 600;

// The 404 of a server started without --history.
std::string noHistoryMessage();

HttpAnswer episodesAnswer(const HistorySource& history, const Parameters& parameters);
HttpAnswer timelineAnswer(const HistorySource& history, const Parameters& parameters);
// `at` as given; `query` checked, without the `at` parameter.
HttpAnswer pastContentionAnswer(const HistorySource& history, const std::string& at, const ContentionQuery& query);
// `enqplex` empty: every Enqplex.
HttpAnswer pastTreeAnswer(const HistorySource& history, const std::string& at, const std::string& enqplex);

} // namespace serve
