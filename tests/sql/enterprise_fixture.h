// A small enterprise: one online PlexHub with two Systems, decoys of every
// kind around them (offline, other node, other prefix, other affinity).
#pragma once

#include <string>

#include "sql_fixture.h"

namespace sqltest {

inline const std::string hubAffinity = std::string("1").append(42, '0');
inline const std::string agentAffinity = std::string(24, '0') + "2" + std::string(18, '0');

class EnterpriseTest : public SqlTest {
protected:
    void SetUp() override {
        SqlTest::SetUp();
        load("INSERT INTO INODESTS VALUES"
             " ('PLXA:HUB', 'PLXA:THRU', '" + hubAffinity + "', 'Y'),"
             " ('SYSA:AGENT', 'SYSA:THRU', '" + agentAffinity + "', 'Y'),"
             " ('PLXB:HUB', 'PLXB:THRU', '" + hubAffinity + "', 'N'),"
             " ('HUBX', 'HUBX:THRU', '11" + std::string(41, '0') + "', 'Y'),"
             " ('SYSC:AGENT', 'SYSC:THRU', '" + std::string(24, '0') + "1" + std::string(18, '0') + "', 'Y'),"
             " ('SYSB:AGENT', 'SYSB:THRU', '" + agentAffinity + "', 'Y'),"
             " ('SYSD:AGENT', 'SYSD:THRU', '" + agentAffinity + "', 'N');"
             "INSERT INTO MXCFSYS VALUES"
             " ('PLXA:THRU', 'SYSA', 60, 15, 'ACTIVE', 'SP7.2.5', 'PLXA:HUB', 'EQA.MIMJOB'),"
             " ('PLXB:THRU', 'SYSX', 1, 2, 'ACTIVE', 'SP7.2.4', 'PLXB:HUB', 'EQB'),"
             " ('PLXA:THRU', 'SYSB', 30, -1, 'ACTIVE', NULL, 'PLXA:HUB', NULL);"
             "INSERT INTO MGLBLENQ VALUES"
             " ('PLXA:THRU', 'SYSDSN', 'PROD.LOAD', 1, 1, 900, 'JOBOWN', '', 'SYSA', 0, 0, 33, 0, 'YES', 'PLXA:HUB', 0),"
             " ('PLXB:THRU', 'SYSDSN', 'PROD.LOAD', 1, 0, 0, 'OTHER', '', 'SYSX', 0, 0, 1, 0, 'YES', 'PLXB:HUB', 0),"
             " ('PLXA:THRU', 'SYSDSN', 'PROD.LOAD', 1, 1, 900, '', 'JOBWAIT', 'SYSB', 1, 1, 290, 900, 'YES', 'PLXA:HUB', 128),"
             " ('PLXA:THRU', 'SPFEDIT', 'USER.CNTL', 0, 1, 5, '', 'EDITOR', 'SYSA', 0, 0, 7, 5, 'YES', 'PLXA:HUB', 0);"
             // Tasks of resource 2 stand before those of resource 1, and the
             // other node reuses the same RIBs.
             "INSERT INTO ENQ_RESRC VALUES"
             " ('SYSA:THRU', 1, 'SYSDSN', 'PROD.LOAD'),"
             " ('SYSB:THRU', 1, 'SYSDSN', 'PROD.LOAD'),"
             " ('SYSA:THRU', 2, 'SPFEDIT', 'USER.CNTL'),"
             " ('SYSA:THRU', 3, 'SYSIEFSD', 'Q4');"
             "INSERT INTO ENQ_TASKS VALUES"
             " ('SYSA:THRU', 2, 2, 'EDITOR', 0, 0, 7, 'SYSA', 5, 0),"
             " ('SYSA:THRU', 1, 1, 'JOBOWN', 0, 0, 33, 'SYSA', 0, 0),"
             " ('SYSB:THRU', 1, 1, 'FOREIGN', 0, 0, 44, 'SYSB', 0, 0),"
             " ('SYSA:THRU', 2, 1, 'TSOUSER', 1, 1, 258, 'SYSA', 0, 128),"
             " ('SYSA:THRU', 1, 2, 'JOBWAIT', 0, 0, 290, 'SYSA', 900, 0),"
             " ('SYSA:THRU', 3, 1, 'MASTER', 0, 0, 1, 'SYSA', 0, 0);");
    }
};

} // namespace sqltest
