#include "journal/sql_literal.h"

#include <gtest/gtest.h>

#include "../host/db/embedded_account_fixture.h"

namespace q9 {
namespace {

TEST(SqlLiteral, ValuesComeBackFromTheDatabaseExactly) {
    const struct {
        Value value;
        const char* literal;
        const char* shown;
    } cases[] = {
        {Value(), "NULL", ""},
        {Value(int64_t{17}), "17", "17"},
        {Value(-3), "-3", "-3"},
        {Value(16.0), "16", "16"},
        {Value(0.1), "0.1", "0.1"},
        {Value(22550.9201), "22550.9201", "22550.9201"},
        {Value(0.30000000000000004), "0.30000000000000004", "0.30000000000000004"},
        {Value(0.00005), "0.00005", "0.00005"},
        {Value(-0.0), "0", "0"},
        {Value("16"), "N'16'", "16"},
        {Value("O'Brien's"), "N'O''Brien''s'", "O'Brien's"},
        {Value("税率"), "N'税率'", "税率"},
    };
    testing::EmbeddedAccount account;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.literal);
        EXPECT_EQ(SqlLiteral(c.value), c.literal);
        EXPECT_TRUE(IsSqlLiteral(c.literal));
        EXPECT_EQ(LiteralDisplay(c.literal), c.shown);
        const Value back = account.Scalar(std::string("SELECT ") + c.literal + " AS v");
        if (c.value.kind() == Value::Kind::Floating) {
            // Decimal literals may come back as their exact decimal text.
            double number = 0;
            if (back.IsText()) {
                ASSERT_TRUE(ParseNumericText(back.AsText(), &number)) << back.AsText();
            } else {
                number = back.NumberAsDouble();
            }
            EXPECT_EQ(number, c.value.AsFloating() + 0.0);
        } else {
            EXPECT_EQ(back, c.value);
        }
    }
}

TEST(SqlLiteral, OnlyWhatItWritesIsTakenBack) {
    for (const char* text : {"", "1;DROP TABLE POOrderEntry", "1 OR 1=1", "N'a'b'", "N'a", "'a'",
                             "1e5", "1.", ".5", "--1", "0x10", "NULL ", "N'a''", "16.0.1"}) {
        EXPECT_FALSE(IsSqlLiteral(text)) << text;
    }
}

}  // namespace
}  // namespace q9
