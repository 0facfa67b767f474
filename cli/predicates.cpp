#include "cli/predicates.h"

namespace cli {

namespace {
struct Operator {
    const char* text;
    int16_t code;
};
// Longer operators first, so that "<>" is not read as "<".
constexpr Operator operators[] = {{"<>", 2}, {">=", 3}, {"<=", 4}, {"=", 1}, {"<", 5}, {">", 6}};
} // namespace

bool parseWhere(const std::string& text, host::Predicate& out, std::string& error) {
    size_t pos = 0;
    while (pos < text.size() && text[pos] == ' ') ++pos;
    size_t end = pos;
    while (end < text.size() && text[end] != ' ' && text[end] != '=' && text[end] != '<' &&
           text[end] != '>')
        ++end;
    if (end == pos) {
        error = "--where '" + text + "': no column (write 'COLUMN OP VALUE')";
        return false;
    }
    out.column = text.substr(pos, end - pos);
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
    out.op = found->code;
    pos += std::char_traits<char>::length(found->text);
    if (pos < text.size() && text[pos] == ' ') ++pos;
    out.value = text.substr(pos);
    return true;
}

bool predicatesFrom(const Arguments& args, std::vector<host::Predicate>& out, std::string& error) {
    for (const auto& [option, value] : args.options) {
        if (option == "--report") out.push_back({"REPORT", 1, "YES"});
        else if (option == "--major") out.push_back({"MAJORNAME", 1, value});
        else if (option == "--minor") out.push_back({"MINORNAME", 1, value});
        else if (option == "--enqplex") out.push_back({"ENQPLEX", 1, value});
        else if (option == "--where") {
            host::Predicate p;
            if (!parseWhere(value, p, error)) return false;
            out.push_back(p);
        }
    }
    return true;
}

} // namespace cli
