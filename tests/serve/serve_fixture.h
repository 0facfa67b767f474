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

// The demo as the live snapshot, and a history recorded from a generated
// timeline: eight snapshots 30 s apart from 2026-12-10T08:00:00Z, the fourth
// (08:01:30) recorded with too little storage, so that its view failed with
// status 71.
class HistoryServeTest : public ServeTest {
public:
    static void SetUpTestSuite();
    static void TearDownTestSuite();
    static std::string timeline, history;

private:
    static void removeHistoryFiles();
};

// "DIR/snapshot-00003.db": the timeline's snapshot `n`, from 1.
std::string snapshotName(const std::string& dir, int n);

// "name{labels}" -> value, from an exposition; HELP and TYPE lines are
// checked to come before each family's samples.
std::map<std::string, double> parseMetrics(const std::string& text, std::string& problem);

nlohmann::json parseJson(const std::string& text);

} // namespace servetest
