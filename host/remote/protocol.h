// What the host and a module host process say to each other. The module
// host runs the module and the host's session core; the host keeps the data
// source, the trace sink, the fault plan and the accounting, so a session
// run there is seen here exactly as a session of a module in this process.
//
//   module host                         host
//   Hello(version)               ->
//                                <-     Load(name, file bytes)
//   Loaded | Refused(line) | Failed(line)
//                                <-     OpenSession(id, options, plan, settings)
//   Opened(state)                ->
//                                <-     Call(id, entry, plan, settings)
//   Check(text)                  ->     (while an entry runs, any number)
//                                <-     Checked(ok, kind, error)
//   Open(text)                   ->
//                                <-     Answer(ok, error, columns, rows, failure)
//   Trace(record) | Log(line)    ->
//   Returned(status, state)      ->
//                                <-     CloseSession(id)
//
// Failed ends the module host: its module faulted (or it could not go on).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/data_source.h"
#include "core/module_process.h"
#include "core/session.h"
#include "platform/trace_control.h"
#include "remote/wire.h"

namespace host::remote {

inline constexpr uint32_t protocolVersion = 1;

namespace message {
// From the module host.
inline constexpr uint8_t hello = 1;
inline constexpr uint8_t loaded = 2;
inline constexpr uint8_t refused = 3;
inline constexpr uint8_t failed = 4;
inline constexpr uint8_t opened = 5;
inline constexpr uint8_t returned = 6;
inline constexpr uint8_t check = 7;
inline constexpr uint8_t open = 8;
inline constexpr uint8_t trace = 9;
inline constexpr uint8_t log = 10;
// From the host.
inline constexpr uint8_t load = 20;
inline constexpr uint8_t openSession = 21;
inline constexpr uint8_t call = 22;
inline constexpr uint8_t closeSession = 23;
inline constexpr uint8_t checked = 24;
inline constexpr uint8_t answer = 25;
} // namespace message

void writeOptions(Writer& w, const SessionOptions& options);
SessionOptions readOptions(Reader& r);

// Trace settings go only when they changed since the module host last got
// them: a flag, then the settings.
void writeSettings(Writer& w, const platform::TraceSettings* settings);
// True (with `out`) when the message carried settings.
bool readSettings(Reader& r, platform::TraceSettings& out);

void writeRecord(Writer& w, const platform::TraceRecord& record);
platform::TraceRecord readRecord(Reader& r);

// What one statement answered: its columns, every row, and how it ended.
struct Answer {
    bool ok = false;
    std::string error; // when not ok
    std::vector<sql::ColumnSpec> columns;
    std::vector<std::vector<sql::Cell>> rows;
    bool failed = false; // ended with an error after the rows
    std::string failure;
};
// Runs a statement on `source` to its end.
Answer answerFrom(DataSource* source, const std::string& text);
void writeAnswer(Writer& w, const Answer& a);
Answer readAnswer(Reader& r);
// The answer as a result the session core reads row by row.
std::unique_ptr<StatementResult> resultOf(Answer answer);

// A session's state after each call, and the host's accounting since the
// previous one.
struct CallReport {
    int32_t status = 0;
    RemoteState state;
    uint64_t storageHandedOut = 0; // by the module host's Host since the last report
    uint64_t storageReleased = 0;
    std::vector<std::string> statements; // planned since the last report
    std::vector<uint8_t> interceptorCounts; // what the host's interceptor counted there
};
void writeReport(Writer& w, const CallReport& report);
CallReport readReport(Reader& r);

} // namespace host::remote
