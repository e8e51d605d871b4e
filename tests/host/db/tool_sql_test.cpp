// Every SQL text the tool sends, run on the embedded engine against the demo sample, with the
// results the host's server gives for them.
#include <gtest/gtest.h>

#include <set>
#include <utility>

#include "embedded_account_fixture.h"
#include "host/db/decimal_round.h"
#include "tool_sql_texts.h"

namespace q9 {
namespace {

using testing::EmbeddedAccount;
using namespace tool_sql;

using Key = std::pair<std::string, int64_t>;

std::set<Key> BillsAndEntries(const RecordsetPtr& rows) {
    std::set<Key> keys;
    if (!rows) return keys;
    for (rows->MoveFirst(); !rows->Eof(); rows->MoveNext()) {
        keys.emplace(ToText(rows->Field("FBillNo")), rows->Field("FEntryID").AsInteger());
    }
    return keys;
}

class ToolSqlTest : public ::testing::Test {
  protected:
    void SetUp() override { account_.Execute(StartupBatch()); }

    double PoColumn(const std::string& column, int id, int entry) {
        return account_.Number("SELECT " + column + " FROM POOrderEntry WHERE FInterID=" +
                               std::to_string(id) + " AND FEntryID=" + std::to_string(entry));
    }
    double SoColumn(const std::string& column, int id, int entry) {
        return account_.Number("SELECT " + column + " FROM SEOrderEntry WHERE FInterID=" +
                               std::to_string(id) + " AND FEntryID=" + std::to_string(entry));
    }
    double ContractColumn(const std::string& column, int id, int entry) {
        return account_.Number("SELECT " + column + " FROM t_RPContractEntry WHERE FContractID=" +
                               std::to_string(id) + " AND FEntryID=" + std::to_string(entry));
    }

    EmbeddedAccount account_;
};

TEST_F(ToolSqlTest, StartupBatchCreatesBackupTablesOnceAndKeepsFractions) {
    account_.Execute(StartupBatch());  // second run: the tables exist, nothing changes
    for (const char* table :
         {"POOrderEntryTaxRate", "SEOrderEntryTaxRate", "t_rpContractEntryRate"}) {
        EXPECT_EQ(account_.Count(std::string("SELECT 1 FROM sysobjects WHERE name='") + table +
                                 "' AND xtype='u'"),
                  1);
    }
    account_.Execute(
        "INSERT INTO POOrderEntryTaxRate(FInterID,FEntryID,FCess,FAmount) "
        "SELECT 1,2,5,1008.62");
    EXPECT_DOUBLE_EQ(account_.Number("SELECT FCess/100 FROM POOrderEntryTaxRate"), 0.05);
    EXPECT_DOUBLE_EQ(account_.Number("SELECT FAmount FROM poorderentrytaxrate"), 1008.62);
}

TEST_F(ToolSqlTest, SwitchQueryFindsNoSwitchInTheDefaultSample) {
    EXPECT_EQ(account_.Count(SwitchQuery()), 0);
}

TEST(ToolSqlSwitches, SwitchQueryFindsBothSwitchesWhenOn) {
    EmbeddedAccount account({0, 1, true, true});
    RecordsetPtr rows = account.Query(SwitchQuery());
    ASSERT_TRUE(rows);
    rows->SetFilter("FKey='BillDisCount'");
    EXPECT_EQ(rows->RecordCount(), 1);
    rows->SetFilter("FKey='DisCountIncludeTax'");
    EXPECT_EQ(rows->RecordCount(), 1);
}

TEST_F(ToolSqlTest, PurchaseOrderCandidates) {
    RecordsetPtr rows = account_.Query(CandidateQuery(Candidates::PurchaseOrders));
    const std::set<Key> expected = {{"CG001", 1}, {"CG001", 2}, {"CG002", 1}, {"CG002", 2},
                                    {"CG002", 3}, {"CG006", 5}, {"CG008", 1}};
    EXPECT_EQ(BillsAndEntries(rows), expected);
    ASSERT_TRUE(rows);
    for (const char* field : {"FBillNo", "FInterID", "FEntryID", "FSupplyName", "FItemNumber",
                              "FItemName", "FAuxQty", "FAuxPrice", "FAuxTaxPrice", "FTaxRate",
                              "FTaxAmount", "FAmount", "FAllAmount", "FCommitAmt", "FCommitQty"}) {
        EXPECT_TRUE(rows->HasField(field)) << field;
    }
    rows->SetFilter("FBillNo='cg002'");
    ASSERT_EQ(rows->RecordCount(), 3);
    EXPECT_EQ(ToText(rows->Field("FSupplyName")), "南方五金制品厂");
    EXPECT_DOUBLE_EQ(rows->Field("FAuxTaxPrice").NumberAsDouble(), 12.3456);
    EXPECT_DOUBLE_EQ(rows->Field("FAllAmount").NumberAsDouble(), 82.1);  // 7*12.3456*0.95
}

TEST_F(ToolSqlTest, SalesOrderCandidates) {
    const std::set<Key> expected = {{"XS001", 1}, {"XS001", 2}, {"XS002", 1}, {"XS002", 2},
                                    {"XS002", 3}, {"XS006", 5}, {"XS008", 1}};
    EXPECT_EQ(BillsAndEntries(account_.Query(CandidateQuery(Candidates::SalesOrders))), expected);
}

TEST_F(ToolSqlTest, PayableContractCandidatesKeepMissingPartnerAndDuplicateAmountName) {
    RecordsetPtr rows = account_.Query(CandidateQuery(Candidates::PayableContracts));
    const std::set<Key> expected = {
        {"HT001", 1}, {"HT001", 2}, {"HT002", 1}, {"HT002", 2}, {"HT003", 1}};
    EXPECT_EQ(BillsAndEntries(rows), expected);
    ASSERT_TRUE(rows);
    int amountFields = 0;
    for (const std::string& name : rows->FieldNames()) amountFields += name == "FAmount";
    EXPECT_EQ(amountFields, 2);
    rows->SetFilter("FBillNo='HT003'");
    EXPECT_TRUE(rows->Field("FSupplyName").IsNull());
    // The first FAmount is the local amount: for the dollar contract 6.5 times the other.
    rows->SetFilter("FBillNo='HT002'");
    rows->MoveFirst();
    const double local = rows->Field("FAmount").NumberAsDouble();
    const double foreign = rows->FieldAt(12).NumberAsDouble();
    EXPECT_DOUBLE_EQ(local, RoundDecimal(foreign * 6.5, 2));
}

TEST_F(ToolSqlTest, ReceivableContractCandidatesFollowTheDiscountTail) {
    const std::set<Key> withTail = {{"HT101", 2}, {"HT102", 1}, {"HT102", 2}, {"HT103", 1}};
    EXPECT_EQ(
        BillsAndEntries(account_.Query(CandidateQuery(Candidates::ReceivableContracts, false))),
        withTail);
    std::set<Key> withoutTail = withTail;
    withoutTail.emplace("HT101", 1);
    EXPECT_EQ(
        BillsAndEntries(account_.Query(CandidateQuery(Candidates::ReceivableContracts, true))),
        withoutTail);
}

TEST_F(ToolSqlTest, PurchaseOrderCheckRefusesOnlyLinkedAmountsAboveTheNewAmount) {
    auto refused = [&](int id, int entry) {
        return account_.Count(OrderCheckSql(
                   false, OrderRowCondition(std::to_string(id), std::to_string(entry)), "16.0",
                   true)) > 0;
    };
    EXPECT_FALSE(refused(1001, 1));  // nothing linked
    EXPECT_FALSE(refused(1002, 2));  // linked 100.86 = R(2*58.5*100/116, 2)
    EXPECT_TRUE(refused(1002, 3));   // linked 100.87
    EXPECT_EQ(account_.Count(OrderCheckSql(false, OrderRowCondition("1002", "3"), "16.0", false)),
              0);
    EXPECT_EQ(account_.Count(OrderCheckSql(true, OrderRowCondition("2002", "3"), "16.0", true)), 1);
    EXPECT_EQ(account_.Count(OrderCheckSql(true, OrderRowCondition("2001", "2"), "10.0", true)), 0);
}

TEST_F(ToolSqlTest, PurchaseOrderTaxInclusiveRuleRecomputesAndBacksUpOnce) {
    const std::string batch = PoUpdateSql(1002, 1, "16.0", true, false);
    account_.Execute(batch);
    account_.Execute(batch);  // already at 16: copies and changes nothing
    // Q 7, Pi 12.3456, discount 5, X 6.5, 4 price decimals.
    EXPECT_DOUBLE_EQ(PoColumn("FCess", 1002, 1), 16);
    EXPECT_DOUBLE_EQ(PoColumn("FTaxAmount", 1002, 1), 11.32);
    EXPECT_DOUBLE_EQ(PoColumn("FAmount", 1002, 1), 70.77);
    EXPECT_DOUBLE_EQ(PoColumn("FAuxPrice", 1002, 1), 10.6428);
    EXPECT_DOUBLE_EQ(PoColumn("FPrice", 1002, 1), 69.1779);
    EXPECT_DOUBLE_EQ(PoColumn("FDescount", 1002, 1), 3.72);
    EXPECT_DOUBLE_EQ(PoColumn("FAuxTaxPrice", 1002, 1), 12.3456);
    EXPECT_EQ(account_.Count("SELECT * FROM POOrderEntryTaxRate"), 1);
    RecordsetPtr backup = account_.Query("SELECT * FROM POOrderEntryTaxRate");
    ASSERT_TRUE(backup);
    EXPECT_DOUBLE_EQ(backup->Field("FCess").NumberAsDouble(), 17);
    EXPECT_DOUBLE_EQ(backup->Field("FAuxPrice").NumberAsDouble(), 10.5518);
    EXPECT_TRUE(backup->Field("FAuxTaxPrice").IsNull());
    // Other lines untouched.
    EXPECT_DOUBLE_EQ(PoColumn("FCess", 1002, 2), 17);
}

TEST_F(ToolSqlTest, PurchaseOrderTaxInclusiveRuleLeavesDiscountWhenItIncludesTax) {
    account_.Execute(PoUpdateSql(1006, 5, "10.0", true, true));
    // Q 9, Pi 22.2, discount 10, rate 11 -> 10.
    EXPECT_DOUBLE_EQ(PoColumn("FCess", 1006, 5), 10);
    EXPECT_DOUBLE_EQ(PoColumn("FTaxAmount", 1006, 5), 16.35);
    EXPECT_DOUBLE_EQ(PoColumn("FAmount", 1006, 5), 163.47);
    EXPECT_DOUBLE_EQ(PoColumn("FAuxPrice", 1006, 5), 20.18);
    EXPECT_DOUBLE_EQ(PoColumn("FDescount", 1006, 5), 19.98);  // as written: 9*22.2*10/100
}

TEST_F(ToolSqlTest, PurchaseOrderTaxExclusiveRuleInBothDiscountStates) {
    account_.Execute(PoUpdateSql(1006, 5, "10.0", false, false));
    // Pe 20, Pn 22.
    EXPECT_DOUBLE_EQ(PoColumn("FAuxTaxPrice", 1006, 5), 22);
    EXPECT_DOUBLE_EQ(PoColumn("FAuxPriceDiscount", 1006, 5), 19.8);
    EXPECT_DOUBLE_EQ(PoColumn("FAmount", 1006, 5), 162);
    EXPECT_DOUBLE_EQ(PoColumn("FTaxAmount", 1006, 5), 16.2);
    EXPECT_DOUBLE_EQ(PoColumn("FAllAmount", 1006, 5), 178.2);
    EXPECT_DOUBLE_EQ(PoColumn("FDescount", 1006, 5), 18);
    EXPECT_DOUBLE_EQ(PoColumn("FAuxPrice", 1006, 5), 20);

    account_.Execute(PoUpdateSql(1001, 1, "16.0", false, true));
    EXPECT_DOUBLE_EQ(PoColumn("FCess", 1001, 1), 16);
    EXPECT_DOUBLE_EQ(PoColumn("FAuxTaxPrice", 1001, 1), 116);
    EXPECT_DOUBLE_EQ(PoColumn("FAmount", 1001, 1), 1000);
    EXPECT_DOUBLE_EQ(PoColumn("FTaxAmount", 1001, 1), 160);
    EXPECT_DOUBLE_EQ(PoColumn("FAllAmount", 1001, 1), 1160);
    EXPECT_DOUBLE_EQ(PoColumn("FDescount", 1001, 1), 0);
    EXPECT_EQ(account_.Count("SELECT * FROM POOrderEntryTaxRate"), 2);
}

TEST_F(ToolSqlTest, PurchaseOrderWithoutMaterialRowIsBackedUpButNotChanged) {
    account_.Execute(PoUpdateSql(1008, 1, "16.0", true, false));
    EXPECT_DOUBLE_EQ(PoColumn("FCess", 1008, 1), 17);
    EXPECT_EQ(account_.Count("SELECT * FROM POOrderEntryTaxRate WHERE FInterID=1008"), 1);
}

TEST_F(ToolSqlTest, SalesOrderTaxInclusiveRuleInBothDiscountStates) {
    account_.Execute(SoUpdateSql(2006, 5, "10.0", true, false));
    EXPECT_DOUBLE_EQ(SoColumn("FCess", 2006, 5), 10);
    EXPECT_DOUBLE_EQ(SoColumn("FTaxAmt", 2006, 5), 16.35);
    EXPECT_DOUBLE_EQ(SoColumn("FAmount", 2006, 5), 163.47);
    EXPECT_DOUBLE_EQ(SoColumn("FAuxPrice", 2006, 5), 20.18);
    EXPECT_DOUBLE_EQ(SoColumn("FTaxAmount", 2006, 5), 18.16);

    account_.Execute(SoUpdateSql(2002, 1, "16.0", true, true));
    EXPECT_DOUBLE_EQ(SoColumn("FCess", 2002, 1), 16);
    EXPECT_DOUBLE_EQ(SoColumn("FPrice", 2002, 1), 69.1779);
    EXPECT_DOUBLE_EQ(SoColumn("FTaxAmount", 2002, 1), 4.32);  // discount kept: 7*12.3456*5/100
    RecordsetPtr backup = account_.Query("SELECT * FROM SEOrderEntryTaxRate WHERE FInterID=2002");
    ASSERT_TRUE(backup);
    EXPECT_TRUE(backup->Field("FTaxAmount").IsNull());
}

TEST_F(ToolSqlTest, SalesOrderTaxExclusiveRuleAddsTheNewTaxToTheStoredAmount) {
    account_.Execute(SoUpdateSql(2006, 5, "10.0", false, false));
    EXPECT_DOUBLE_EQ(SoColumn("FAmount", 2006, 5), 162);
    EXPECT_DOUBLE_EQ(SoColumn("FTaxAmt", 2006, 5), 16.2);
    EXPECT_DOUBLE_EQ(SoColumn("FAllAmount", 2006, 5), 178.2);
    EXPECT_DOUBLE_EQ(SoColumn("FAllStdAmount", 2006, 5), 178.2);
    EXPECT_DOUBLE_EQ(SoColumn("FTaxAmount", 2006, 5), 18);  // R(9*20/100*10, 2)

    account_.Execute(SoUpdateSql(2002, 1, "16.0", false, true));
    // Pe 10.5518 (4 decimals), Pn R(12.240088, 4) = 12.2401, X 6.5.
    EXPECT_DOUBLE_EQ(SoColumn("FAuxTaxPrice", 2002, 1), 12.2401);
    EXPECT_DOUBLE_EQ(SoColumn("FTaxAmount", 2002, 1), 4.28);  // R(7*12.240088*5/100, 2)
    const double amount = SoColumn("FAmount", 2002, 1);
    const double tax = SoColumn("FTaxAmt", 2002, 1);
    EXPECT_DOUBLE_EQ(SoColumn("FAllAmount", 2002, 1), amount + tax);
    EXPECT_DOUBLE_EQ(SoColumn("FAllStdAmount", 2002, 1), RoundDecimal((amount + tax) * 6.5, 2));
}

TEST_F(ToolSqlTest, ContractChecksOfBothRules) {
    EXPECT_EQ(account_.Count(ContractCheckSql(3001, 1, "16.0", true)), 0);
    EXPECT_EQ(account_.Count(ContractCheckSql(3001, 2, "10.0", true)), 1);  // received above
    EXPECT_EQ(account_.Count(ContractCheckSql(3002, 2, "16.0", true)), 0);  // received equal
    EXPECT_EQ(account_.Count(ContractCheckSql(3001, 1, "16.0", false)), 0);
    EXPECT_GT(account_.Count(ContractCheckSql(3002, 1, "16.0", false)), 0);  // two instalments
}

TEST_F(ToolSqlTest, ContractTaxInclusiveRuleInForeignCurrency) {
    account_.Execute(ContractUpdateSql(3102, 1, "16.0", true));
    // Q 2, Pi 35.1, X 6.5, 4 price decimals.
    EXPECT_DOUBLE_EQ(ContractColumn("FTaxRate", 3102, 1), 16);
    EXPECT_DOUBLE_EQ(ContractColumn("FAmountFor", 3102, 1), 60.52);
    EXPECT_DOUBLE_EQ(ContractColumn("FAmount", 3102, 1), 393.36);
    EXPECT_DOUBLE_EQ(ContractColumn("FTaxFor", 3102, 1), 9.68);
    EXPECT_DOUBLE_EQ(ContractColumn("FTax", 3102, 1), 62.94);
    EXPECT_DOUBLE_EQ(ContractColumn("FPriceFor", 3102, 1), 30.2586);
    EXPECT_DOUBLE_EQ(ContractColumn("FPrice", 3102, 1), 196.681);
    EXPECT_EQ(account_.Count("SELECT * FROM t_rpContractEntryRate WHERE FTaxRate=17"), 1);
}

TEST_F(ToolSqlTest, ContractTaxExclusiveRuleThenTotals) {
    account_.Execute(ContractUpdateSql(3001, 1, "16.0", false));
    account_.Execute(ContractTotalsSql(3001));
    EXPECT_DOUBLE_EQ(ContractColumn("FTaxPriceFor", 3001, 1), 116);
    EXPECT_DOUBLE_EQ(ContractColumn("FFactPriceFor", 3001, 1), 116);
    EXPECT_DOUBLE_EQ(ContractColumn("FAmountFor", 3001, 1), 1000);
    EXPECT_DOUBLE_EQ(ContractColumn("FTaxFor", 3001, 1), 160);
    EXPECT_DOUBLE_EQ(ContractColumn("FAmountIncludeTaxFor", 3001, 1), 1160);
    EXPECT_DOUBLE_EQ(ContractColumn("FTaxPrice", 3001, 1), 116);
    // 1160 + 222 + 210.6 + 580 over the four entries.
    EXPECT_DOUBLE_EQ(account_.Number("SELECT FTotalAmountFor FROM t_rpContract WHERE "
                                     "FContractID=3001"),
                     2172.6);
    EXPECT_DOUBLE_EQ(account_.Number("SELECT FAmountFor FROM t_RPContractScheme WHERE "
                                     "FContractID=3001"),
                     2172.6);
    RecordsetPtr backup = account_.Query("SELECT * FROM t_rpContractEntryRate");
    ASSERT_TRUE(backup);
    EXPECT_EQ(backup->RecordCount(), 1);
    EXPECT_DOUBLE_EQ(backup->Field("FTaxPriceFor").NumberAsDouble(), 117);
    EXPECT_TRUE(backup->Field("FTaxRate").IsNull());
}

TEST_F(ToolSqlTest, MasterDataStatements) {
    account_.Execute(MasterDataStatements()[0] + kCrLf);
    EXPECT_EQ(account_.Count("SELECT 1 FROM t_ICItemMaterial WHERE FTaxRate=16"), 3);
    EXPECT_EQ(account_.Count("SELECT 1 FROM t_ICItemMaterial WHERE FTaxRate=11"), 2);
    EXPECT_EQ(ToText(account_.Scalar("SELECT FDefaultValue FROM t_ItemPropDesc WHERE "
                                     "FItemClassID=4 AND FSQLColumnName='ftaxrate'")),
              "16");
    account_.Execute(MasterDataStatements()[4] + kCrLf);
    EXPECT_EQ(account_.Count("SELECT 1 FROM t_Organization WHERE FValueAddRate=10"), 1);
    EXPECT_EQ(account_.Count("SELECT 1 FROM t_Organization WHERE FValueAddRate=17"), 1);
    EXPECT_EQ(ToText(account_.Scalar("SELECT FDefaultValue FROM t_ItemPropDesc WHERE "
                                     "FItemClassID=1")),
              "17");
    std::string all;
    for (const std::string& statement : MasterDataStatements()) all += statement + kCrLf;
    account_.Execute(all);
    EXPECT_EQ(account_.Count("SELECT 1 FROM t_ICItemMaterial WHERE FTaxRate IN (17, 11)"), 0);
    EXPECT_EQ(account_.Count("SELECT 1 FROM t_Supplier WHERE FValueAddRate IN (16, 10)"), 3);
    EXPECT_EQ(account_.Count("SELECT 1 FROM t_ItemPropDesc WHERE FDefaultValue='16'"), 3);
}

}  // namespace
}  // namespace q9
