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

std::vector<std::string> Arguments::values(std::string_view name) const {
    std::vector<std::string> out;
    for (const auto& [option, value] : options)
        if (option == name) out.push_back(value);
    return out;
}

bool parseArguments(int argc, char** argv, int first, const std::vector<OptionSpec>& specs,
                    Arguments& out, std::string& error) {
    for (int i = first; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg.size() < 2 || arg.rfind("--", 0) != 0) {
            out.positionals.push_back(arg);
            continue;
        }
        std::string name = arg;
        std::string value;
        bool inlineValue = false;
        if (size_t eq = arg.find('='); eq != std::string::npos) {
            name = arg.substr(0, eq);
            value = arg.substr(eq + 1);
            inlineValue = true;
        }
        const OptionSpec* spec = nullptr;
        for (const auto& s : specs)
            if (s.name == name) spec = &s;
        if (!spec) {
            error = "unknown option " + name;
            return false;
        }
        if (spec->takesValue && !inlineValue) {
            if (i + 1 >= argc) {
                error = "option " + name + " needs a value";
                return false;
            }
            value = argv[++i];
        } else if (!spec->takesValue && inlineValue) {
            error = "option " + name + " takes no value";
            return false;
        }
        out.options.emplace_back(name, value);
    }
    return true;
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
