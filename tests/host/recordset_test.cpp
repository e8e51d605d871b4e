#include "host/recordset.h"

#include <gtest/gtest.h>

#include "host/error.h"

namespace q9 {
namespace {

Recordset Profile() {
    return Recordset({"FKey", "FValue"}, {{Value("BillDisCount"), Value(int64_t{1})},
                                          {Value("DisCountIncludeTax"), Value(int64_t{1})},
                                          {Value("billdiscount"), Value(int64_t{1})}});
}

TEST(Recordset, WalksForwardAndKnowsItsPosition) {
    Recordset rs = Profile();
    EXPECT_EQ(rs.RecordCount(), 3);
    EXPECT_EQ(rs.AbsolutePosition(), 1);
    rs.MoveNext();
    EXPECT_EQ(rs.AbsolutePosition(), 2);
    EXPECT_EQ(rs.Field("FKey").AsText(), "DisCountIncludeTax");
    rs.MoveNext();
    rs.MoveNext();
    EXPECT_TRUE(rs.Eof());
    EXPECT_EQ(rs.AbsolutePosition(), -3);
    EXPECT_THROW(rs.Field("FKey"), HostError);
    EXPECT_THROW(rs.MoveNext(), HostError);
}

TEST(Recordset, FilterComparesTextWithoutCaseAndCanBeRemoved) {
    Recordset rs = Profile();
    rs.SetFilter("FKey='BillDisCount'");
    EXPECT_EQ(rs.RecordCount(), 2);
    rs.SetFilter("FKey='DisCountIncludeTax'");
    EXPECT_EQ(rs.RecordCount(), 1);
    rs.SetFilter("FKey='nothing'");
    EXPECT_EQ(rs.RecordCount(), 0);
    EXPECT_TRUE(rs.Eof());
    rs.SetFilter("");
    EXPECT_EQ(rs.RecordCount(), 3);
}

TEST(Recordset, FieldOfADuplicatedNameIsTheFirst) {
    Recordset rs({"FAmount", "FTaxRate", "FAmount"}, {{Value(100.0), Value(17.0), Value(50.0)}});
    EXPECT_EQ(rs.Field("FAmount").AsFloating(), 100.0);
    EXPECT_EQ(rs.Field("famount").AsFloating(), 100.0);
    EXPECT_EQ(rs.FieldAt(2).AsFloating(), 50.0);
    EXPECT_THROW(rs.Field("FMissing"), HostError);
}

TEST(Recordset, ShortRowsArePaddedWithNulls) {
    Recordset rs({"F1", "F2"}, {{Value("a")}});
    EXPECT_TRUE(rs.Field("F2").IsNull());
}

}  // namespace
}  // namespace q9
