// The contract builders' texts, written out as the host's SQL must read.
#include <gtest/gtest.h>

#include <string>

#include "convert/contract_sql.h"

namespace q9 {
namespace {

const RateChange& kTo16 = StandardRateProfile().changes[0];
const RateChange& kTo10 = StandardRateProfile().changes[1];
constexpr AdjustmentRule kInclusive = AdjustmentRule::KeepTaxInclusivePrice;
constexpr AdjustmentRule kExclusive = AdjustmentRule::KeepTaxExclusivePrice;

TEST(ContractCheckSql, TaxInclusiveRuleComparesTheReceivedAmount) {
    EXPECT_EQ(GetContractCheckSql(1205, 3, kTo16, kInclusive),
              "SELECT 1 FROM t_rpContractEntry te\r\n"
              "INNER JOIN t_rpContract t ON te.FContractID = t.FContractID\r\n"
              "INNER JOIN t_Currency tc ON tc.FCurrencyID = t.FCurrencyID\r\n"
              "Where te.FTaxRate=1+16.0 AND (te.FContractID= 1205 AND te.FEntryID=3)AND "
              "te.FReceiveAmountFor>ROUND(FQuantity*FTaxPriceFor/(1+16.0/100)*"
              "(1-FBusinessDiscountRate/100),tc.FScale) \r\n");
}

TEST(ContractCheckSql, TaxExclusiveRuleLooksForSeveralScheduleRows) {
    const std::string expected =
        "SELECT 1 FROM t_RPContractScheme WHERE 1<(SELECT COUNT(1) FROM t_RPContractScheme WHERE "
        "FContractID=1205) AND FContractID=1205";
    EXPECT_EQ(GetContractCheckSql(1205, 3, kTo16, kExclusive), expected);
    EXPECT_EQ(GetContractCheckSql(1205, 9, kTo10, kExclusive), expected);
}

TEST(ContractUpdateSql, TaxInclusiveRuleIsOneBatchWithoutTotals) {
    ContractUpdateSql sql = GetContractUpdateSql(1205, 3, kTo10, kInclusive);
    EXPECT_EQ(sql.entryBatch,
              "INSERT INTO t_rpContractEntryRate(FContractID,FEntryID,FTaxRate,FAmount,FAmountFor,"
              "FTaxFor,FTax,FPriceFor,FPrice)\r\n"
              "SELECT FContractID,FEntryID,FTaxRate,FAmount,FAmountFor,FTaxFor,FTax,FPriceFor,"
              "FPrice FROM t_rpContractEntry te WHERE te.FTaxRate=1+10.0 AND (te.FContractID= "
              "1205 AND te.FEntryID=3)\r\n"
              "UPDATE te SET te.FTaxRate=10.0,te.FAmount=ROUND(FQuantity*FTaxPriceFor/"
              "(1+10.0/100)*(1-FBusinessDiscountRate/100) * t.FExchangeRate, tc.FScale),\r\n"
              "te.FAmountFor=ROUND(FQuantity*FTaxPriceFor/(1+10.0/100)*"
              "(1-FBusinessDiscountRate/100),tc.FScale),\r\n"
              "te.FTaxFor =ROUND(te.FQuantity*te.FTaxPriceFor*(1-te.FBusinessDiscountRate/100)/"
              "(1+10.0/100)*10.0/100,tc.FScale),\r\n"
              "te.FTax =ROUND(te.FQuantity*te.FTaxPriceFor*(1-te.FBusinessDiscountRate/100)/"
              "(1+10.0/100)*10.0/100* t.FExchangeRate,tc.FScale),\r\n"
              "FPriceFor =ROUND(FTaxPriceFor/(1+10.0/100),ti.FPriceDecimal),\r\n"
              "FPrice = Round(FTaxPriceFor / (1 + 10.0 / 100) * t.FExchangeRate, "
              "ti.FPriceDecimal)\r\n"
              "  FROM t_rpContractEntry te\r\n"
              "INNER JOIN t_rpContract t ON te.FContractID = t.FContractID\r\n"
              "INNER JOIN t_ICItemMaterial ti ON ti.FItemID = te.FProductID\r\n"
              "INNER JOIN t_Currency tc ON tc.FCurrencyID = t.FCurrencyID\r\n"
              "Where te.FTaxRate=1+10.0 AND (te.FContractID= 1205 AND te.FEntryID=3)");
    EXPECT_TRUE(sql.totalsBatch.empty());
}

TEST(ContractUpdateSql, TaxExclusiveRuleReturnsTheEntryBatchAndTheTotals) {
    ContractUpdateSql sql = GetContractUpdateSql(1205, 3, kTo16, kExclusive);
    EXPECT_EQ(sql.entryBatch,
              "INSERT INTO t_rpContractEntryRate(FContractID,FEntryID,FTaxPriceFor,FTaxPrice,"
              "FAmountIncludeTaxFor,FAmountIncludeTax,FTaxFor,FTax)\r\n"
              "SELECT FContractID,FEntryID,FTaxPriceFor,FTaxPrice,FAmountIncludeTaxFor,"
              "FAmountIncludeTax,FTaxFor,FTax FROM t_rpContractEntry te WHERE te.FTaxRate=1+16.0 "
              "AND (te.FContractID= 1205 AND te.FEntryID=3)\r\n"
              "UPDATE te SET te.FTaxRate=16.0,te.FTaxPriceFor=ROUND(FPriceFor*(1+16.0/100),"
              "ti.FPriceDecimal),\r\n"
              "te.FAmountFor=ROUND(FQuantity*ROUND(FPriceFor*(1+16.0/100),ti.FPriceDecimal)/"
              "(1+16.0/100)*(1-FBusinessDiscountRate/100),tc.FScale),\r\n"
              "te.FAmount=ROUND(FQuantity*ROUND(FPriceFor*(1+16.0/100),ti.FPriceDecimal)/"
              "(1+16.0/100)*(1-FBusinessDiscountRate/100)* t.FExchangeRate,tc.FScale),\r\n"
              "te.FFactPriceFor=ROUND(FPriceFor*(1+16.0/100),ti.FPriceDecimal),\r\n"
              "te.FTaxFor =ROUND(te.FQuantity*ROUND(FPriceFor*(1+16.0/100),ti.FPriceDecimal)*"
              "(1-te.FBusinessDiscountRate/100)/(1+16.0/100)*16.0/100,tc.FScale),\r\n"
              "te.FTax =ROUND(te.FQuantity*ROUND(FPriceFor*(1+16.0/100),ti.FPriceDecimal)*"
              "(1-te.FBusinessDiscountRate/100)/(1+16.0/100)*16.0/100 * t.FExchangeRate,"
              "tc.FScale),\r\n"
              "te.FTaxPrice=ROUND(FPrice*(1+16.0/100),ti.FPriceDecimal),\r\n"
              "te.FAmountIncludeTaxFor =ROUND(te.FQuantity*ROUND(FPriceFor*(1+16.0/100),"
              "ti.FPriceDecimal),tc.FScale),\r\n"
              "te.FAmountIncludeTax =ROUND(te.FQuantity*ROUND(FPriceFor*(1+16.0/100),"
              "ti.FPriceDecimal)* t.FExchangeRate,tc.FScale)\r\n"
              "  FROM t_rpContractEntry te\r\n"
              "INNER JOIN t_rpContract t ON te.FContractID = t.FContractID\r\n"
              "INNER JOIN t_ICItemMaterial ti ON ti.FItemID = te.FProductID\r\n"
              "INNER JOIN t_Currency tc ON tc.FCurrencyID = t.FCurrencyID\r\n"
              "Where te.FTaxRate=1+16.0 AND (te.FContractID= 1205 AND te.FEntryID=3)");
    EXPECT_EQ(sql.totalsBatch,
              "UPDATE t_rpContract SET FTotalAmountFor= (SELECT SUM(FAmountIncludeTaxFor) FROM "
              "t_rpContractEntry WHERE FContractID=1205),FTotalAmount= (SELECT "
              "SUM(FAmountIncludeTax) FROM t_rpContractEntry WHERE FContractID=1205) WHERE "
              "FContractID=1205\r\n"
              "UPDATE t_RPContractScheme SET FAmountFor= (SELECT SUM(FAmountIncludeTaxFor) FROM "
              "t_rpContractEntry WHERE FContractID=1205),FAmount= (SELECT SUM(FAmountIncludeTax) "
              "FROM t_rpContractEntry WHERE FContractID=1205) WHERE FContractID=1205\r\n");
}

TEST(ContractLineStatements, SplitTheEntryBatchAtTheUpdate) {
    for (AdjustmentRule rule : {kInclusive, kExclusive}) {
        LineStatements line = ContractLineStatements(-4, 1, kTo10, rule);
        ContractUpdateSql sql = GetContractUpdateSql(-4, 1, kTo10, rule);
        EXPECT_EQ(line.EntryBatch(), sql.entryBatch);
        EXPECT_EQ(line.totals, sql.totalsBatch);
        EXPECT_EQ(line.update.rfind("UPDATE te SET te.FTaxRate=10.0,", 0), 0u);
        EXPECT_NE(line.backupInsert.find("(te.FContractID= -4 AND te.FEntryID=1)"),
                  std::string::npos);
    }
}

}  // namespace
}  // namespace q9
