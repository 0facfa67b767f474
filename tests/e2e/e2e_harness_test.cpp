// The address masking that makes traces comparable from run to run.
#include <gtest/gtest.h>

#include "e2e_harness.h"

namespace {

using e2e::maskAddresses;

TEST(AddressMasking, TheWholeFieldOfANonzeroAddressBecomesOneToken) {
    EXPECT_EQ(maskAddresses("Using SORow at 5A6B7C8D"), "Using SORow at <addr>");
    EXPECT_EQ(maskAddresses("Using SORow at  A6B7C8D"), "Using SORow at <addr>");
    EXPECT_EQ(maskAddresses("    DOR1st:" + std::string(13, ' ') + "B7C8D"), "    DOR1st:          <addr>");
    EXPECT_EQ(maskAddresses("NAEnqpI is 1, NASOR is 12345678, NADOR is        0"),
              "NAEnqpI is 1, NASOR is <addr>, NADOR is        0");
    EXPECT_EQ(maskAddresses("Obtained Sample storage at 0x7f12ab00 of size 64624."),
              "Obtained Sample storage at <addr> of size 64624.");
    EXPECT_EQ(maskAddresses("    reqhdl     =  1517050000000000D8A0CB6AFE550000 "),
              "    reqhdl     =  <handle> ");
}

TEST(AddressMasking, NumbersAndNamesElsewhereStay) {
    EXPECT_EQ(maskAddresses("numEnqplexes: 2"), "numEnqplexes: 2");
    EXPECT_EQ(maskAddresses("lenrem is 3451; SQL: AT (\"HUBA:CMS\")"),
              "lenrem is 3451; SQL: AT (\"HUBA:CMS\")");
    EXPECT_EQ(maskAddresses("    planCnt    =  01000000 "), "    planCnt    =  01000000 ");
    EXPECT_EQ(maskAddresses("Major: SYSDSN    Minor: DATA at BEEFY"), "Major: SYSDSN    Minor: DATA at BEEFY");
}

} // namespace
