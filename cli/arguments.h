// Command-line options: each command declares the options it takes; the
// parser keeps every option in command-line order.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace cli {

struct OptionSpec {
    std::string_view name; // e.g. "--db"
    bool takesValue;
};

struct Arguments {
    std::vector<std::pair<std::string, std::string>> options; // in order
    std::vector<std::string> positionals;

    bool has(std::string_view name) const;
    // The last value given for an option, or `fallback`.
    std::string value(std::string_view name, const std::string& fallback = "") const;
    std::vector<std::string> values(std::string_view name) const;
};

// Parses argv[first..]. "--name=value" and "--name value" both work. False
// with a message for an unknown option or a missing value.
bool parseArguments(int argc, char** argv, int first, const std::vector<OptionSpec>& specs,
                    Arguments& out, std::string& error);

// A whole non-negative decimal number within [low, high].
bool parseNumber(const std::string& text, long long low, long long high, long long& out);

} // namespace cli
