// Answers statements from rows kept in memory: a first run records every
// statement's result from another source, later runs replay them without
// it. Timing a run on the replay leaves out the SQL engine, so what remains
// is the module's work and the host's handing over of rows.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "core/data_source.h"

namespace host {

class ReplaySource : public DataSource {
public:
    // Records from `source`, which must outlive the recording.
    explicit ReplaySource(DataSource& source) : source_(&source) {}

    // From now on every statement is answered from the recording, and a
    // statement that was not recorded is refused.
    void replay() { source_ = nullptr; }
    bool replaying() const { return source_ == nullptr; }

    // Distinct statements recorded.
    size_t recorded() const { return results_.size(); }

    bool check(std::string_view text, StatementKind& kind, std::string& error) override;
    std::unique_ptr<StatementResult> open(std::string_view text, std::string& error) override;

    // What one statement answered: its columns, its rows, and how it ended.
    struct Recording {
        std::vector<sql::ColumnSpec> columns;
        std::vector<std::vector<sql::Cell>> rows;
        bool failed = false; // ended with an error after the rows
        std::string error;
    };

private:
    DataSource* source_;
    std::unordered_map<std::string, std::shared_ptr<const Recording>> results_;
    std::unordered_map<std::string, StatementKind> kinds_; // of every statement checked while recording
};

} // namespace host
