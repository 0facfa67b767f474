#include "remote/protocol.h"

#include <cstring>

namespace host::remote {

namespace {

// The smallest encoding of one item, for counts read back.
constexpr size_t minText = 4;

void writeLive(Writer& w, const LiveObjects& l) {
    w.i32(l.paths);
    w.i32(l.plans);
    w.i32(l.requests);
    w.i32(l.cursors);
}

LiveObjects readLive(Reader& r) {
    LiveObjects l;
    l.paths = r.i32();
    l.plans = r.i32();
    l.requests = r.i32();
    l.cursors = r.i32();
    return l;
}

template <class Enum>
Enum enumOf(uint8_t value, Enum last) {
    return value <= static_cast<uint8_t>(last) ? static_cast<Enum>(value) : last;
}

class AnsweredResult : public StatementResult {
public:
    explicit AnsweredResult(Answer answer) : answer_(std::move(answer)) {}
    const std::vector<sql::ColumnSpec>& columns() const override { return answer_.columns; }
    sql::Query::Step next(const std::vector<sql::Cell>*& row, std::string& error) override {
        if (next_ < answer_.rows.size()) {
            row = &answer_.rows[next_++];
            return sql::Query::Step::Row;
        }
        if (!answer_.failed) return sql::Query::Step::Done;
        error = answer_.failure;
        return sql::Query::Step::Error;
    }

private:
    Answer answer_;
    size_t next_ = 0;
};

} // namespace

void writeOptions(Writer& w, const SessionOptions& options) {
    w.u32(static_cast<uint32_t>(options.predicates.size()));
    for (const Predicate& p : options.predicates) {
        w.text(p.column);
        w.u16(static_cast<uint16_t>(p.op));
        w.text(p.value);
    }
    w.text(options.nodeText);
    w.u64(options.storageBudget);
}

SessionOptions readOptions(Reader& r) {
    SessionOptions options;
    options.predicates.clear();
    for (uint32_t n = r.count(2 * minText + 2); n > 0; --n) {
        Predicate p;
        p.column = r.text();
        p.op = static_cast<zrx::IndexOp>(static_cast<int16_t>(r.u16()));
        p.value = r.text();
        options.predicates.push_back(std::move(p));
    }
    options.nodeText = r.text();
    options.storageBudget = r.u64();
    return options;
}

void writeSettings(Writer& w, const platform::TraceSettings* settings) {
    w.flag(settings != nullptr);
    if (!settings) return;
    w.u32(settings->defaultFlags);
    w.u32(static_cast<uint32_t>(settings->routines.size()));
    for (const auto& [routine, flags] : settings->routines) {
        w.text(routine);
        w.u32(flags);
    }
}

bool readSettings(Reader& r, platform::TraceSettings& out) {
    if (!r.flag()) return false;
    out = platform::TraceSettings();
    out.defaultFlags = r.u32();
    for (uint32_t n = r.count(minText + 4); n > 0; --n) {
        std::string routine = r.text();
        out.routines[std::move(routine)] = r.u32();
    }
    return r.ok();
}

void writeRecord(Writer& w, const platform::TraceRecord& record) {
    w.text(record.routine);
    w.i32(record.line);
    w.u8(static_cast<uint8_t>(record.kind));
    w.i32(record.result);
    w.text(record.text);
    w.i32(static_cast<int32_t>(record.reason));
}

platform::TraceRecord readRecord(Reader& r) {
    platform::TraceRecord record;
    record.routine = r.text();
    record.line = r.i32();
    record.kind = enumOf(r.u8(), platform::TraceKind::Line);
    record.result = r.i32();
    record.text = r.text();
    record.reason = static_cast<zrx::Abandon>(r.i32());
    return record;
}

Answer answerFrom(DataSource* source, const std::string& text) {
    Answer a;
    // As the session core says when it has no source.
    a.error = "no enterprise snapshot";
    std::unique_ptr<StatementResult> result = source ? source->open(text, a.error) : nullptr;
    if (!result) return a;
    a.ok = true;
    a.error.clear();
    a.columns = result->columns();
    const std::vector<sql::Cell>* row = nullptr;
    for (;;) {
        const sql::Query::Step step = result->next(row, a.failure);
        if (step == sql::Query::Step::Done) break;
        if (step == sql::Query::Step::Error) {
            a.failed = true;
            break;
        }
        a.rows.push_back(*row);
    }
    return a;
}

void writeAnswer(Writer& w, const Answer& a) {
    w.flag(a.ok);
    w.text(a.error);
    w.u32(static_cast<uint32_t>(a.columns.size()));
    for (const sql::ColumnSpec& c : a.columns) {
        w.text(c.name);
        w.u8(static_cast<uint8_t>(c.type));
        w.i32(c.width);
        w.flag(c.notNull);
    }
    w.u32(static_cast<uint32_t>(a.rows.size()));
    for (const auto& row : a.rows) {
        w.u32(static_cast<uint32_t>(row.size()));
        for (const sql::Cell& cell : row) {
            w.flag(cell.null);
            w.text(cell.bytes);
        }
    }
    w.flag(a.failed);
    w.text(a.failure);
}

Answer readAnswer(Reader& r) {
    Answer a;
    a.ok = r.flag();
    a.error = r.text();
    for (uint32_t n = r.count(minText + 10); n > 0; --n) {
        sql::ColumnSpec c;
        c.name = r.text();
        c.type = enumOf(r.u8(), sql::ColumnType::Int4);
        c.width = r.i32();
        c.notNull = r.flag();
        a.columns.push_back(std::move(c));
    }
    for (uint32_t n = r.count(4); n > 0 && r.ok(); --n) {
        std::vector<sql::Cell> row;
        for (uint32_t c = r.count(1 + minText); c > 0; --c) {
            sql::Cell cell;
            cell.null = r.flag();
            cell.bytes = r.text();
            row.push_back(std::move(cell));
        }
        a.rows.push_back(std::move(row));
    }
    a.failed = r.flag();
    a.failure = r.text();
    return a;
}

std::unique_ptr<StatementResult> resultOf(Answer answer) { return std::make_unique<AnsweredResult>(std::move(answer)); }

void writeReport(Writer& w, const CallReport& report) {
    w.i32(report.status);
    w.u32(static_cast<uint32_t>(report.state.newRows.size()));
    w.raw(report.state.newRows.data(), report.state.newRows.size() * sizeof(zrx::MentrenqRow));
    writeLive(w, report.state.live);
    w.u64(report.state.storageBytes);
    w.i32(report.state.storageRefusals);
    w.i32(static_cast<int32_t>(report.state.abandonReason));
    w.u64(report.storageHandedOut);
    w.u64(report.storageReleased);
    w.u32(static_cast<uint32_t>(report.statements.size()));
    for (const std::string& s : report.statements) w.text(s);
    w.blob(report.interceptorCounts);
}

CallReport readReport(Reader& r) {
    CallReport report;
    report.status = r.i32();
    const uint32_t rows = r.count(sizeof(zrx::MentrenqRow));
    report.state.newRows.resize(rows);
    r.raw(report.state.newRows.data(), rows * sizeof(zrx::MentrenqRow));
    report.state.live = readLive(r);
    report.state.storageBytes = r.u64();
    report.state.storageRefusals = r.i32();
    report.state.abandonReason = static_cast<zrx::Abandon>(r.i32());
    report.storageHandedOut = r.u64();
    report.storageReleased = r.u64();
    for (uint32_t n = r.count(minText); n > 0; --n) report.statements.push_back(r.text());
    report.interceptorCounts = r.blob();
    return report;
}

} // namespace host::remote
