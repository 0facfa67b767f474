// Predicates on the columns the view does not index, applied by the host to
// the rows the view hands out, as the data server does. A column compares
// with its own type: numbers as numbers, characters as text without
// trailing blanks, byte by byte.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/session.h"
#include "zrx/mentrenq_row.h"

namespace cli {

struct RowCondition {
    size_t column = 0;
    int16_t op = 1; // 1 EQ, 2 NE, 3 GE, 4 LE, 5 LT, 6 GT
    bool numeric = false;
    int64_t number = 0;
    std::string text;
};

// The conditions of the predicates on columns the view does not index. False,
// with a message, for a value that a numeric column cannot compare with.
bool rowConditions(const std::vector<host::Predicate>& predicates, std::vector<RowCondition>& out,
                   std::string& error);

bool rowMeets(const zrx::MentrenqRow& row, const std::vector<RowCondition>& conditions);

// Removes the rows that do not meet every condition, keeping the order.
void keepRowsMeeting(std::vector<zrx::MentrenqRow>& rows, const std::vector<RowCondition>& conditions);

} // namespace cli
