// The MENTRENQ columns as the command shows them: names, kinds and values.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "zrx/mentrenq_row.h"

namespace cli {

struct ColumnValue {
    bool numeric = false;
    int64_t number = 0;
    std::string text; // characters without trailing blanks
};

inline constexpr std::array<std::string_view, 17> columnNames = {
    "majorname", "minorname", "owntaskct", "waittaskct", "maxwaittm", "owningas",
    "waitingas", "sysname",   "swapped",   "type",       "asid",      "waittime",
    "report",    "originnode", "plxname",  "enqplex",    "trueowner",
};

// Column `i` of a row; swapped, type and trueowner as unsigned bytes.
ColumnValue columnValue(const zrx::MentrenqRow& row, size_t i);

// A fixed-width field without its trailing blanks.
std::string trimmedField(const char* field, size_t width);

template <size_t N>
std::string trimmedField(const char (&field)[N]) {
    return trimmedField(field, N);
}

} // namespace cli
