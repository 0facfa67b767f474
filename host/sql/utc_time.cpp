#include "sql/utc_time.h"

#include <chrono>
#include <cstdio>

namespace host::sql {

namespace {

// Days from 1970-01-01 to the given civil date (proleptic Gregorian),
// after Howard Hinnant's days_from_civil.
int64_t daysFromCivil(int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

void civilFromDays(int64_t z, int64_t& y, unsigned& m, unsigned& d) {
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = doy - (153 * mp + 2) / 5 + 1;
    m = mp < 10 ? mp + 3 : mp - 9;
    y = static_cast<int64_t>(yoe) + era * 400 + (m <= 2);
}

unsigned daysInMonth(int64_t y, unsigned m) {
    static const unsigned days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
    return m == 2 && leap ? 29 : days[m - 1];
}

// `count` digits at `at`, as a number; false when any is not a digit.
bool digits(std::string_view text, size_t at, size_t count, unsigned& out) {
    if (at + count > text.size()) return false;
    out = 0;
    for (size_t i = at; i < at + count; ++i) {
        if (text[i] < '0' || text[i] > '9') return false;
        out = out * 10 + static_cast<unsigned>(text[i] - '0');
    }
    return true;
}

constexpr int64_t msPerDay = 86400000;

} // namespace

std::optional<int64_t> parseUtcTime(std::string_view text) {
    unsigned year, month, day, hour, minute, second = 0;
    if (!digits(text, 0, 4, year) || text.size() < 16 || text[4] != '-' || !digits(text, 5, 2, month) ||
        text[7] != '-' || !digits(text, 8, 2, day) || text[10] != 'T' || !digits(text, 11, 2, hour) ||
        text[13] != ':' || !digits(text, 14, 2, minute))
        return std::nullopt;
    size_t at = 16;
    int64_t fraction = 0;
    if (at < text.size() && text[at] == ':') {
        if (!digits(text, at + 1, 2, second)) return std::nullopt;
        at += 3;
        if (at < text.size() && text[at] == '.') {
            size_t end = at + 1;
            while (end < text.size() && text[end] >= '0' && text[end] <= '9') ++end;
            if (end == at + 1 || end - at - 1 > 9) return std::nullopt;
            for (size_t i = 0; i < 3; ++i)
                fraction = fraction * 10 + (at + 1 + i < end ? text[at + 1 + i] - '0' : 0);
            at = end;
        }
    }
    const std::string_view zone = text.substr(at);
    if (zone != "Z" && zone != "+00:00") return std::nullopt;
    if (year < 1 || month < 1 || month > 12 || day < 1 || day > daysInMonth(year, month) || hour > 23 ||
        minute > 59 || second > 59)
        return std::nullopt;
    const int64_t seconds = ((daysFromCivil(year, month, day) * 24 + hour) * 60 + minute) * 60 + second;
    return seconds * 1000 + fraction;
}

std::string formatUtcTime(int64_t ms) {
    int64_t days = ms / msPerDay;
    int64_t rest = ms % msPerDay;
    if (rest < 0) {
        rest += msPerDay;
        --days;
    }
    int64_t y;
    unsigned m, d;
    civilFromDays(days, y, m, d);
    const auto secondOfDay = static_cast<unsigned>(rest / 1000);
    const auto milli = static_cast<unsigned>(rest % 1000);
    char text[48];
    int n = std::snprintf(text, sizeof text, "%04lld-%02u-%02uT%02u:%02u:%02u", static_cast<long long>(y), m, d,
                          secondOfDay / 3600, secondOfDay / 60 % 60, secondOfDay % 60);
    if (milli) n += std::snprintf(text + n, sizeof text - static_cast<size_t>(n), ".%03u", milli);
    return std::string(text, static_cast<size_t>(n)) + "Z";
}

int64_t currentUtcMilliseconds() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

} // namespace host::sql
