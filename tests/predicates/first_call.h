// The first request call of a session, which reads the caller's predicates,
// with the work area kept for inspection until the session ends.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "frame/work_area.h"
#include "sql/tokenizer.h"
#include "support/fixed_width.h"
#include "support/host_fixture.h"
#include "support/trace_recorder.h"

namespace predtest {

struct FirstCall {
    explicit FirstCall(std::vector<host::Predicate> predicates, std::string_view scenario = "")
        : fx(scenario) {
        session = fx.session(std::move(predicates));
        if (session->start() != 0) throw std::runtime_error("session start failed");
        w = static_cast<zrx::workA*>(session->workArea());
        status = session->request();
    }
    ~FirstCall() { session->end(); }

    zrxtest::HostFixture fx;
    std::unique_ptr<host::Session> session;
    zrx::workA* w = nullptr;
    int32_t status = -1;
};

using Started = zrxtest::StartedSession;

// The result that a routine's exit event carried, or -1 when it never
// returned while events were traced.
inline int32_t resultOf(const zrxtest::TraceRecorder& trace, const std::string& routine) {
    int32_t result = -1;
    for (const auto& e : trace.events())
        if (e.rfind("< " + routine + " = ", 0) == 0) result = std::stoi(e.substr(routine.size() + 5));
    return result;
}

// The string literals of an SQL text as the data server's tokenizer reads
// them, decoded.
inline std::vector<std::string> literals(const std::string& text, host::sql::TokenKind kind) {
    std::vector<host::sql::Token> tokens;
    std::string error;
    if (!host::sql::tokenize(text, tokens, error)) throw std::runtime_error(error);
    std::vector<std::string> out;
    for (const auto& t : tokens)
        if (t.kind == kind) out.push_back(t.text);
    return out;
}

using zrxtest::field;

} // namespace predtest
