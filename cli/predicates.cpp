#include "cli/predicates.h"

#include "cli/columns.h"

namespace cli {

namespace {

using zrx::IndexOp;

struct Operator {
    const char* text;
    IndexOp op;
};
// Longer operators first, so that "<>" is not read as "<".
constexpr Operator operators[] = {{"<>", IndexOp::NE}, {">=", IndexOp::GE}, {"<=", IndexOp::LE},
                                  {"=", IndexOp::EQ},  {"<", IndexOp::LT},  {">", IndexOp::GT}};

// A quoted value: the text between the quotes, a doubled quote read as one;
// nothing but blanks may follow the closing quote.
bool unquote(const std::string& text, size_t pos, std::string& value) {
    const char quote = text[pos];
    value.clear();
    for (size_t i = pos + 1; i < text.size(); ++i) {
        if (text[i] != quote) {
            value += text[i];
            continue;
        }
        if (i + 1 < text.size() && text[i + 1] == quote) {
            value += quote;
            ++i;
            continue;
        }
        return text.find_first_not_of(' ', i + 1) == std::string::npos;
    }
    return false;
}

// X'hhhh' (1 to 4 hexadecimal digits, either case) as a decimal number.
bool hexadecimalAsid(const std::string& value, std::string& decimal) {
    if (value.size() < 4 || value.size() > 7 || (value[0] != 'X' && value[0] != 'x') || value[1] != '\'' ||
        value.back() != '\'')
        return false;
    unsigned n = 0;
    for (size_t i = 2; i + 1 < value.size(); ++i) {
        const char c = value[i];
        const int digit = c >= '0' && c <= '9'   ? c - '0'
                          : c >= 'A' && c <= 'F' ? c - 'A' + 10
                          : c >= 'a' && c <= 'f' ? c - 'a' + 10
                                                 : -1;
        if (digit < 0) return false;
        n = n * 16 + static_cast<unsigned>(digit);
    }
    decimal = std::to_string(n);
    return true;
}

} // namespace

const char* sqlOperator(IndexOp op) {
    for (const auto& o : operators)
        if (o.op == op) return o.text;
    return nullptr;
}

bool parseWhere(const std::string& text, host::Predicate& out, std::string& error) {
    size_t pos = 0;
    while (pos < text.size() && text[pos] == ' ') ++pos;
    size_t end = pos;
    while (end < text.size() && text[end] != ' ' && text[end] != '=' && text[end] != '<' && text[end] != '>')
        ++end;
    if (end == pos) {
        error = "--where '" + text + "': no column (write 'COLUMN OP VALUE')";
        return false;
    }
    const std::string column = text.substr(pos, end - pos);
    const auto place = findColumn(column);
    if (!place) {
        error = "--where '" + text + "': no column " + column + " in MENTRENQ (its columns: " + columnNames(true) + ")";
        return false;
    }
    out.column = viewColumnName(*place);
    pos = end;
    while (pos < text.size() && text[pos] == ' ') ++pos;
    const Operator* found = nullptr;
    for (const auto& op : operators) {
        if (text.compare(pos, std::char_traits<char>::length(op.text), op.text) == 0) {
            found = &op;
            break;
        }
    }
    if (!found) {
        size_t stop = text.find(' ', pos);
        error = "--where '" + text + "': unknown operator \"" + text.substr(pos, stop - pos) +
                "\" (use =, <>, >=, <=, <, >)";
        return false;
    }
    out.op = found->op;
    pos += std::char_traits<char>::length(found->text);
    const size_t quote = text.find_first_not_of(' ', pos);
    if (quote != std::string::npos && (text[quote] == '\'' || text[quote] == '"')) {
        if (!unquote(text, quote, out.value)) {
            error = "--where '" + text + "': the quoted value is not closed, or text follows it";
            return false;
        }
        return true;
    }
    if (pos < text.size() && text[pos] == ' ') ++pos;
    out.value = text.substr(pos);
    if (*place == asidColumn) hexadecimalAsid(out.value, out.value);
    return true;
}

bool predicatesFrom(const Arguments& args, std::vector<host::Predicate>& out, std::string& error) {
    using zrx::ColumnId;
    for (const auto& [option, value] : args.options) {
        if (option == "--report") out.push_back(host::Predicate::report());
        else if (option == "--major") out.push_back({viewColumnName(ColumnId::majorname), IndexOp::EQ, value});
        else if (option == "--minor") out.push_back({viewColumnName(ColumnId::minorname), IndexOp::EQ, value});
        else if (option == "--enqplex") out.push_back({viewColumnName(ColumnId::enqplex), IndexOp::EQ, value});
        else if (option == "--where") {
            host::Predicate p;
            if (!parseWhere(value, p, error)) return false;
            out.push_back(p);
        }
    }
    return true;
}

} // namespace cli
