// Decimal expressions as the host server computes them, worked out by hand from "Precision,
// scale, and length (Transact-SQL)": every operation has the result type its operands give, the
// value is rounded half away from zero at that type's scale (cut back past 38 digits), and ROUND
// then rounds at its own place. The embedded engine must give each result exactly.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "embedded_account_fixture.h"
#include "host/db/sqlite_catalog.h"
#include "host/db/sqlite_handles.h"
#include "host/db/tsql_translator.h"

namespace q9 {
namespace {

using testing::EmbeddedAccount;

// Ln te: FP, FQ, FR DECIMAL(28,10); FS DECIMAL(5,2); FW DECIMAL(38,20); FN, FM INT.
// Hd t: FExchangeRate DECIMAL(28,10). Literals: 100 INT (DECIMAL(10,0) beside a decimal),
// 16.0 DECIMAL(3,1), 1.0 DECIMAL(2,1).
constexpr const char* kTables =
    "CREATE TABLE Ln(FID INT,FP DECIMAL(28,10),FQ DECIMAL(28,10),FR DECIMAL(28,10),"
    "FS DECIMAL(5,2),FW DECIMAL(38,20),FN INT,FM INT)\r\n"
    "CREATE TABLE Hd(FID INT,FExchangeRate DECIMAL(28,10))";

struct Row {
    const char* columns;
    const char* values;
};

struct Case {
    const char* expression;
    std::vector<Row> rows;
    const char* exchangeRate;
    const char* steps;  // operand types, intermediate types and values
    const char* type;
    const char* result;
};

const std::vector<Case>& Cases() {
    static const std::vector<Case> kCases = {
        {"ROUND(te.FP*(100+16.0)/100*t.FExchangeRate,4)",
         {{"FP", "2472.05"}},
         "7.8641",
         "100+16.0: (10,0)+(3,1) -> (12,1) 116.0; FP*: (28,10)*(12,1) p41 -> (38,8) 286757.8; "
         "/100: (38,8)/(10,0) p49 s19 -> (38,8) 2867.578; *rate: (38,8)*(28,10) p67 s18 -> "
         "(38,6) 22550.9201498 -> 22550.920150; ROUND 4: tie -> 22550.9202",
         "DECIMAL(38,6)",
         "22550.9202"},
        {"te.FP*(100+16.0)/100*t.FExchangeRate",
         {{"FP", "2472.05"}},
         "7.8641",
         "as above without ROUND: rounded at scale 6",
         "DECIMAL(38,6)",
         "22550.92015"},
        {"te.FN/te.FM", {{"FN,FM", "7,2"}}, "1", "INT/INT: integer division", "INT", "3"},
        {"te.FN/te.FM", {{"FN,FM", "-7,2"}}, "1", "INT/INT truncates toward zero", "INT", "-3"},
        {"te.FN%te.FM", {{"FN,FM", "-7,2"}}, "1", "INT%INT keeps the dividend's sign", "INT", "-1"},
        {"7/2", {}, "1", "INT/INT literals", "INT", "3"},
        {"7/2.0", {}, "1", "(10,0)/(2,1): s=max(6,0+2+1)=6, p=10+1+6=17", "DECIMAL(17,6)", "3.5"},
        {"1.0/3",
         {},
         "1",
         "(2,1)/(10,0): s=max(6,1+10+1)=12, p=1+0+12=13",
         "DECIMAL(13,12)",
         "0.333333333333"},
        {"2.0/3",
         {},
         "1",
         "(2,1)/(10,0) -> (13,12), last digit rounded up",
         "DECIMAL(13,12)",
         "0.666666666667"},
        {"te.FP/t.FExchangeRate",
         {{"FP", "2"}},
         "3",
         "(28,10)/(28,10): s=39, p=67, integral 28 -> scale cut to 38-28=10",
         "DECIMAL(38,10)",
         "0.6666666667"},
        {"te.FW/te.FS",
         {{"FW,FS", "1,7"}},
         "1",
         "(38,20)/(5,2): s=26, p=46, integral 20 -> scale cut to 18",
         "DECIMAL(38,18)",
         "0.142857142857142857"},
        {"te.FP*te.FQ/3",
         {{"FP,FQ", "1,1"}},
         "1",
         "(28,10)*(28,10) p57 s20 integral 37 -> (38,6); /3: s=17, p=49, integral 32 -> (38,6)",
         "DECIMAL(38,6)",
         "0.333333"},
        {"te.FP*te.FQ",
         {{"FP,FQ", "0.0000005,1"}},
         "1",
         "(28,10)*(28,10) -> (38,6): 0.0000005 is a tie at scale 6 -> away from zero",
         "DECIMAL(38,6)",
         "0.000001"},
        {"te.FP*te.FQ",
         {{"FP,FQ", "-0.0000005,1"}},
         "1",
         "the negative tie -> away from zero",
         "DECIMAL(38,6)",
         "-0.000001"},
        {"te.FN/te.FS",
         {{"FN,FS", "1,5.12"}},
         "1",
         "(10,0)/(5,2): s=max(6,0+5+1)=6, p=18; 0.1953125 is a tie at scale 6",
         "DECIMAL(18,6)",
         "0.195313"},
        {"te.FN/te.FS",
         {{"FN,FS", "-1,5.12"}},
         "1",
         "the negative quotient tie",
         "DECIMAL(18,6)",
         "-0.195313"},
        {"te.FW+10000000000000000000000",
         {{"FW", "0.0000000000000005"}},
         "1",
         "(38,20)+(23,0): s=20, integral 23, p=44 -> scale 38-23=15; a tie at the 16th decimal",
         "DECIMAL(38,15)",
         "10000000000000000000000.000000000000001"},
        {"ROUND(te.FP,2)",
         {{"FP", "2.675"}},
         "1",
         "ROUND of (28,10): a tie at 2 places",
         "DECIMAL(28,10)",
         "2.68"},
        {"ROUND(te.FP,2)",
         {{"FP", "-2.675"}},
         "1",
         "the negative ROUND tie",
         "DECIMAL(28,10)",
         "-2.68"},
        {"ROUND(te.FP,2,1)",
         {{"FP", "2.679"}},
         "1",
         "ROUND with a function: truncates",
         "DECIMAL(28,10)",
         "2.67"},
        {"ROUND(te.FP,-1)", {{"FP", "745"}}, "1", "ROUND to tens: a tie", "DECIMAL(28,10)", "750"},
        {"te.FP+te.FQ",
         {{"FP,FQ", "0.1,0.2"}},
         "1",
         "(28,10)+(28,10): s=10, p=10+18+1=29",
         "DECIMAL(29,10)",
         "0.3"},
        {"CASE WHEN te.FP+te.FQ=0.3 THEN 1 ELSE 0 END",
         {{"FP,FQ", "0.1,0.2"}},
         "1",
         "(29,10) = (1,1) compared exactly",
         "INT",
         "1"},
        {"CASE WHEN te.FP>9.99 THEN 1 ELSE 0 END",
         {{"FP", "10"}},
         "1",
         "compared by value, not as text",
         "INT",
         "1"},
        {"SUM(te.FP)",
         {{"FP", "0.1"}, {"FP", "0.2"}, {"FP", "0.3"}},
         "1",
         "SUM of (28,10) -> (38,10), exact",
         "DECIMAL(38,10)",
         "0.6"},
        {"MAX(te.FP)",
         {{"FP", "9.5"}, {"FP", "10.25"}},
         "1",
         "MAX by value",
         "DECIMAL(28,10)",
         "10.25"},
        {"100-te.FR",
         {{"FR", "17"}},
         "1",
         "(10,0)-(28,10): s=10, integral 18, p=29",
         "DECIMAL(29,10)",
         "83"},
        {"te.FR/100",
         {{"FR", "16"}},
         "1",
         "(28,10)/(10,0): s=21, p=39, integral 18 -> scale cut to 20",
         "DECIMAL(38,20)",
         "0.16"},
        {"1-te.FR/100",
         {{"FR", "7.5"}},
         "1",
         "(10,0)-(38,20): s=20, integral 18, p=39 -> scale 38-18=20",
         "DECIMAL(38,20)",
         "0.925"},
        {"16.0/100",
         {},
         "1",
         "(3,1)/(10,0): s=max(6,1+10+1)=12, p=2+0+12=14",
         "DECIMAL(14,12)",
         "0.16"},
        {"1+16.0/100",
         {},
         "1",
         "(10,0)+(14,12): s=12, integral 10, p=23",
         "DECIMAL(23,12)",
         "1.16"},
        {"te.FQ*te.FP/(1+16.0/100)*(1-te.FR/100)",
         {{"FQ,FP,FR", "3,0.35,12.345"}},
         "1",
         "FQ*FP (38,6) 1.05; /(23,12): s=30, p=74, integral 44 -> (38,6) 0.905172; "
         "*(38,20) 0.87655: p77 -> (38,6) 0.7934285166 -> 0.793429",
         "DECIMAL(38,6)",
         "0.793429"},
        {"ROUND(te.FQ*te.FP*(100-te.FR)*16.0/((100+16.0)*100),2)",
         {{"FQ,FP,FR", "10,117,0"}},
         "1",
         "FQ*FP (38,6) 1170; *(29,10) -> (38,6) 117000; *(3,1): p42 s7 integral 35 -> (38,6) "
         "1872000; (12,1)*(10,0) -> (23,1) 11600; /: s30 p63 integral 33 -> (38,6) 161.379310; "
         "ROUND 2",
         "DECIMAL(38,6)",
         "161.38"},
        {"-te.FP", {{"FP", "2.5"}}, "1", "negation keeps (28,10)", "DECIMAL(28,10)", "-2.5"},
        {"ABS(te.FP)", {{"FP", "-2.5"}}, "1", "ABS keeps (28,10)", "DECIMAL(28,10)", "2.5"},
        {"3000000000*te.FN",
         {{"FN", "7"}},
         "1",
         "a whole literal beyond INT is (10,0); (10,0)*(10,0) -> (21,0)",
         "DECIMAL(21,0)",
         "21000000000"},
        {"te.FS*te.FS", {{"FS", "1.25"}}, "1", "(5,2)*(5,2) -> (11,4)", "DECIMAL(11,4)", "1.5625"},
        {"te.FP%3",
         {{"FP", "7.5"}},
         "1",
         "(28,10)%(10,0): s=10, p=min(18,10)+10=20",
         "DECIMAL(20,10)",
         "1.5"},
        {"te.FN*te.FM+1", {{"FN,FM", "7,2"}}, "1", "INT arithmetic stays INT", "INT", "15"},
    };
    return kCases;
}

class DecimalArithmetic : public ::testing::Test {
  protected:
    void SetUp() override { account_.Execute(kTables); }

    // The query's result and its type as the translation gives it.
    std::pair<Value, std::string> Evaluate(const std::string& sql) {
        sqlite::ConnectionPtr db = sqlite::OpenConnection(account_.path(), false);
        const tsql::Catalog catalog = sqlite::ReadCatalog(db.get());
        const tsql::TranslatedBatch batch = tsql::Translate(sql, &catalog);
        const std::string type = batch.statements.at(0).columnTypes.empty()
                                     ? "?"
                                     : tsql::Describe(batch.statements[0].columnTypes[0]);
        return {account_.Scalar(sql), type};
    }

    EmbeddedAccount account_;
};

TEST_F(DecimalArithmetic, EveryExpressionHasTheHostServersTypeAndExactResult) {
    ASSERT_GE(Cases().size(), 30u);
    int id = 0;
    for (const Case& c : Cases()) {
        const std::string k = std::to_string(++id);
        account_.Execute("INSERT INTO Hd(FID,FExchangeRate) VALUES(" + k + "," + c.exchangeRate +
                         ")");
        for (const Row& row : c.rows) {
            account_.Execute(std::string("INSERT INTO Ln(FID,") + row.columns + ") VALUES(" + k +
                             "," + row.values + ")");
        }
        const auto [value, type] =
            Evaluate(std::string("SELECT ") + c.expression +
                     " AS r FROM Hd t LEFT JOIN Ln te ON te.FID = t.FID WHERE t.FID=" + k);
        SCOPED_TRACE(std::string(c.expression) + "  [" + c.steps + "]");
        EXPECT_EQ(type, c.type);
        // Up to 15 significant digits a decimal arrives as the double nearest to it, beyond as
        // its text, as from the host's driver.
        const std::string expected = c.result;
        if (value.IsText()) {
            EXPECT_EQ(value.AsText(), expected);
        } else {
            ASSERT_TRUE(value.IsNumber()) << "no number";
            EXPECT_EQ(value.NumberAsDouble(), std::stod(expected));
        }
    }
}

TEST_F(DecimalArithmetic, StoredValuesTakeTheColumnsScaleRoundedHalfAwayFromZero) {
    account_.Execute(
        "INSERT INTO Ln(FID,FP,FS) VALUES(1,0.00000000005,2.345)\r\n"
        "INSERT INTO Ln(FID,FP,FS) VALUES(2,-0.00000000005,-2.345)\r\n"
        "UPDATE Ln SET FQ=FP*3, FN=FS*10 WHERE FID=1");
    sqlite::ConnectionPtr db = sqlite::OpenConnection(account_.path(), false);
    sqlite::StatementPtr rows =
        sqlite::Prepare(db.get(), "SELECT FP, FS, FQ, FN FROM Ln ORDER BY FID");
    std::vector<std::string> stored;
    while (sqlite3_step(rows.get()) == SQLITE_ROW) {
        for (int c = 0; c < 4; ++c) {
            const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(rows.get(), c));
            stored.emplace_back(text ? text : "NULL");
        }
    }
    // 0.00000000005 is a tie at ten decimals; 2.345 one at two; FP*3 is exact at (38,6)
    // rounding then at the column; INT takes the whole part.
    EXPECT_EQ(stored, (std::vector<std::string>{"0.0000000001", "2.35", "0", "23", "-0.0000000001",
                                                "-2.35", "NULL", "NULL"}));
}

TEST_F(DecimalArithmetic, OverflowAndDivisionByZeroFailAsOnTheHostServer) {
    account_.Execute("INSERT INTO Ln(FID,FP,FS,FN) VALUES(1,0,999.99,0)");
    const auto failure = [&](const std::string& sql) {
        Error error;
        RecordsetPtr rows = account_.engine().Query(sql, &error);
        return rows ? std::string("(rows)") : error.description;
    };
    EXPECT_EQ(failure("SELECT 1.0/te.FP FROM Ln te"), "Divide by zero error encountered.");
    EXPECT_EQ(failure("SELECT ROUND(te.FS,0) FROM Ln te"),
              "Arithmetic overflow error converting expression to data type numeric.");
    const Outcome stored = account_.engine().Execute("UPDATE Ln SET FS=FS+1");
    EXPECT_EQ(stored.error.description,
              "Arithmetic overflow error converting expression to data type numeric.");
}

}  // namespace
}  // namespace q9
