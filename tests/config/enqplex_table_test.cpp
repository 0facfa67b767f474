// The Enqplex table: preparing an entry and its dump to the trace.
#include <gtest/gtest.h>

#include <cstdio>

#include "config/enqplex_table.h"
#include "frame/trace.h"
#include "discovery_fixture.h"

namespace configtest {
namespace {

class EnqplexTable : public Discovery {};

const std::string separator(70, '-');

std::string hex8(const void* p) {
    char text[16];
    std::snprintf(text, sizeof text, "%8X", zrx::addr32(p));
    return text;
}

TEST_F(EnqplexTable, InitEnqplxsIWritesOnlyCountsFlagsListAndFirstBytes) {
    open(EnterpriseBuilder{});
    std::memset(w->Enqplxs, 0x5A, sizeof w->Enqplxs);
    auto expected = std::make_unique<zrx::workA>();
    std::memcpy(expected.get(), w, sizeof *w);
    auto& e = expected->Enqplxs[5];
    e.EnqpFlags = 0;
    e.numPHs = 0;
    e.numSys = 0;
    e.SOR1st = nullptr;
    for (auto& name : e.PHNames) name[0] = ' ';
    for (auto& name : e.SysNames) name[0] = ' ';

    zrx::InitEnqplxsI(5, w);
    EXPECT_EQ(std::memcmp(expected.get(), w, sizeof *w), 0);
    EXPECT_EQ(trace->events(), (std::vector<std::string>{"> InitEnqplxsI", "< InitEnqplxsI"}));
    EXPECT_TRUE(trace->lines().empty());
}

TEST_F(EnqplexTable, UnusedEntryDumpsHeaderBetweenSeparatorsOnly) {
    open(EnterpriseBuilder{}, "none");
    auto& e = w->Enqplxs[2];
    e.EnqpName[0] = ' ';
    e.SOR1st = reinterpret_cast<zrx::SORow*>(w);
    e.numPHs = 3;
    e.numSys = 5;
    zrx::logEnqplxs(w, 2);
    EXPECT_EQ(linesOf("logEnqplxs"),
              (std::vector<std::string>{separator, separator,
                                        "Enqplxs[2]: Enqplex Name:  (unused)  SOR1st: " + hex8(w) +
                                            "  (3 PHs, 5 Sys)",
                                        separator}));
}

TEST_F(EnqplexTable, EntryWithTwoPlexHubsAndThreeSystemsDumpsEighteenLines) {
    EnterpriseBuilder enterprise;
    enterprise.plexHub("PLXA:HUB", "HUBA")
        .plexHub("PLXB:HUB", "HUBB")
        .member("HUBA", "SYSA", "PLEX1")
        .member("HUBA", "SYS2", "PLEX1")
        .member("HUBB", "SYSC", "PLEX1")
        .agent("SYSA:AGENT", "TEMSA")
        .agent("SYS2:AGENT", "TEMS2");
    ASSERT_EQ(discover(enterprise, "none"), 0);
    trace->clear();
    zrx::logEnqplxs(w, 0);

    auto plexHub = [](int k, const std::string& name, const std::string& node, const std::string& thru) {
        return "  PlexHub[" + std::to_string(k) + "] Name: " + field(name, 8) + "  Node: " + field(node, 32) +
               blanks(45) + "ThruNode: " + field(thru, 32);
    };
    auto system = [](int l, const std::string& name, const std::string& thru) {
        return "  System[" + std::to_string(l) + "] Name: " + field(name, 8) + "  ThruNode: " + thru;
    };
    const std::string plexHubLine = blanks(32) + "PlexHub: ";
    const std::string mimLine = blanks(32) + "MIMJbNm: " + blanks(8);
    const std::vector<std::string> expected = {
        separator,
        separator,
        // A five-letter name keeps its three trailing blanks.
        "Enqplxs[0]: Enqplex Name:  PLEX1     SOR1st:        0  (2 PHs, 3 Sys)",
        separator,
        plexHub(0, "PLXA", "PLXA:HUB", "HUBA"),
        plexHub(1, "PLXB", "PLXB:HUB", "HUBB"),
        separator,
        system(0, "SYSA", field("TEMSA", 32)),
        plexHubLine + "PLXA      ENQPLEX:  PLEX1   ",
        mimLine,
        system(1, "SYS2", field("TEMS2", 32)),
        plexHubLine + "PLXA      ENQPLEX:  PLEX1   ",
        mimLine,
        system(2, "SYSC", std::string(32, '?')),
        plexHubLine + "PLXB      ENQPLEX:  PLEX1   ",
        mimLine,
        separator,
        separator,
    };
    EXPECT_EQ(linesOf("logEnqplxs"), expected);
}

TEST_F(EnqplexTable, DumpShowsTheMimJobNameOverItsFullWidth) {
    ASSERT_EQ(discover(EnterpriseBuilder{}.plexHub("PLXA:HUB", "HUBA").member("HUBA", "SYSA", ".MIMJ"),
                       "none"),
              0);
    trace->clear();
    zrx::logEnqplxs(w, 0);
    const auto lines = linesOf("logEnqplxs");
    ASSERT_EQ(lines.size(), 11u);
    EXPECT_EQ(lines[2], "Enqplxs[0]: Enqplex Name:  *DEFAULT  SOR1st:        0  (1 PHs, 1 Sys)");
    EXPECT_EQ(lines[7], blanks(32) + "PlexHub: PLXA      ENQPLEX:  *DEFAULT");
    EXPECT_EQ(lines[8], blanks(32) + "MIMJbNm: MIMJ    ");
}

} // namespace
} // namespace configtest
