#include "host/value.h"

#include <gtest/gtest.h>

#include <limits>

#include "host/error.h"

namespace q9 {
namespace {

TEST(Val, ReadsTheLeadingNumberAndIgnoresBlanksTabsAndLineFeedsAnywhere) {
    EXPECT_EQ(Val("17"), 17);
    EXPECT_EQ(Val("17.0"), 17);
    EXPECT_EQ(Val("  17"), 17);
    EXPECT_EQ(Val("1 7"), 17);
    EXPECT_EQ(Val("\t1\n7"), 17);
    EXPECT_EQ(Val("17%"), 17);
    EXPECT_EQ(Val("17.5"), 17.5);
    EXPECT_EQ(Val("0.17"), 0.17);
    EXPECT_EQ(Val("-11"), -11);
    EXPECT_EQ(Val("+11"), 11);
    EXPECT_EQ(Val(".5"), 0.5);
}

TEST(Val, StopsAtTheFirstCharacterThatDoesNotFit) {
    EXPECT_EQ(Val("1.2.3"), 1.2);
    EXPECT_EQ(Val("12abc"), 12);
    EXPECT_EQ(Val("--1"), 0);
    EXPECT_EQ(Val("1\r7"), 1);  // only blanks, tabs and line feeds are skipped
}

TEST(Val, GivesZeroWithoutALeadingNumber) {
    EXPECT_EQ(Val(""), 0);
    EXPECT_EQ(Val("abc"), 0);
    EXPECT_EQ(Val("."), 0);
    EXPECT_EQ(Val("-"), 0);
    EXPECT_EQ(Val("税率17"), 0);
}

TEST(Val, ReadsExponentsWrittenWithEOrD) {
    EXPECT_EQ(Val("1.7E1"), 17);
    EXPECT_EQ(Val("1.7d1"), 17);
    EXPECT_EQ(Val("170E-1"), 17);
    EXPECT_EQ(Val("17E"), 17);  // an exponent without digits is not read
    EXPECT_EQ(Val("17E+"), 17);
    EXPECT_EQ(Val("1e308"), 1e308);
}

TEST(Val, ReadsHexadecimalAndOctalPrefixes) {
    EXPECT_EQ(Val("&H11"), 17);
    EXPECT_EQ(Val("&h1f"), 31);
    EXPECT_EQ(Val("&O21"), 17);
    EXPECT_EQ(Val("&HFFFF"), -1);  // four hex digits are a 16-bit integer
    EXPECT_EQ(Val("&H10000"), 65536);
    EXPECT_EQ(Val("&HFFFFFFFF"), -1);
    EXPECT_EQ(Val("&O8"), 0);
    EXPECT_EQ(Val("&X1"), 0);
}

TEST(ToInt32, RoundsHalfToEven) {
    EXPECT_EQ(ToInt32(Value(0.5)), 0);
    EXPECT_EQ(ToInt32(Value(1.5)), 2);
    EXPECT_EQ(ToInt32(Value(2.5)), 2);
    EXPECT_EQ(ToInt32(Value(-2.5)), -2);
    EXPECT_EQ(ToInt32(Value(2.6)), 3);
    EXPECT_EQ(ToInt32(Value(1205.0)), 1205);
    EXPECT_EQ(ToInt32(Value("1205")), 1205);
    EXPECT_EQ(ToInt32(Value(" 1205.0 ")), 1205);
    EXPECT_EQ(ToInt32(Value(int64_t{42})), 42);
}

TEST(ToInt32, AcceptsTheWholeRangeAndNothingBeyond) {
    EXPECT_EQ(ToInt32(Value(2147483647.0)), std::numeric_limits<int32_t>::max());
    EXPECT_EQ(ToInt32(Value(-2147483648.0)), std::numeric_limits<int32_t>::min());
    EXPECT_EQ(ToInt32(Value(2147483647.4)), std::numeric_limits<int32_t>::max());
    EXPECT_THROW(ToInt32(Value(2147483647.5)), HostError);
    EXPECT_THROW(ToInt32(Value(int64_t{2147483648})), HostError);
    EXPECT_THROW(ToInt32(Value("1e10")), HostError);
    EXPECT_THROW(ToInt32(Value(std::numeric_limits<double>::quiet_NaN())), HostError);
}

TEST(ToInt32, RefusesWhatIsNotANumberWithTheRightErrorNumber) {
    auto numberOf = [](const Value& v) {
        try {
            ToInt32(v);
        } catch (const HostError& e) {
            return e.error().number;
        }
        return 0;
    };
    EXPECT_EQ(numberOf(Value::Null()), error_number::kInvalidUseOfNull);
    EXPECT_EQ(numberOf(Value("")), error_number::kTypeMismatch);
    EXPECT_EQ(numberOf(Value("1) OR (1=1")), error_number::kTypeMismatch);
    EXPECT_EQ(numberOf(Value("12abc")), error_number::kTypeMismatch);
    EXPECT_EQ(numberOf(Value("nan")), error_number::kTypeMismatch);
    EXPECT_EQ(numberOf(Value("inf")), error_number::kTypeMismatch);
    EXPECT_EQ(numberOf(Value(3e9)), error_number::kOverflow);
}

TEST(ToText, WritesNumbersInTheStandardForm) {
    EXPECT_EQ(ToText(Value(1205.0)), "1205");
    EXPECT_EQ(ToText(Value(0.1 + 0.2)), "0.3");
    EXPECT_EQ(ToText(Value(17.5)), "17.5");
    EXPECT_EQ(ToText(Value(-0.0)), "0");
    EXPECT_EQ(ToText(Value(int64_t{-3})), "-3");
    EXPECT_EQ(ToText(Value(1234567.891)), "1234567.891");
    EXPECT_EQ(ToText(Value(123456789012345.0)), "123456789012345");
    EXPECT_EQ(ToText(Value(1e15)), "1E+15");
    EXPECT_EQ(ToText(Value(1e20)), "1E+20");
    EXPECT_EQ(ToText(Value(0.0001)), "0.0001");
    EXPECT_EQ(ToText(Value(0.00001)), "1E-05");
    EXPECT_EQ(ToText(Value(2.0 / 3.0)), "0.666666666666667");
    EXPECT_EQ(ToText(Value("CG001")), "CG001");
}

TEST(ToText, RefusesANullButTextOrEmptyAcceptsIt) {
    EXPECT_THROW(ToText(Value::Null()), HostError);
    EXPECT_EQ(TextOrEmpty(Value::Null()), "");
    EXPECT_EQ(TextOrEmpty(Value(3.0)), "3");
}

TEST(ParseNumericText, AcceptsOnlyWholeNumbers) {
    double v = 0;
    EXPECT_TRUE(ParseNumericText("17", &v));
    EXPECT_EQ(v, 17);
    EXPECT_TRUE(ParseNumericText("-0.5", &v));
    EXPECT_EQ(v, -0.5);
    EXPECT_TRUE(ParseNumericText("1E3", &v));
    EXPECT_EQ(v, 1000);
    EXPECT_FALSE(ParseNumericText("17%", &v));
    EXPECT_FALSE(ParseNumericText("", &v));
    EXPECT_FALSE(ParseNumericText("   ", &v));
    EXPECT_FALSE(ParseNumericText("1,205", &v));
    EXPECT_FALSE(ParseNumericText("0x10", &v));
}

}  // namespace
}  // namespace q9
