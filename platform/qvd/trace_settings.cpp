#include <cctype>

#include "platform/trace_control.h"
#include "zrx/platform.h"

namespace platform {

uint32_t TraceSettings::flagsFor(std::string_view routine) const {
    auto it = routines.find(routine);
    return it == routines.end() ? defaultFlags : it->second;
}

namespace {

bool parseLevels(std::string_view text, uint32_t& flags, std::string& error) {
    flags = 0;
    size_t pos = 0;
    while (pos <= text.size()) {
        size_t end = text.find(',', pos);
        if (end == std::string_view::npos) end = text.size();
        std::string_view level = text.substr(pos, end - pos);
        if (level == "events") flags |= zrx::traceflag::Events;
        else if (level == "error") flags |= zrx::traceflag::Error;
        else if (level == "detail") flags |= zrx::traceflag::Detail;
        else if (level == "all")
            flags |= zrx::traceflag::Events | zrx::traceflag::Error | zrx::traceflag::Detail;
        else if (level == "none") flags |= 0;
        else {
            error = "unknown trace level \"" + std::string(level) +
                    "\" (use events, error, detail, all or none)";
            return false;
        }
        pos = end + 1;
    }
    return true;
}

} // namespace

bool TraceSettings::parse(std::string_view text, TraceSettings& out, std::string& error) {
    TraceSettings result;
    size_t pos = 0;
    bool any = false;
    while (pos < text.size()) {
        while (pos < text.size() && (text[pos] == ' ' || text[pos] == ';')) ++pos;
        if (pos >= text.size()) break;
        size_t end = pos;
        while (end < text.size() && text[end] != ' ' && text[end] != ';') ++end;
        std::string_view item = text.substr(pos, end - pos);
        pos = end;
        any = true;
        size_t colon = item.find(':');
        uint32_t flags = 0;
        if (colon == std::string_view::npos) {
            if (!parseLevels(item, flags, error)) return false;
            result.defaultFlags = flags;
        } else {
            std::string_view routine = item.substr(0, colon);
            if (routine.empty()) {
                error = "trace item \"" + std::string(item) + "\" names no routine";
                return false;
            }
            if (!parseLevels(item.substr(colon + 1), flags, error)) return false;
            result.routines[std::string(routine)] = flags;
        }
    }
    if (!any) {
        error = "empty trace setting";
        return false;
    }
    out = std::move(result);
    return true;
}

} // namespace platform
