#include "cli/name_widths.h"

#include "cli/message_text.h"
#include "cli/predicates.h"
#include "zrx/mentrenq_row.h"

namespace cli {

namespace {

struct NamedColumn {
    const char* option;
    const char* column; // as parseWhere names it
    const char* what;
    size_t width;
};

constexpr NamedColumn namedColumns[] = {
    {"--major", "MAJORNAME", "a major name", sizeof(zrx::MentrenqRow::majorname)},
    {"--minor", "MINORNAME", "a minor name", sizeof(zrx::MentrenqRow::minorname)},
    {"--enqplex", "ENQPLEX", "an Enqplex name", sizeof(zrx::MentrenqRow::enqplex)},
    {nullptr, "REPORT", "a REPORT value", sizeof(zrx::MentrenqRow::report)},
};

size_t lengthWithoutTrailingBlanks(const std::string& value) {
    const size_t last = value.find_last_not_of(' ');
    return last == std::string::npos ? 0 : last + 1;
}

bool fits(const NamedColumn& c, const std::string& given, const std::string& value, std::string& error) {
    const size_t length = lengthWithoutTrailingBlanks(value);
    if (length <= c.width) return true;
    error = given + " is " + std::to_string(length) + " bytes long; " + c.what + " has at most " +
            std::to_string(c.width) + " (the width of " + c.column + ")";
    return false;
}

} // namespace

bool namesFitTheirColumns(const Arguments& args, std::string& error) {
    for (const auto& [option, value] : args.options) {
        for (const NamedColumn& c : namedColumns) {
            if (c.option && option == c.option && !fits(c, option + " " + shownName(value), value, error))
                return false;
        }
        if (option != "--where") continue;
        host::Predicate p;
        std::string unused;
        if (!parseWhere(value, p, unused)) continue;
        for (const NamedColumn& c : namedColumns)
            if (p.column == c.column && !fits(c, "--where " + quotedText(value) + ": the value", p.value, error))
                return false;
    }
    return true;
}

} // namespace cli
