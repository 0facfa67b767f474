// The statements the view module sends, formatted as it formats them, blank
// runs included.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "support/fixed_width.h"

namespace sqltest {

inline constexpr char plexHubFormat[] =
    "SELECT    INODESTS.NODE ,                                INODESTS.THRUNODE                    FROM      Q7SRV.INODESTS                       WHERE     INODESTS.AFFINITIES LIKE '%s*'             AND INODESTS.Q7ONLINE = 'Y';             ";
inline constexpr char thruNodeQuery[] =
    "SELECT    INODESTS.NODE ,                                    INODESTS.THRUNODE                        FROM      Q7SRV.INODESTS                           WHERE     SUBSTR(INODESTS.AFFINITIES,25,1) = \"2\"       AND INODESTS.Q7ONLINE = 'Y';                 ";
inline constexpr char mxcfsysFormat[] =
    "SELECT  MXCFSYS.SYS_NAME,              MXCFSYS.MON_INTVL,             MXCFSYS.OPR_INTVL,             MXCFSYS.STATUS,                MXCFSYS.MVSVERS,               MXCFSYS.ORIGINNODE,            MXCFSYS.ENQPLEX        FROM    VELDA.MXCFSYS          AT      (\"%s\")               ";
inline constexpr char detailPrefixFormat[] =
    " SELECT ENQ_RESRC.MAJOR_NAME,  ENQ_RESRC.MINOR_NAME,  ENQ_TASKS.STATUS,  ENQ_TASKS.JOBNAME,  ENQ_TASKS.SWAPPED,  ENQ_TASKS.TYPE,  ENQ_TASKS.ASID,  ENQ_TASKS.SYSNAME,  ENQ_TASKS.WAIT_TIME,  ENQ_TASKS.ENQPFLAG  FROM VELDA.ENQ_RESRC,  VELDA.ENQ_TASKS  AT (\"%s\")  WHERE ENQ_RESRC.RIB = ENQ_TASKS.RIB  AND  ( ";
inline constexpr char detailTail[] = " )  AND  SYSTEM.PARMA(\"REQ_TYPE\", \"GENQ\", 4) ;";

using zrxtest::field;

inline std::string format1(const char* format, const std::string& value) {
    std::vector<char> buf(std::string(format).size() + value.size() + 1);
    std::snprintf(buf.data(), buf.size(), format, value.c_str());
    return buf.data();
}

// The PlexHub query with the 8-character affinity prefix.
inline std::string plexHubQuery(const std::string& prefix = "10000000") {
    return format1(plexHubFormat, prefix);
}

// The MXCFSYS query routed AT a 32-byte thru-node name.
inline std::string mxcfsysQuery(const std::string& thruNode) {
    return format1(mxcfsysFormat, field(thruNode, 32));
}

// The MGLBLENQ summary query; with a WHERE clause when a major name is given.
inline std::string summaryQuery(const std::string& thruNode, const char* major = nullptr,
                                const std::string& minor = "") {
    static const char* const columns[] = {"MAJORNAME", "MINORNAME", "OWNTASKCT", "WAITTASKCT", "MAXWAITTM",
                                          "OWNINGAS", "WAITINGAS", "SYSNAME", "SWAPPED", "TYPE", "ASID",
                                          "WAITTIME", "REPORT", "ORIGINNODE", "ENQPFLAG"};
    std::string text = "SELECT    ";
    for (std::size_t i = 0; i < 15; ++i) {
        text += i < 14 ? field(std::string("MGLBLENQ.") + columns[i] + ",", 36)
                       : field(std::string("MGLBLENQ.") + columns[i], 26);
    }
    text += "FROM      VELDA.MGLBLENQ            ";
    text += format1("AT        (\"%s\")                  ", field(thruNode, 32));
    if (major) {
        text += std::string("WHERE MGLBLENQ.MAJORNAME = '") + major + "' AND MGLBLENQ.MINORNAME = '" + minor + "'";
    }
    return text + ";";
}

struct Resource {
    std::string major; // up to 8 characters
    std::string minor; // up to 255 characters
};

// One predicate of the detail statement: the major name in all 8 bytes, the
// minor name without its trailing blanks.
inline std::string detailPredicate(const Resource& r) {
    const std::string minor = zrxtest::trimmed(field(r.minor, 255));
    return "( ENQ_RESRC.MAJOR_NAME = '" + field(r.major, 8) + "' AND ENQ_RESRC.MINOR_NAME = '" + minor + "' ) ";
}

// The ENQ_RESRC/ENQ_TASKS detail statement for the resources, routed AT a
// 32-byte thru-node name.
inline std::string detailStatement(const std::string& thruNode, const std::vector<Resource>& resources) {
    std::string text = format1(detailPrefixFormat, field(thruNode, 32));
    for (std::size_t i = 0; i < resources.size(); ++i) {
        if (i) text += "OR ";
        text += detailPredicate(resources[i]);
    }
    return text + detailTail;
}

} // namespace sqltest
