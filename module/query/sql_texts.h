// The SQL texts the module sends, character for character: the blank runs
// are part of the data server's formats.
#pragma once

namespace zrx::sqltext {

// INODESTS: the online PlexHubs; "%s" takes the affinity prefix.
inline constexpr char plexHubQuery[] =
    "SELECT    INODESTS.NODE ,                                INODESTS.THRUNODE                    FROM      Q7SRV.INODESTS                       WHERE     INODESTS.AFFINITIES LIKE '%s*'             AND INODESTS.Q7ONLINE = 'Y';             ";

// INODESTS: the agent nodes of the Systems with their thru-nodes.
inline constexpr char thruNodeQuery[] =
    "SELECT    INODESTS.NODE ,                                    INODESTS.THRUNODE                        FROM      Q7SRV.INODESTS                           WHERE     SUBSTR(INODESTS.AFFINITIES,25,1) = \"2\"       AND INODESTS.Q7ONLINE = 'Y';                 ";

// MXCFSYS at a PlexHub; "%s" takes the PlexHub's thru-node.
inline constexpr char mxcfsysQuery[] =
    "SELECT  MXCFSYS.SYS_NAME,              MXCFSYS.MON_INTVL,             MXCFSYS.OPR_INTVL,             MXCFSYS.STATUS,                MXCFSYS.MVSVERS,               MXCFSYS.ORIGINNODE,            MXCFSYS.ENQPLEX        FROM    VELDA.MXCFSYS          AT      (\"%s\")               ";

// MGLBLENQ summary query: select list, table and AT clause format.
inline constexpr char mglblenqSelect[] =
    "SELECT    MGLBLENQ.MAJORNAME,                 MGLBLENQ.MINORNAME,                 MGLBLENQ.OWNTASKCT,                 MGLBLENQ.WAITTASKCT,                MGLBLENQ.MAXWAITTM,                 MGLBLENQ.OWNINGAS,                  MGLBLENQ.WAITINGAS,                 MGLBLENQ.SYSNAME,                   MGLBLENQ.SWAPPED,                   MGLBLENQ.TYPE,                      MGLBLENQ.ASID,                      MGLBLENQ.WAITTIME,                  MGLBLENQ.REPORT,                    MGLBLENQ.ORIGINNODE,                MGLBLENQ.ENQPFLAG         ";
inline constexpr char mglblenqFrom[] = "FROM      VELDA.MGLBLENQ            ";
inline constexpr char mglblenqAt[] = "AT        (\"%s\")                  ";

// ENQ_RESRC/ENQ_TASKS detail statement: prefix ("%s" takes the System's
// thru-node), predicate pieces and tail.
inline constexpr char detailPrefix[] =
    " SELECT ENQ_RESRC.MAJOR_NAME,  ENQ_RESRC.MINOR_NAME,  ENQ_TASKS.STATUS,  ENQ_TASKS.JOBNAME,  ENQ_TASKS.SWAPPED,  ENQ_TASKS.TYPE,  ENQ_TASKS.ASID,  ENQ_TASKS.SYSNAME,  ENQ_TASKS.WAIT_TIME,  ENQ_TASKS.ENQPFLAG  FROM VELDA.ENQ_RESRC,  VELDA.ENQ_TASKS  AT (\"%s\")  WHERE ENQ_RESRC.RIB = ENQ_TASKS.RIB  AND  ( ";
inline constexpr char detailMajor[] = " ENQ_RESRC.MAJOR_NAME = '";
inline constexpr char detailAnd[] = "' AND";
inline constexpr char detailMinor[] = " ENQ_RESRC.MINOR_NAME = '";
inline constexpr char detailClose[] = "' ) ";
inline constexpr char detailOr[] = "OR ";
inline constexpr char detailTail[] = " )  AND  SYSTEM.PARMA(\"REQ_TYPE\", \"GENQ\", 4) ;";

static_assert(sizeof plexHubQuery - 1 == 235);
static_assert(sizeof thruNodeQuery - 1 == 253);
static_assert(sizeof mxcfsysQuery - 1 == 277);
static_assert(sizeof mglblenqSelect - 1 == 540);
static_assert(sizeof mglblenqFrom - 1 == 36);
static_assert(sizeof mglblenqAt - 1 == 34);
static_assert(sizeof detailPrefix - 1 == 304);
static_assert(sizeof detailTail - 1 == 46);

} // namespace zrx::sqltext
