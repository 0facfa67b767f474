#include "cli/arguments.h"

#include <cerrno>
#include <cstdlib>

namespace cli {

bool Arguments::has(std::string_view name) const {
    for (const auto& [option, value] : options)
        if (option == name) return true;
    return false;
}

std::string Arguments::value(std::string_view name, const std::string& fallback) const {
    std::string found = fallback;
    for (const auto& [option, value] : options)
        if (option == name) found = value;
    return found;
}

bool parseNumber(const std::string& text, long long low, long long high, long long& out) {
    if (text.empty() || text.size() > 19) return false;
    for (char c : text)
        if (c < '0' || c > '9') return false;
    errno = 0;
    long long n = std::strtoll(text.c_str(), nullptr, 10);
    if (errno != 0 || n < low || n > high) return false;
    out = n;
    return true;
}

} // namespace cli
