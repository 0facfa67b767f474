// The column list every output is driven from, and the one aligned-table
// writer both `query --format table` and `sql` print with.
#include <gtest/gtest.h>

#include <cstring>
#include <sstream>

#include "cli/aligned_table.h"
#include "cli/columns.h"

namespace {

using cli::columns;

TEST(ColumnList, IndexPlacesNameTheFourIndexColumns) {
    EXPECT_EQ(columns[cli::majornameColumn].name, "majorname");
    EXPECT_EQ(columns[cli::minornameColumn].name, "minorname");
    EXPECT_EQ(columns[cli::reportColumn].name, "report");
    EXPECT_EQ(columns[cli::enqplexColumn].name, "enqplex");
    size_t index = 0;
    for (size_t i = 0; i < columns.size(); ++i) index += cli::isIndexColumn(i) ? 1 : 0;
    EXPECT_EQ(index, 4u);
}

TEST(ColumnList, ReadsEachKindOfField) {
    zrx::MentrenqRow row{};
    std::memset(&row, ' ', sizeof row);
    std::memcpy(row.majorname, "SYSDSN", 6);
    row.asid = 71;
    row.swapped = static_cast<int8_t>(0x80);
    row.trueowner = 0x40;
    EXPECT_EQ(cli::columnValue(row, 0).text, "SYSDSN");
    EXPECT_FALSE(cli::columnValue(row, 0).numeric);
    const auto asid = cli::findColumn("ASID");
    ASSERT_TRUE(asid);
    EXPECT_EQ(cli::columnValue(row, *asid).number, 71);
    EXPECT_EQ(cli::columnValue(row, *cli::findColumn("Swapped")).number, 128);
    EXPECT_EQ(cli::columnValue(row, *cli::findColumn("trueowner")).number, 0x40);
    EXPECT_TRUE(cli::isNumericColumn(*asid));
    EXPECT_EQ(cli::viewColumnName(*asid), "ASID");
}

TEST(AlignedTable, PadsCutsTrailingBlanksAndRightAlignsOnlyBodyCells) {
    std::ostringstream out;
    cli::writeAlignedTable(out, {"name", "n", "last"}, {{"a", "7", ""}, {"long name", "123", "x"}},
                           {false, true, false});
    EXPECT_EQ(out.str(),
              "name       n    last\n"
              "---------  ---  ----\n"
              "a            7\n"
              "long name  123  x\n");
}

TEST(AlignedTable, ControlCharactersInAnyCellBecomeDots) {
    std::ostringstream out;
    cli::writeAlignedTable(out, {"a\tb"}, {{"x\ny\x1b"}, {"z\x7f"}});
    EXPECT_EQ(out.str(),
              "a.b\n"
              "----\n"
              "x.y.\n"
              "z.\n");
}

} // namespace
