#include "cli/option_checks.h"

#include "cli/arguments.h"
#include "cli/message_text.h"

namespace cli {

CLI::Option* single(CLI::Option* option) {
    return option->expected(1)->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
}

CLI::Validator wholeNumber(long long low, long long high) {
    return CLI::Validator(
        [low, high](std::string& text) -> std::string {
            long long n = 0;
            if (parseNumber(text, low, high, n)) return "";
            return "must be a whole number from " + std::to_string(low) + " to " + std::to_string(high) +
                   ", not " + quotedText(text);
        },
        "", "");
}

CLI::Validator oneOf(std::vector<std::string> names) {
    return CLI::Validator(
        [names](std::string& text) -> std::string {
            std::string list;
            for (const auto& name : names) {
                if (name == text) return "";
                list += (list.empty() ? "" : ", ") + name;
            }
            return "must be one of " + list + ", not " + quotedText(text);
        },
        "", "");
}

} // namespace cli
