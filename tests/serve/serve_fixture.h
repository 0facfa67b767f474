// The demo enterprise as a snapshot file, written once for the suite, and
// what tests read from the server's answers.
#pragma once

#include <map>
#include <string>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "server_process.h"

namespace servetest {

class ServeTest : public ::testing::Test {
public:
    static void SetUpTestSuite();
    static std::string demoDb;
};

// "name{labels}" -> value, from an exposition; HELP and TYPE lines are
// checked to come before each family's samples.
std::map<std::string, double> parseMetrics(const std::string& text, std::string& problem);

nlohmann::json parseJson(const std::string& text);

} // namespace servetest
