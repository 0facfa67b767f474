#include "cli/alert_range.h"

#include <cmath>
#include <cstdlib>

#include "cli/message_text.h"

namespace cli {

namespace {

// A decimal number, optionally signed, with an optional fraction; nothing
// else (no blanks, exponents, hex, infinities).
bool readBound(const std::string& text, double& out) {
    std::size_t at = 0;
    if (at < text.size() && (text[at] == '-' || text[at] == '+')) ++at;
    std::size_t digits = 0;
    bool point = false;
    for (; at < text.size(); ++at) {
        if (text[at] >= '0' && text[at] <= '9') ++digits;
        else if (text[at] == '.' && !point) point = true;
        else return false;
    }
    if (digits == 0) return false;
    out = std::strtod(text.c_str(), nullptr);
    return std::isfinite(out);
}

} // namespace

std::optional<AlertRange> AlertRange::parse(const std::string& text, std::string& error) {
    AlertRange range;
    range.text_ = text;
    std::string body = text;
    if (!body.empty() && body[0] == '@') {
        range.inside_ = true;
        body.erase(0, 1);
    }
    auto refuse = [&](const std::string& why) -> std::optional<AlertRange> {
        error = quotedText(text) + " is not a threshold range: " + why +
                " (e.g. 300, 10:, ~:10, 10:20 or @10:20)";
        return std::nullopt;
    };
    const std::size_t colon = body.find(':');
    double value = 0;
    if (colon == std::string::npos) {
        if (!readBound(body, value)) return refuse("needs a number");
        range.low_ = 0;
        range.high_ = value;
    } else {
        const std::string start = body.substr(0, colon), end = body.substr(colon + 1);
        if (start == "~") range.low_.reset();
        else if (start.empty()) range.low_ = 0;
        else if (!readBound(start, value)) return refuse("its start must be a number or ~");
        else range.low_ = value;
        if (end.empty()) range.high_.reset();
        else if (!readBound(end, value)) return refuse("its end must be a number or nothing");
        else range.high_ = value;
    }
    if (range.low_ && range.high_ && *range.low_ > *range.high_) return refuse("its start lies above its end");
    return range;
}

bool AlertRange::alerts(double value) const {
    const bool within = (!low_ || value >= *low_) && (!high_ || value <= *high_);
    return inside_ ? within : !within;
}

} // namespace cli
