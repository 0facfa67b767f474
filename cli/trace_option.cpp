#include "cli/trace_option.h"

#include <algorithm>

#include "cli/module_routines.h"

namespace cli {

bool parseTraceOption(const std::string& text, platform::TraceSettings& out, std::string& error) {
    platform::TraceSettings settings;
    if (!platform::TraceSettings::parse(text, settings, error)) return false;
    const auto& known = moduleRoutineNames();
    for (const auto& [routine, flags] : settings.routines) {
        if (std::binary_search(known.begin(), known.end(), std::string_view(routine))) continue;
        error = "no routine \"" + routine + "\" in the module; its routines are:";
        for (std::string_view name : known) {
            error += ' ';
            error += name;
        }
        return false;
    }
    out = std::move(settings);
    return true;
}

} // namespace cli
