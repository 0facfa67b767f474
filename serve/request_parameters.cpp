#include "serve/request_parameters.h"

#include <httplib.h>

#include <algorithm>

#include "cli/columns.h"
#include "cli/name_widths.h"
#include "cli/message_text.h"
#include "cli/predicates.h"
#include "cli/row_filter.h"
#include "cli/view_plan.h"
#include "sql/fixed_width.h"

namespace serve {

Parameters parametersOf(const std::string& target) {
    Parameters out;
    const size_t mark = target.find('?');
    if (mark == std::string::npos) return out;
    const std::string query = target.substr(mark + 1);
    for (size_t at = 0; at <= query.size();) {
        size_t end = query.find('&', at);
        if (end == std::string::npos) end = query.size();
        const std::string item = query.substr(at, end - at);
        if (!item.empty()) {
            const size_t eq = item.find('=');
            const std::string name = item.substr(0, eq);
            const std::string value = eq == std::string::npos ? "" : item.substr(eq + 1);
            out.emplace_back(httplib::detail::decode_url(name, true), httplib::detail::decode_url(value, true));
        }
        at = end + 1;
    }
    return out;
}

bool onlyKnownParameters(const Parameters& parameters, const std::vector<std::string>& allowed,
                         const std::vector<std::string>& single, std::string& error) {
    for (const auto& [name, value] : parameters) {
        if (std::find(allowed.begin(), allowed.end(), name) == allowed.end()) {
            error = "unknown parameter " + cli::shownName(name);
            if (allowed.empty()) error += "; this path takes none";
            else {
                error += "; the parameters are";
                for (size_t i = 0; i < allowed.size(); ++i) error += (i ? ", " : " ") + allowed[i];
            }
            return false;
        }
        if (std::find(single.begin(), single.end(), name) != single.end() &&
            std::count_if(parameters.begin(), parameters.end(), [&](const auto& p) { return p.first == name; }) > 1) {
            error = "parameter " + name + " is given more than once; it takes one value";
            return false;
        }
    }
    return true;
}

bool contentionQuery(const Parameters& parameters, ContentionQuery& out, std::string& error) {
    if (!onlyKnownParameters(parameters, {"report", "major", "minor", "enqplex", "where"}, {}, error)) return false;
    cli::Arguments args;
    for (const auto& [name, value] : parameters) {
        if (name == "report") {
            std::string v = value;
            std::transform(v.begin(), v.end(), v.begin(), [](unsigned char c) { return std::tolower(c); });
            if (!v.empty() && v != "1" && v != "yes" && v != "true") {
                error = "parameter report takes no value, or yes";
                return false;
            }
            args.options.emplace_back("--report", "");
        } else {
            args.options.emplace_back("--" + name, value);
        }
    }
    if (!cli::predicatesFrom(args, out.predicates, error) || !cli::namesFitTheirColumns(args, error)) return false;
    const auto onIndex = [](const host::Predicate& p) {
        const auto place = cli::findColumn(p.column);
        return place && cli::isIndexColumn(*place);
    };
    // Nothing that picks the query: the report.
    if (std::none_of(out.predicates.begin(), out.predicates.end(), onIndex))
        out.predicates.insert(out.predicates.begin(), host::Predicate::report());
    out.filtered = std::any_of(parameters.begin(), parameters.end(), [](const auto& p) { return p.first == "where"; });
    if (out.filtered && !cli::checkConditions(out.predicates, error)) return false;
    // As query does: the predicates as given when the view takes them, else
    // a report or one resource that holds every row they keep.
    out.viewPredicates =
        !out.filtered || cli::viewTakes(out.predicates) ? out.predicates : cli::viewPlan(out.predicates);
    int reports = 0, others = 0;
    for (const auto& p : out.viewPredicates) {
        const auto place = cli::findColumn(p.column);
        if (!place || !cli::isIndexColumn(*place)) continue;
        if (*place == cli::reportColumn && p.op == zrx::IndexOp::EQ &&
            host::sql::withoutTrailingBlanks(p.value) == zrx::reportPredicate.value)
            ++reports;
        else ++others;
    }
    out.report = reports == 1 && others == 0;
    return true;
}

} // namespace serve
