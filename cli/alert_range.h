// A threshold in the range syntax of monitoring-system checks (the
// monitoring-plugins convention that Nagios, Icinga and Naemon share):
//   10      alert when the value is below 0 or above 10
//   10:     alert when below 10
//   ~:10    alert when above 10 (~ is minus infinity)
//   10:20   alert when outside 10..20
//   @10:20  alert when inside 10..20
// Every bound is inclusive: a value equal to a bound of the range never
// alerts, unless @ turns the range inside out.
#pragma once

#include <optional>
#include <string>

namespace cli {

class AlertRange {
public:
    // Null, with `error` set, for text that is not a range, or a range whose
    // start lies above its end.
    static std::optional<AlertRange> parse(const std::string& text, std::string& error);

    bool alerts(double value) const;
    // As given on the command line: performance data repeats it.
    const std::string& text() const { return text_; }

private:
    std::string text_;
    std::optional<double> low_;  // none: minus infinity
    std::optional<double> high_; // none: plus infinity
    bool inside_ = false;
};

} // namespace cli
