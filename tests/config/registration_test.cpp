// System registration as discovery drives it: the ENQPLEX column, the
// rules of a usable configuration, their messages, levels and dumps.
#include <gtest/gtest.h>

#include <optional>

#include "config/system_registration.h"
#include "config/systems_by_name.h"
#include "discovery_fixture.h"

namespace configtest {
namespace {

class Registration : public Discovery {
protected:
    // One PlexHub PLXA (thru-node HUBA) reporting `members` in order.
    static EnterpriseBuilder onePlexHub(
        const std::vector<std::pair<std::string, std::optional<std::string>>>& members) {
        EnterpriseBuilder e;
        e.plexHub("PLXA:HUB", "HUBA");
        for (const auto& [sys, enqplex] : members) e.member("HUBA", sys, enqplex);
        return e;
    }

    size_t dumpHeaders() const {
        size_t n = 0;
        for (const auto& line : linesOf("logEnqplxs"))
            if (line.rfind("Enqplxs[", 0) == 0) ++n;
        return n;
    }

    std::vector<std::string> registrationLines() const { return linesOf("DoMxcfsysRow"); }

    static constexpr char abandon[] =
        "DoMxcfsysRow indicated the configuration error cited above; abandoning view\n";
};

TEST_F(Registration, EnqplexColumnGivesNameAndMimJob) {
    struct Case {
        std::optional<std::string> column;
        std::string name;
        std::string mimJob;
    };
    const Case cases[] = {
        {"EIGHTCHR", "EIGHTCHR", ""},
        {"EIGHTCHR.MIMJOB", "EIGHTCHR", "MIMJOB"},
        {".MIMJOB", "*DEFAULT", "MIMJOB"},
        {std::nullopt, "*DEFAULT", ""},
        {"", "*DEFAULT", ""},
        {"*DEFAULT", "*DEFAULT", ""},
        {"PLEX1 .MIMJOB", "PLEX1", ""},
        {"PLEX1.AB", "PLEX1", "AB"},
        {"PLEX1.MIMJOB12345", "PLEX1", "MIMJOB12"},
        {"PLEX1..", "PLEX1", "."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.column.value_or("(null)"));
        ASSERT_EQ(discover(onePlexHub({{"SYSA", c.column}}), "none"), 0);
        ASSERT_EQ(w->numEnqplexes, 1);
        const auto& p = entry(0);
        EXPECT_EQ(field(p.EnqpName), field(c.name, 8));
        EXPECT_EQ(field(p.SysEnqpNames[0]), field(c.name, 8));
        EXPECT_EQ(field(p.SysEnqpText[0]), field(c.column.value_or(""), 32));
        EXPECT_EQ(field(p.MIMJbNm[0]), field(c.mimJob, 8));
        EXPECT_EQ(p.EnqpFlags, c.mimJob.empty() ? 0 : zrx::mimManaged);
        EXPECT_TRUE(trace->records().empty());
    }
}

TEST_F(Registration, EnqplexNameLongerThanEightCharactersIsRejected) {
    for (const std::string column : {"NINECHARS", "TOOLONGNAME.MIMJOB"}) {
        ASSERT_EQ(discover(onePlexHub({{"SYSA", "PLEX1"}, {"SYSB", column}}), "none"), 1);
        EXPECT_EQ(registrationLines(),
                  std::vector<std::string>{"Configuration Error: System 'SYSB    ' ENQPLEX name exceeds 8 "
                                           "characters (\"" +
                                           field(column, 32) + "\")\n"});
        EXPECT_EQ(linesOf("FigConfig"), std::vector<std::string>{abandon});
        // Nothing registered, nothing dumped.
        EXPECT_EQ(w->numEnqplexes, 1);
        EXPECT_EQ(entry(0).numSys, 1);
        EXPECT_TRUE(linesOf("logEnqplxs").empty());
    }
}

TEST_F(Registration, OverlongEnqplexEndsDiscoveryEvenWithoutASystemName) {
    EnterpriseBuilder e;
    e.plexHub("PLXA:HUB", "HUBA").member("HUBA", "SYSA", "PLEX1").member("HUBA", std::nullopt, "NINECHARS");
    ASSERT_EQ(discover(e, "none"), 1);
    EXPECT_EQ(registrationLines(),
              std::vector<std::string>{"Configuration Error: System '        ' ENQPLEX name exceeds 8 "
                                       "characters (\"" +
                                       field("NINECHARS", 32) + "\")\n"});
    EXPECT_EQ(linesOf("FigConfig"), std::vector<std::string>{abandon});
    EXPECT_EQ(entry(0).numSys, 1);
}

TEST_F(Registration, NinthEnqplexExceedsTheLimit) {
    std::vector<std::pair<std::string, std::optional<std::string>>> members;
    for (int i = 1; i <= 9; ++i) members.push_back({"SYS" + std::to_string(i), "PLEX" + std::to_string(i)});
    ASSERT_EQ(discover(onePlexHub(members), "none"), 1);

    EXPECT_EQ(registrationLines(),
              std::vector<std::string>{
                  "Morvek architectural limit exceeded - more than 8 Enqplex names have been encountered\n"});
    EXPECT_EQ(linesOf("FigConfig"), std::vector<std::string>{abandon});
    EXPECT_EQ(w->numEnqplexes, 8);
    // Eight entries of one PlexHub and one System each: 11 lines apiece.
    EXPECT_EQ(linesOf("logEnqplxs").size(), 8u * 11u);
    EXPECT_EQ(field(entry(7).EnqpName), "PLEX8   ");
}

TEST_F(Registration, NinthPlexHubOfOneEnqplexExceedsTheLimit) {
    EnterpriseBuilder e;
    for (int i = 1; i <= 9; ++i) {
        const std::string n = std::to_string(i);
        e.plexHub("PLX" + n + ":HUB", "HUB" + n).member("HUB" + n, "SYS" + n, "PLEX1");
    }
    ASSERT_EQ(discover(e, "none"), 1);

    EXPECT_EQ(registrationLines(),
              std::vector<std::string>{"Morvek architectural limit exceeded - more than 8 PlexHub names have "
                                       "been encountered for Enqplex PLEX1   \n"});
    EXPECT_EQ(entry(0).numPHs, 8);
    EXPECT_EQ(entry(0).numSys, 8);
    EXPECT_EQ(field(entry(0).PHNames[7]), "PLX8    ");
    // The full entry (2 + 1 + 1 + 8 + 1 + 24 + 2) and seven unused ones.
    EXPECT_EQ(linesOf("logEnqplxs").size(), 39u + 7u * 4u);
}

TEST_F(Registration, SixtyFifthSystemOfOneEnqplexExceedsTheLimit) {
    std::vector<std::pair<std::string, std::optional<std::string>>> members;
    for (int i = 0; i < 65; ++i) members.push_back({std::string("S").append(std::to_string(100 + i)), "PLEX1"});
    ASSERT_EQ(discover(onePlexHub(members), "none"), 1);

    EXPECT_EQ(registrationLines(),
              std::vector<std::string>{"Morvek architectural limit exceeded - more than 64 System names have "
                                       "been encountered for Enqplex PLEX1   \n"});
    EXPECT_EQ(entry(0).numSys, 64);
    EXPECT_EQ(field(entry(0).SysNames[63]), "S163    ");
    EXPECT_EQ(linesOf("logEnqplxs").size(), (2u + 1u + 1u + 1u + 1u + 64u * 3u + 2u) + 7u * 4u);
}

TEST_F(Registration, SystemTwiceInOneEnqplexOccursMultipleTimes) {
    // Reported twice by one PlexHub, and by two PlexHubs under one name.
    EnterpriseBuilder samePlexHub = onePlexHub({{"SYSA", "PLEX1"}, {"SYSB", "PLEX1"}, {"SYSA", "PLEX1"}});
    EnterpriseBuilder twoPlexHubs;
    twoPlexHubs.plexHub("PLXA:HUB", "HUBA")
        .plexHub("PLXB:HUB", "HUBB")
        .member("HUBA", "SYSA", "PLEX1")
        .member("HUBB", "SYSB", "PLEX1")
        .member("HUBB", "SYSA", "PLEX1.MIMJOB");
    for (const auto* e : {&samePlexHub, &twoPlexHubs}) {
        ASSERT_EQ(discover(*e, "none"), 1);
        EXPECT_EQ(registrationLines(),
                  std::vector<std::string>{"Configuration Error: System SYSA     occurs multiple times\n"});
        EXPECT_EQ(linesOf("FigConfig"), std::vector<std::string>{abandon});
        EXPECT_EQ(entry(0).numSys, 2);
        EXPECT_EQ(dumpHeaders(), 8u);
    }
}

TEST_F(Registration, SystemInTwoEnqplexesListsThemInEntryOrder) {
    struct Case {
        std::string first;
        std::string second;
        std::string list;
    };
    const Case cases[] = {
        {"NAME1", "NAME2", "NAME1,    NAME2 "},
        {"EIGHTCHR", "NAME2", "EIGHTCHR, NAME2 "},
        {"NAME1", "EIGHTCHR", "NAME1,    EIGHTCHR "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.list);
        // SYSA meets the second Enqplex first; the list still follows the
        // entries, in which the first name was met first.
        EnterpriseBuilder e;
        e.plexHub("PLXA:HUB", "HUBA")
            .plexHub("PLXB:HUB", "HUBB")
            .member("HUBA", "SYSX", c.first)
            .member("HUBA", "SYSA", c.second)
            .member("HUBB", "SYSA", c.first);
        ASSERT_EQ(discover(e, "none"), 1);
        EXPECT_EQ(registrationLines(),
                  std::vector<std::string>{"Configuration Error: System SYSA     occurs in more than one "
                                           "Enqplex.  The Enqplexes are: " +
                                           c.list + "\n"});
        EXPECT_EQ(linesOf("FigConfig"), std::vector<std::string>{abandon});
        // The System stays appended where it was placed.
        EXPECT_EQ(entry(0).numSys, 2);
        EXPECT_EQ(dumpHeaders(), 8u);
    }
}

TEST_F(Registration, MissingMimJobAfterAMimManagedFirstSystemIsAnErrorTraceOnly) {
    const auto e = onePlexHub({{"SYSA", "PLEXM.MIMJOB1"}, {"SYSB", "PLEXM"}});
    const std::string message =
        "Configuration Error: System SYSB     (in Enqplex PLEXM   ) specifies Enqueue management "
        "inconsistent with other Systems in this Enqplex.";

    ASSERT_EQ(discover(e, "error"), 1);
    EXPECT_EQ(registrationLines(), std::vector<std::string>{message});
    EXPECT_EQ(linesOf("FigConfig"), std::vector<std::string>{abandon});
    EXPECT_TRUE(linesOf("logEnqplxs").empty());
    EXPECT_EQ(entry(0).numSys, 2);
    EXPECT_EQ(entry(0).EnqpFlags, zrx::mimManaged);

    ASSERT_EQ(discover(e, "none"), 1);
    EXPECT_TRUE(registrationLines().empty());
    EXPECT_EQ(linesOf("FigConfig"), std::vector<std::string>{abandon});
}

TEST_F(Registration, DetailLinesFollowEachStepOfRegistration) {
    ASSERT_EQ(discover(onePlexHub({{"SYSA", "PLEX1"}, {"SYSB", "PLEX1"}}), "DoMxcfsysRow:detail"), 0);
    const std::vector<std::string> expected = {
        "Looking for Enqplxs entry for Enqplex PLEX1   \n",
        "Slot 0 is available\n",
        "Wanting to add info for PlexHub PLXA     to Enqplxs\n",
        "Looking at Enqplxs[0] PHNames[0]: \" \"\n",
        "Wanting to add info for System SYSA     to Enqplxs\n",
        "Looking for duplicate system name in Enqplxs[0]\n",
        "Looking at system entry 0\n",
        "Looking for Enqplxs entry for Enqplex PLEX1   \n",
        "Slot 0 is already assigned to the enqplex we're looking for\n",
        "Wanting to add info for PlexHub PLXA     to Enqplxs\n",
        "Looking at Enqplxs[0] PHNames[0]: \"PLXA    \"\n",
        "Wanting to add info for System SYSB     to Enqplxs\n",
        "Looking for duplicate system name in Enqplxs[0]\n",
        "Looking at system entry 0\n",
        "Looking at system entry 1\n",
    };
    EXPECT_EQ(registrationLines(), expected);
    // The entry found is dumped for each row, as it stood before the row.
    const auto dump = linesOf("logEnqplxs");
    ASSERT_EQ(dump.size(), 7u + 11u);
    EXPECT_EQ(dump[2], "Enqplxs[0]: Enqplex Name:  PLEX1     SOR1st:        0  (0 PHs, 0 Sys)");
    EXPECT_EQ(dump[9], "Enqplxs[0]: Enqplex Name:  PLEX1     SOR1st:        0  (1 PHs, 1 Sys)");
}

TEST_F(Registration, BlankPlexHubNameIsPassedOver) {
    open(EnterpriseBuilder{}, "error");
    std::memcpy(w->pxsmRow.sysname, "SYSA    ", 8);
    std::memcpy(w->pxsmRow.enqplex, field("PLEX1", 32).data(), 32);
    std::memcpy(w->inodeRow.node, field(":HUB", 32).data(), 32);
    std::memset(zrx::curNode(w), ' ', 8);
    EXPECT_EQ(zrx::DoMxcfsysRow(w), 0);
    EXPECT_EQ(w->numEnqplexes, 0);
    EXPECT_EQ(registrationLines(),
              std::vector<std::string>{"System SYSA     passed over: its PlexHub node \"" + field(":HUB", 32) +
                                       "\" has no name before \":\""});
}

// A row handed in after discovery, with the Systems by name kept beside the
// table or without them, meets every System the table holds.
TEST_F(Registration, ALaterRowIsCheckedAgainstTheWholeTable) {
    EnterpriseBuilder e;
    e.plexHub("PLXA:HUB", "HUBA").member("HUBA", "SYSA", "PLEX1").member("HUBA", "SYSB", "PLEX2");
    for (const bool indexed : {false, true}) {
        SCOPED_TRACE(indexed);
        ASSERT_EQ(discover(e, "error"), 0);
        std::optional<zrx::SystemsByName> registered;
        if (indexed) registered.emplace(w);
        auto row = [&](const char* sys, const char* enqplex) {
            std::memcpy(w->pxsmRow.sysname, field(sys, 8).data(), 8);
            std::memcpy(w->pxsmRow.enqplex, field(enqplex, 32).data(), 32);
            return zrx::DoMxcfsysRow(w, registered ? &*registered : nullptr);
        };
        EXPECT_EQ(row("SYSC", "PLEX1"), 0);
        EXPECT_EQ(row("SYSD", "PLEX2"), 0);
        EXPECT_EQ(row("SYSC", "PLEX2"), 1);
        EXPECT_EQ(registrationLines().back(),
                  "Configuration Error: System SYSC     occurs in more than one Enqplex.  The Enqplexes are: "
                  "PLEX1,    PLEX2 \n");
        EXPECT_EQ(entry(0).numSys, 2);
        EXPECT_EQ(entry(1).numSys, 3);
    }
}

} // namespace
} // namespace configtest
