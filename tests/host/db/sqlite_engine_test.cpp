#include "host/db/sqlite_engine.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <vector>

#include "embedded_account_fixture.h"
#include "host/db/decimal_round.h"
#include "host/db/scoped_engine.h"
#include "host/db/sqlite_handles.h"
#include "host/gateway.h"
#include "unit_of_work_cases.h"

namespace q9 {
namespace {

using testing::EmbeddedAccount;

TEST(SqliteEngine, NamesAndTextCompareWithoutLetterCase) {
    EmbeddedAccount account;
    EXPECT_EQ(account.Count("SELECT * FROM t_rpContractEntry"),
              account.Count("SELECT * FROM t_RPContractEntry"));
    account.Execute(
        "UPDATE t_SystemProfile SET FKey='billdiscount', FValue='1' "
        "WHERE FKey='BillDisCount'");
    EXPECT_EQ(account.Count("SELECT FKey FROM t_SystemProfile WHERE FKey IN('DisCountIncludeTax', "
                            "'BillDisCount') AND FCategory ='ic' AND FValue = 1"),
              1);
    EXPECT_EQ(account.Count("SELECT 1 FROM sysobjects WHERE name='POORDER' AND xtype='u'"), 1);
}

TEST(SqliteEngine, RowsKeepQueryNamesTypesAndDuplicates) {
    EmbeddedAccount account;
    RecordsetPtr rows = account.Query(
        "SELECT de.FAmount,de.FAmountFor FAmount,de.FEntryID,NULL AS FNone,d.FContractNo "
        "FROM t_RPContract d INNER JOIN t_RPContractEntry de ON d.FContractID=de.FContractID "
        "WHERE d.FContractID=3102 AND de.FEntryID=1");
    ASSERT_TRUE(rows);
    EXPECT_EQ(rows->FieldNames(),
              (std::vector<std::string>{"FAmount", "FAmount", "FEntryID", "FNone", "FContractNo"}));
    EXPECT_EQ(rows->FieldAt(0).kind(), Value::Kind::Floating);
    EXPECT_EQ(rows->FieldAt(2), Value(int64_t{1}));
    EXPECT_TRUE(rows->FieldAt(3).IsNull());
    EXPECT_EQ(rows->FieldAt(4), Value("HT102"));
    EXPECT_DOUBLE_EQ(rows->Field("FAmount").NumberAsDouble(),
                     RoundDecimal(rows->FieldAt(1).NumberAsDouble() * 6.5, 2));
}

TEST(SqliteEngine, AmountsDivideAsDecimalsAndDatesCompareAsDates) {
    EmbeddedAccount account;
    EXPECT_DOUBLE_EQ(account.Number("SELECT FTaxRate/100 FROM POOrderEntry WHERE FInterID=1002 "
                                    "AND FEntryID=1"),
                     0.05);
    EXPECT_DOUBLE_EQ(account.Number("SELECT 1+16.0"), 17.0);
    EXPECT_EQ(account.Count("SELECT 1 FROM POOrder d WHERE d.FDate<'2018-05-01' AND "
                            "d.FBillNo IN ('CG002','CG003','CG009')"),
              1);  // 2018-04-30 23:59 only; 2018-05-01 and 2018-05-01 00:00:00 are not before
}

TEST(SqliteEngine, BatchFailureKeepsEarlierStatementsAndNamesTheError) {
    EmbeddedAccount account;
    const Outcome outcome = account.engine().Execute(
        "UPDATE t_Supplier SET FValueAddRate=16 WHERE FItemID=1 UPDATE nope SET a=1 "
        "UPDATE t_Supplier SET FValueAddRate=10 WHERE FItemID=2");
    EXPECT_FALSE(outcome.ok());
    EXPECT_NE(outcome.error.description.find("no such table: nope"), std::string::npos);
    EXPECT_DOUBLE_EQ(account.Number("SELECT FValueAddRate FROM t_Supplier WHERE FItemID=1"), 16);
    EXPECT_DOUBLE_EQ(account.Number("SELECT FValueAddRate FROM t_Supplier WHERE FItemID=2"), 11);

    Error error;
    EXPECT_FALSE(account.engine().Query("DROP TABLE t_Supplier", &error));
    EXPECT_NE(error.description.find("'DROP'"), std::string::npos);
    EXPECT_EQ(account.Count("SELECT * FROM t_Supplier"), 3);
}

TEST(SqliteEngine, AtomicBatchesRollBackEverythingOnFailure) {
    EmbeddedAccount account;
    const Outcome failed = account.engine().ExecuteAtomic(
        {"UPDATE t_Supplier SET FValueAddRate=16 WHERE FItemID=1",
         "UPDATE t_Organization SET FValueAddRate=16 WHERE FItemID=1 UPDATE t_Currency SET "
         "nope=1"});
    EXPECT_FALSE(failed.ok());
    EXPECT_NE(failed.error.description.find("nope"), std::string::npos);
    EXPECT_DOUBLE_EQ(account.Number("SELECT FValueAddRate FROM t_Supplier WHERE FItemID=1"), 17);
    EXPECT_DOUBLE_EQ(account.Number("SELECT FValueAddRate FROM t_Organization WHERE FItemID=1"),
                     17);
    const Outcome done = account.engine().ExecuteAtomic(
        {"UPDATE t_Supplier SET FValueAddRate=16 WHERE FItemID=1",
         "UPDATE t_Organization SET FValueAddRate=16 WHERE FItemID=1"});
    EXPECT_TRUE(done.ok()) << done.error.description;
    EXPECT_DOUBLE_EQ(account.Number("SELECT FValueAddRate FROM t_Organization WHERE FItemID=1"),
                     16);
}

TEST(SqliteEngine, GuardedRunRollsBackWhenItsUpdateChangesNoRow) {
    EmbeddedAccount account;
    const std::string backup =
        "INSERT INTO t_Supplier(FItemID,FNumber,FName,FValueAddRate) SELECT "
        "FItemID+1000,FNumber,FName,"
        "FValueAddRate FROM t_Supplier WHERE FValueAddRate=17 AND FItemID=1";
    const std::string update =
        "UPDATE t_Supplier SET FValueAddRate=16 WHERE FValueAddRate=17 "
        "AND FItemID=1";
    const int before = account.Count("SELECT * FROM t_Supplier");
    AtomicOutcome first = account.engine().ExecuteAtomicGuarded({{backup, false}, {update, true}});
    EXPECT_TRUE(first.committed()) << first.error.description;
    EXPECT_EQ(account.Count("SELECT * FROM t_Supplier"), before + 1);
    // Again: the update finds nothing, so the copy made before it must not stay either.
    AtomicOutcome again = account.engine().ExecuteAtomicGuarded({{backup, false}, {update, true}});
    EXPECT_TRUE(again.unchanged);
    EXPECT_FALSE(again.error.IsSet());
    EXPECT_EQ(account.Count("SELECT * FROM t_Supplier"), before + 1);
}

TEST(SqliteEngine, UnitsOfWorkCommitRollBackAndNest) {
    EmbeddedAccount account;
    testing::ExpectUnitsOfWork(account.engine(), {"t_Supplier", "FItemID", "FValueAddRate"});
}

TEST(SqliteEngine, InsideAUnitOfWorkGuardedRunsKeepTheirMeaningAndGoWithIt) {
    EmbeddedAccount account;
    const std::string backup =
        "INSERT INTO t_Supplier(FItemID,FNumber,FName,FValueAddRate) SELECT "
        "FItemID+1000,FNumber,FName,FValueAddRate FROM t_Supplier WHERE FValueAddRate=17 AND "
        "FItemID=1";
    const std::string update =
        "UPDATE t_Supplier SET FValueAddRate=16 WHERE FValueAddRate=17 AND FItemID=1";
    const int before = account.Count("SELECT * FROM t_Supplier");
    const TransactionOutcome outcome = account.engine().RunTransaction([&](TransactionScope&
                                                                               scope) {
        ScopedEngine inside(scope);
        EXPECT_TRUE(inside.ExecuteAtomicGuarded({{backup, false}, {update, true}}).committed());
        const AtomicOutcome again = inside.ExecuteAtomicGuarded({{backup, false}, {update, true}});
        EXPECT_TRUE(again.unchanged);
        EXPECT_FALSE(again.error.IsSet());
        EXPECT_FALSE(inside
                         .ExecuteAtomic({"UPDATE t_Supplier SET FValueAddRate=1",
                                         "UPDATE nope "
                                         "SET a=1"})
                         .ok());
        Error error;
        RecordsetPtr rows =
            inside.Query("SELECT FValueAddRate FROM t_Supplier ORDER BY FItemID", &error);
        EXPECT_TRUE(rows) << error.description;
        EXPECT_EQ(rows ? rows->RecordCount() : 0, before + 1);
        EXPECT_EQ(rows ? rows->FieldAt(0).NumberAsDouble() : 0, 16);
        return TransactionEnd::RollBack;
    });
    EXPECT_FALSE(outcome.error.IsSet()) << outcome.error.description;
    EXPECT_EQ(account.Count("SELECT * FROM t_Supplier"), before);
    EXPECT_DOUBLE_EQ(account.Number("SELECT FValueAddRate FROM t_Supplier WHERE FItemID=1"), 17);
}

TEST(SqliteEngine, StoredDecimalsArriveAsTheHostsDriverHandsThemOver) {
    EmbeddedAccount account;
    // Texts as another program may have stored them: a double up to 15 significant digits,
    // trailing decimal zeros not counted; beyond, the exact text.
    const struct {
        const char* stored;
        const char* asText;  // nullptr: the double of `stored`
    } cases[] = {
        {"1200", nullptr},
        {"0.0012", nullptr},
        {"1.5000000000", nullptr},
        {"-12.000", nullptr},
        {"100.5", nullptr},
        {"123456789012345.0000000000", nullptr},
        {"0.00000000001234567890123450", nullptr},
        {"+5", nullptr},
        {"1234567890123456", "1234567890123456"},
        {"1234567890.1234560", "1234567890.123456"},
        {"-0.12345678901234567", "-0.12345678901234567"},
    };
    account.Execute("CREATE TABLE Dv(FID INT, FV DECIMAL(38,20))");
    {
        sqlite::ConnectionPtr db = sqlite::OpenConnection(account.path(), false);
        int id = 0;
        for (const auto& c : cases) {
            sqlite::ExecuteScript(
                db.get(), "INSERT INTO Dv VALUES(" + std::to_string(++id) + ",'" + c.stored + "')");
        }
        sqlite::ExecuteScript(db.get(), "INSERT INTO Dv VALUES(99,'-0.0000')");
    }
    const RecordsetPtr rows = account.Query("SELECT FV FROM Dv ORDER BY FID");
    ASSERT_TRUE(rows);
    ASSERT_EQ(rows->Rows().size(), std::size(cases) + 1);
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(cases[i].stored);
        const Value& value = rows->Rows()[i][0];
        if (cases[i].asText) {
            ASSERT_TRUE(value.IsText());
            EXPECT_EQ(value.AsText(), cases[i].asText);
        } else {
            ASSERT_EQ(value.kind(), Value::Kind::Floating);
            EXPECT_EQ(value.AsFloating(), std::stod(cases[i].stored));
        }
    }
    const Value& zero = rows->Rows().back()[0];
    ASSERT_EQ(zero.kind(), Value::Kind::Floating);
    EXPECT_FALSE(std::signbit(zero.AsFloating()));
}

TEST(SqliteEngine, DecimalsStoredAsUtf16TextComputeAsStoredInUtf8) {
    for (const char* encoding : {"UTF-8", "UTF-16le", "UTF-16be"}) {
        SCOPED_TRACE(encoding);
        const std::string path = ::testing::TempDir() + "q9-encoding-" + encoding + ".db";
        std::remove(path.c_str());
        {
            sqlite3* raw = nullptr;
            ASSERT_EQ(sqlite3_open(path.c_str(), &raw), SQLITE_OK);
            const sqlite::ConnectionPtr created(raw);
            sqlite::ExecuteScript(raw, std::string("PRAGMA encoding='") + encoding +
                                           "'; CREATE TABLE Dv(FV TEXT); INSERT INTO "
                                           "Dv VALUES('1234567890.12345678901'),('x')");
        }
        const sqlite::ConnectionPtr db = sqlite::OpenConnection(path, false);
        sqlite3_stmt* raw = nullptr;
        ASSERT_EQ(
            sqlite3_prepare_v2(db.get(), "SELECT q9_mul(FV, 2, 38, 11) FROM Dv", -1, &raw, nullptr),
            SQLITE_OK);
        const sqlite::StatementPtr statement(raw);
        ASSERT_EQ(sqlite3_step(raw), SQLITE_ROW);
        EXPECT_STREQ(reinterpret_cast<const char*>(sqlite3_column_text(raw, 0)),
                     "2469135780.24691357802");
        // Not a number in any encoding: the conversion error, not a number read from its bytes.
        EXPECT_EQ(sqlite3_step(raw), SQLITE_ERROR);
        std::remove(path.c_str());
    }
}

TEST(SqliteEngine, AChangedSchemaGivesTheNewColumnsOfAPreparedQuery) {
    EmbeddedAccount account;
    account.Execute("CREATE TABLE Sc(FA INT, FB DECIMAL(28,10))");
    account.Execute("INSERT INTO Sc(FA,FB) VALUES(1,2.5)");
    const std::string query = "SELECT * FROM Sc";
    ASSERT_EQ(account.Query(query)->FieldCount(), 2u);
    {
        sqlite::ConnectionPtr db = sqlite::OpenConnection(account.path(), false);
        sqlite::ExecuteScript(db.get(),
                              "ALTER TABLE Sc ADD COLUMN FC DECIMAL(28,10) DEFAULT '7.25'");
    }
    // SQLite prepares the statement again on its first step; from then on it has three columns.
    (void)account.Query(query);
    const RecordsetPtr rows = account.Query(query);
    ASSERT_EQ(rows->FieldCount(), 3u);
    EXPECT_EQ(rows->FieldNames()[2], "FC");
    EXPECT_EQ(rows->Rows()[0][2], Value(7.25));
}

TEST(SqliteEngine, SameShapeReusesTheTranslationThroughTheGateway) {
    EmbeddedAccount account;
    auto engine = std::dynamic_pointer_cast<SqliteEngine>(OpenSqliteEngine(account.path()));
    ASSERT_TRUE(engine);
    Gateway gateway(engine);
    for (int entry = 1; entry <= 3; ++entry) {
        RecordsetPtr rows = gateway.OpenRecordset(
            "SELECT FAuxQty FROM POOrderEntry WHERE FInterID=1001 AND FEntryID=" +
            std::to_string(entry));
        ASSERT_TRUE(rows);
        EXPECT_EQ(rows->RecordCount(), 1);
    }
    EXPECT_EQ(engine->TranslationMisses(), 1u);
    EXPECT_EQ(engine->TranslationHits(), 2u);
    EXPECT_FALSE(gateway.OpenRecordset("SELECT nope FROM POOrderEntry"));
}

TEST(SqliteEngine, UpdatesWithJoinsChangeTheRowsWithPartnersByThePartnersValues) {
    const struct {
        const char* update;
        int64_t changed;
        std::vector<double> values;  // FV by FID 1..4 afterwards
    } cases[] = {
        {"UPDATE e SET e.FV=e.FV*h.FR FROM E e INNER JOIN H h ON h.FK=e.FK WHERE e.FID IN (1,2,3)",
         2,
         {3, 7.5, 3.5, 4.5}},
        {"UPDATE e SET e.FV=e.FV*h.FR FROM E e INNER JOIN H h ON h.FK=e.FK WHERE h.FS=0",
         1,
         {1.5, 7.5, 3.5, 4.5}},
        {"UPDATE e SET e.FV=e.FV*h.FR FROM E e INNER JOIN H h ON h.FK=e.FK WHERE e.FID=1 OR "
         "h.FS=0",
         2,
         {3, 7.5, 3.5, 4.5}},
        {"UPDATE e SET e.FV=e.FV*h.FR FROM E e INNER JOIN H h ON h.FK=e.FK WHERE e.FID BETWEEN 2 "
         "AND 3",
         1,
         {1.5, 7.5, 3.5, 4.5}},
        {"UPDATE e SET e.FV=e.FV*h.FR FROM E e, H h WHERE h.FK=e.FK AND e.FID=1",
         1,
         {3, 2.5, 3.5, 4.5}},
        {"UPDATE e SET e.FV=e.FV*h.FR FROM H h INNER JOIN E e ON h.FK=e.FK WHERE e.FID=2",
         1,
         {1.5, 7.5, 3.5, 4.5}},
        {"UPDATE e SET FV=FR FROM E e INNER JOIN H h ON h.FK=e.FK WHERE FID=4",
         1,
         {1.5, 2.5, 3.5, 2}},
        // As the host's server does: a name of both tables is refused.
        {"UPDATE e SET FV=FR,FK=FK FROM E e INNER JOIN H h ON h.FK=e.FK WHERE FID=4",
         -1,
         {1.5, 2.5, 3.5, 4.5}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.update);
        EmbeddedAccount account;
        account.Execute("CREATE TABLE E(FID INT, FK INT, FV DECIMAL(28,10))");
        account.Execute("CREATE TABLE H(FK INT, FR DECIMAL(28,10), FS INT)");
        account.Execute("INSERT INTO E VALUES(1,1,'1.5'),(2,2,'2.5'),(3,3,'3.5'),(4,1,'4.5')");
        account.Execute("INSERT INTO H VALUES(1,'2',1),(2,'3',0)");
        int64_t changed = -1;  // refused
        std::vector<double> values;
        const TransactionOutcome outcome =
            account.engine().RunTransaction([&](TransactionScope& scope) {
                if (c.changed < 0) {
                    EXPECT_THROW(scope.Execute(c.update), HostError);
                } else {
                    changed = scope.Execute(c.update);
                }
                const RecordsetPtr rows = scope.Query("SELECT FV FROM E ORDER BY FID");
                for (const Recordset::Row& row : rows->Rows())
                    values.push_back(row[0].NumberAsDouble());
                return TransactionEnd::RollBack;
            });
        EXPECT_FALSE(outcome.error.IsSet()) << outcome.error.description;
        EXPECT_EQ(changed, c.changed);
        EXPECT_EQ(values, c.values);
    }
}

// Bound rows must be stored as the INSERT of their literals would store them, or be refused
// untouched so that the caller writes that INSERT.
TEST(SqliteEngine, BoundRowsAreStoredAsTheirLiteralsWouldBe) {
    EmbeddedAccount account;
    for (const char* table : {"q9_bound", "q9_literal"}) {
        account.Execute(std::string("CREATE TABLE ") + table +
                        "(FId INT NOT NULL PRIMARY KEY,FNote NVARCHAR(40),FCount INT,"
                        "FAmount DECIMAL(28,10))");
    }
    const struct {
        const char* column;
        Value value;
        const char* literal;  // empty: refused
    } cases[] = {
        {"FNote", Value("含'引号"), "N'含''引号'"},
        {"FNote", Value(), "NULL"},
        {"FNote", Value(int64_t{42}), "42"},
        {"FCount", Value(int64_t{-7}), "-7"},
        {"FCount", Value("7"), "N'7'"},
        {"FCount", Value("seven"), "N'seven'"},
        {"FAmount", Value(int64_t{1}), ""},  // converted to the column's decimal on the way
        {"FNote", Value(1.5), ""},
        {"FNope", Value(int64_t{1}), ""},
    };
    int id = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.column) + " " + c.literal);
        const int64_t key = ++id;
        RowsInsert inserted = RowsInsert::Inserted;
        const TransactionOutcome outcome =
            account.engine().RunTransaction([&](TransactionScope& scope) {
                inserted = scope.InsertRows("q9_bound", {"FId", c.column}, {{key, c.value}});
                return TransactionEnd::Commit;
            });
        ASSERT_TRUE(outcome.committed()) << outcome.error.description;
        const std::string where = " WHERE FId=" + std::to_string(key);
        if (std::string(c.literal).empty()) {
            EXPECT_EQ(inserted, RowsInsert::NotSupported);
            EXPECT_EQ(account.Count("SELECT FId FROM q9_bound" + where), 0);
            continue;
        }
        EXPECT_EQ(inserted, RowsInsert::Inserted);
        account.Execute(std::string("INSERT INTO q9_literal(FId,") + c.column + ") VALUES (" +
                        std::to_string(key) + "," + c.literal + ")");
        const std::string select = std::string("SELECT ") + c.column + " FROM ";
        EXPECT_EQ(account.Scalar(select + "q9_bound" + where),
                  account.Scalar(select + "q9_literal" + where));
    }
    EXPECT_EQ(account.engine()
                  .RunTransaction([](TransactionScope& scope) {
                      return scope.InsertRows("q9_nope", {"FId"}, {{int64_t{1}}}) ==
                                     RowsInsert::NotSupported
                                 ? TransactionEnd::Commit
                                 : TransactionEnd::RollBack;
                  })
                  .end,
              TransactionEnd::Commit);
}

TEST(SqliteEngine, BoundRowsGoInOrderAndAFailingRowUndoesTheUnit) {
    EmbeddedAccount account;
    account.Execute("CREATE TABLE q9_bound(FId INT NOT NULL PRIMARY KEY,FNote NVARCHAR(40))");
    std::vector<std::vector<Value>> rows;
    for (int64_t id = 1; id <= 40; ++id) rows.push_back({id, "n" + std::to_string(id)});
    const TransactionOutcome done = account.engine().RunTransaction([&](TransactionScope& scope) {
        EXPECT_EQ(scope.InsertRows("q9_bound", {"FId", "FNote"}, rows), RowsInsert::Inserted);
        return TransactionEnd::Commit;
    });
    ASSERT_TRUE(done.committed()) << done.error.description;
    RecordsetPtr stored = account.Query("SELECT FId,FNote FROM q9_bound ORDER BY FId");
    ASSERT_TRUE(stored);
    ASSERT_EQ(stored->Rows().size(), rows.size());
    for (size_t r = 0; r < rows.size(); ++r) {
        EXPECT_EQ(stored->Rows()[r][0].NumberAsDouble(), rows[r][0].NumberAsDouble());
        EXPECT_EQ(stored->Rows()[r][1], rows[r][1]);
    }
    // The 20th row repeats a key: the rows before it, in its statement and in earlier ones, go
    // with the unit.
    std::vector<std::vector<Value>> clash;
    for (int64_t id = 101; id <= 130; ++id) clash.push_back({id == 120 ? int64_t{5} : id, Value()});
    const TransactionOutcome failed = account.engine().RunTransaction([&](TransactionScope& scope) {
        scope.InsertRows("q9_bound", {"FId", "FNote"}, clash);
        return TransactionEnd::Commit;
    });
    EXPECT_TRUE(failed.error.IsSet());
    EXPECT_EQ(account.Count("SELECT FId FROM q9_bound"), 40);
}

}  // namespace
}  // namespace q9
