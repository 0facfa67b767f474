// Bytes become the ENQPLEX column of the Systems that two PlexHubs report:
// the column decides each System's Enqplex and MIM job at registration.
#include <string>

#include "enterprise_bytes.h"
#include "fuzz_world.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::Bytes in(data, size);
    std::string sql =
        "INSERT INTO INODESTS VALUES('PLXA:PLEXHUB','T_PLXA','1000000000000000000000000000000000000000000','Y');"
        "INSERT INTO INODESTS VALUES('PLXB:PLEXHUB','T_PLXB','1000000000000000000000000000000000000000000','Y');";
    for (int s = 1; s <= 4; ++s) {
        const std::string sys = "SYS" + std::to_string(s);
        sql += "INSERT INTO INODESTS VALUES('" + sys + ":AGENT','T_" + sys +
               "','0000000000000000000000002000000000000000000','Y');";
        // Up to 40 bytes: the column is 32 wide, and longer values must not
        // reach past it.
        const std::string column = in.raw(40);
        sql += "INSERT INTO MXCFSYS VALUES('" + std::string(s <= 2 ? "T_PLXA" : "T_PLXB") + "','" + sys +
               "',60,15,'ACTIVE','SP7','X'," + fuzz::blob(column) + ");";
        sql += "INSERT INTO MGLBLENQ VALUES('" + std::string(s <= 2 ? "T_PLXA" : "T_PLXB") +
               "','SYSDSN','PAY.MASTER',0,0,0,'','WAIT" + std::to_string(s) + "','" + sys +
               "',0,0,32,10,'YES','X',0);";
        sql += "INSERT INTO ENQ_RESRC VALUES('T_" + sys + "',1,'SYSDSN','PAY.MASTER');";
        sql += "INSERT INTO ENQ_TASKS VALUES('T_" + sys + "',1," + (s == 4 ? "1,'OWNER'" : "2,'WAIT" + std::to_string(s) + "'") +
               ",0,0,32,'" + sys + "',10,0);";
    }
    fuzz::World& world = fuzz::World::instance();
    world.load(sql);
    world.run({host::Predicate::report()});
    return 0;
}
