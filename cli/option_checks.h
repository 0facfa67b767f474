// What the command lines of every command check in an option's value, and
// how an option of one value is declared, so that each command refuses a
// bad value in the same words.
#pragma once

#include <string>
#include <vector>

#include <CLI/CLI.hpp>

namespace cli {

// An option given at most once: a second value is refused after parsing
// (givenTwice), so that a script that repeats it learns which one counts.
CLI::Option* single(CLI::Option* option);

// "must be a whole number from LOW to HIGH, not 'TEXT'".
CLI::Validator wholeNumber(long long low, long long high);

// "must be one of A, B, C, not 'TEXT'".
CLI::Validator oneOf(std::vector<std::string> names);

} // namespace cli
