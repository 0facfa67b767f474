// The options of one command as the user gave them, in command-line order.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace cli {

struct Arguments {
    std::vector<std::pair<std::string, std::string>> options; // in order; flags have ""
    std::vector<std::string> positionals;

    bool has(std::string_view name) const;
    // The last value given for an option, or `fallback`.
    std::string value(std::string_view name, const std::string& fallback = "") const;
};

// A whole non-negative decimal number within [low, high].
bool parseNumber(const std::string& text, long long low, long long high, long long& out);

} // namespace cli
