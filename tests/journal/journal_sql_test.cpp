#include "journal/journal_sql.h"

#include <gtest/gtest.h>

#include "../host/db/embedded_account_fixture.h"
#include "journal/sql_literal.h"

namespace q9 {
namespace {

using testing::EmbeddedAccount;

TEST(JournalSql, TablesBatchIsExactAndCreatesOnlyWhatIsMissing) {
    EXPECT_EQ(JournalTablesBatch(),
              "IF NOT EXISTS(SELECT 1 FROM sysobjects WHERE name='Q9TaxRateRun' AND xtype='u')\r\n"
              "CREATE TABLE Q9TaxRateRun(FRunID INT NOT NULL PRIMARY KEY,FStartTime "
              "DATETIME,FEndTime DATETIME,FUser NVARCHAR(80),FAccount NVARCHAR(255),FProfile "
              "NVARCHAR(40),FRule NVARCHAR(20),FMasterData NVARCHAR(40),FLines INT,FRefused "
              "INT,FMasterRows INT,FState NVARCHAR(20))\r\n"
              "IF NOT EXISTS(SELECT 1 FROM sysobjects WHERE name='Q9TaxRateJournal' AND "
              "xtype='u')\r\n"
              "CREATE TABLE Q9TaxRateJournal(FRunID INT NOT NULL,FLine INT NOT NULL,FSeq INT "
              "NOT NULL,FKind NVARCHAR(20),FBillNo NVARCHAR(80),FTable NVARCHAR(40),FKeys "
              "NVARCHAR(200),FColumn NVARCHAR(40),FBefore NVARCHAR(255),FAfter "
              "NVARCHAR(255),FUndone INT NOT NULL DEFAULT 0,PRIMARY KEY(FRunID,FLine,FSeq))\r\n");
    EmbeddedAccount account;
    EXPECT_EQ(account.Count(JournalTablesQuery()), 0);
    account.Execute(JournalTablesBatch());
    EXPECT_EQ(account.Count(JournalTablesQuery()), 2);
    RunRecord run;
    run.id = 1;
    account.Execute(RunInsertSql(run));
    account.Execute(JournalTablesBatch());  // again: nothing is replaced
    EXPECT_EQ(account.Count(RunsQuery()), 1);
}

TEST(JournalSql, RunsAndJournalRowsRoundTrip) {
    EmbeddedAccount account;
    account.Execute(JournalTablesBatch());
    EXPECT_TRUE(account.Scalar(LastRunIdQuery()).IsNull());

    RunRecord run;
    run.id = 7;
    run.startTime = run.endTime = "2026-12-07T13:42:08";
    run.user = "O'Neil 王";
    run.account = "sqlite:/tmp/a.db";
    run.profile = "2018";
    run.rule = "tax-exclusive";
    run.masterData = "item,supply";
    account.Execute(RunInsertSql(run));
    run.endTime = "2026-12-07T13:50:00";
    run.lines = 12;
    run.refused = 3;
    run.masterRows = 4;
    run.state = RunState::Done;
    account.Execute(RunUpdateSql(run));
    EXPECT_EQ(account.Scalar(LastRunIdQuery()).NumberAsDouble(), 7);

    RecordsetPtr runs = account.Query(RunQuery(7));
    ASSERT_TRUE(runs);
    ASSERT_EQ(runs->RecordCount(), 1);
    EXPECT_EQ(runs->Field("FUser"), Value("O'Neil 王"));
    EXPECT_EQ(runs->Field("FEndTime"), Value("2026-12-07T13:50:00"));
    EXPECT_EQ(runs->Field("FLines").NumberAsDouble(), 12);
    EXPECT_EQ(RunStateFromCode(runs->Field("FState").AsText()), RunState::Done);

    const std::vector<JournalRow> line1{{1, 1, "采购订单", "CG001", "POOrderEntry",
                                         "FInterID=1001;FEntryID=1", "FCess", "17", "16"},
                                        {1, 2, "采购订单", "CG001", "POOrderEntry",
                                         "FInterID=1001;FEntryID=1", "FAmount", "100.5", "101.37"}};
    const std::vector<JournalRow> line2{{2, 1, "基础资料", "", "t_ItemPropDesc",
                                         "FItemClassID=4;FSQLColumnName=N'FTaxRate'",
                                         "FDefaultValue", SqlLiteral(Value("17")), "NULL"}};
    EXPECT_EQ(JournalInsertSql(7, {}), "");
    EXPECT_EQ(JournalInsertSql(7, line2),
              "INSERT INTO Q9TaxRateJournal(FRunID,FLine,FSeq,FKind,FBillNo,FTable,FKeys,FColumn,"
              "FBefore,FAfter) VALUES (7,2,1,N'基础资料',N'',N't_ItemPropDesc',"
              "N'FItemClassID=4;FSQLColumnName=N''FTaxRate''',N'FDefaultValue',N'N''17''',"
              "N'NULL')");
    account.Execute(JournalInsertSql(7, line1));
    account.Execute(JournalInsertSql(7, line2));
    // Another run's, with its values bound: stored as the text stores them.
    ASSERT_TRUE(account.engine()
                    .RunTransaction([&](TransactionScope& scope) {
                        EXPECT_EQ(scope.InsertRows(kJournalTable, JournalColumns(),
                                                   {JournalValues(8, line2[0])}),
                                  RowsInsert::Inserted);
                        return TransactionEnd::Commit;
                    })
                    .committed());
    const std::string everyColumn = "SELECT * FROM " + std::string(kJournalTable);
    RecordsetPtr asText = account.Query(everyColumn + " WHERE FRunID=7 AND FLine=2");
    RecordsetPtr asBound = account.Query(everyColumn + " WHERE FRunID=8");
    ASSERT_TRUE(asText && asBound);
    ASSERT_EQ(asBound->Rows().size(), 1u);
    ASSERT_EQ(asText->Rows().size(), 1u);
    for (size_t c = 1; c < asText->FieldCount(); ++c) {  // all but the run
        EXPECT_EQ(asBound->Rows()[0][c], asText->Rows()[0][c]) << c;
    }

    RecordsetPtr rows = account.Query(JournalRowsQuery(7));
    ASSERT_TRUE(rows);
    ASSERT_EQ(rows->RecordCount(), 3);
    EXPECT_EQ(rows->Field("FLine").NumberAsDouble(), 2);  // newest line first
    EXPECT_EQ(rows->Field("FKeys"), Value("FItemClassID=4;FSQLColumnName=N'FTaxRate'"));
    EXPECT_EQ(rows->Field("FBefore"), Value("N'17'"));
    rows->MoveNext();
    EXPECT_EQ(rows->Field("FColumn"), Value("FCess"));
    EXPECT_EQ(rows->Field("FAfter"), Value("16"));

    account.Execute(JournalValuesUndoneSql(7, 2, {1}));
    EXPECT_EQ(account.Count(JournalRowsQuery(7)), 2);
    EXPECT_EQ(account.Count(JournalRowsQuery(8)), 1);
}

TEST(JournalSql, UnknownStatesReadAsInterrupted) {
    for (RunState state :
         {RunState::Running, RunState::Done, RunState::Interrupted, RunState::Undone}) {
        EXPECT_EQ(RunStateFromCode(RunStateCode(state)), state);
    }
    EXPECT_EQ(RunStateFromCode("DONE"), RunState::Interrupted);
    EXPECT_EQ(RunStateFromCode(""), RunState::Interrupted);
}

}  // namespace
}  // namespace q9
