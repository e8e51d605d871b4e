#include "host/db/decimal_round.h"

#include <gtest/gtest.h>

#include "embedded_account_fixture.h"

namespace q9 {
namespace {

TEST(DecimalRound, TiesGoAwayFromZeroOnTheDecimalDigits) {
    EXPECT_DOUBLE_EQ(RoundDecimal(1.005, 2), 1.01);
    EXPECT_DOUBLE_EQ(RoundDecimal(2.675, 2), 2.68);
    EXPECT_DOUBLE_EQ(RoundDecimal(-1.005, 2), -1.01);
    EXPECT_DOUBLE_EQ(RoundDecimal(0.125, 2), 0.13);
    EXPECT_DOUBLE_EQ(RoundDecimal(1.0049999999, 2), 1.0);
    EXPECT_DOUBLE_EQ(RoundDecimal(2.5, 0), 3.0);
    EXPECT_DOUBLE_EQ(RoundDecimal(-2.5, 0), -3.0);
    EXPECT_DOUBLE_EQ(RoundDecimal(1234.5, -1), 1230.0);
    EXPECT_DOUBLE_EQ(RoundDecimal(1235.0, -1), 1240.0);
    EXPECT_DOUBLE_EQ(RoundDecimal(449.0, -3), 0.0);
    EXPECT_DOUBLE_EQ(RoundDecimal(999.995, 2), 1000.0);
    EXPECT_DOUBLE_EQ(RoundDecimal(0.1 + 0.2, 10), 0.3);
    // 1170*100/116 = 1008.6206896...
    EXPECT_DOUBLE_EQ(RoundDecimal(1170.0 * 100 / 116, 2), 1008.62);
    EXPECT_DOUBLE_EQ(RoundDecimal(12.3456, 6), 12.3456);
    EXPECT_DOUBLE_EQ(RoundDecimal(2.679, 2, true), 2.67);
    EXPECT_EQ(RoundDecimalInteger(15, -1), 20);
    EXPECT_EQ(RoundDecimalInteger(-15, -1), -20);
    EXPECT_EQ(RoundDecimalInteger(14, -1), 10);
    EXPECT_EQ(RoundDecimalInteger(17, 2), 17);
}

TEST(DecimalRound, SqlRoundOverridesTheBuiltInWithNullsAndColumnDigits) {
    testing::EmbeddedAccount account;
    EXPECT_DOUBLE_EQ(account.Number("SELECT ROUND(1.005,2)"), 1.01);
    EXPECT_DOUBLE_EQ(account.Number("SELECT Round(2.675, 2)"), 2.68);
    EXPECT_DOUBLE_EQ(account.Number("SELECT round(-1.005,2)"), -1.01);
    EXPECT_DOUBLE_EQ(account.Number("SELECT ROUND(1+16.0, 0)"), 17.0);
    EXPECT_EQ(account.Scalar("SELECT ROUND(15, -1)"), Value(int64_t{20}));
    EXPECT_TRUE(account.Scalar("SELECT ROUND(NULL, 2)").IsNull());
    EXPECT_TRUE(account.Scalar("SELECT ROUND(1.5, NULL)").IsNull());
    // Digits from a column: material 2 keeps 4 price decimals.
    EXPECT_DOUBLE_EQ(account.Number("SELECT ROUND(12.345649, ti.FPriceDecimal) FROM "
                                    "t_ICItemMaterial ti WHERE ti.FItemID=2"),
                     12.3456);
    Error error;
    EXPECT_FALSE(account.engine().Query("SELECT ROUND(1.5)", &error));
    EXPECT_NE(error.description.find("round"), std::string::npos);
}

}  // namespace
}  // namespace q9
