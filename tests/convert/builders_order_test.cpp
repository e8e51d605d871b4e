// The order builders' texts, written out as the host's SQL must read.
#include <gtest/gtest.h>

#include <string>

#include "convert/order_sql.h"

namespace q9 {
namespace {

const RateChange& kTo16 = StandardRateProfile().changes[0];
const RateChange& kTo10 = StandardRateProfile().changes[1];
constexpr AdjustmentRule kInclusive = AdjustmentRule::KeepTaxInclusivePrice;
constexpr AdjustmentRule kExclusive = AdjustmentRule::KeepTaxExclusivePrice;

std::string Replace16With10(std::string text) {
    for (size_t at = text.find("16.0"); at != std::string::npos; at = text.find("16.0", at)) {
        text.replace(at, 4, "10.0");
    }
    return text;
}

TEST(OrderConditions, RowAndKeyConditionsDifferInTheirBlanks) {
    EXPECT_EQ(OrderRowCondition(501, 2), "(te.FInterID=501 AND te.FEntryID=2) ");
    EXPECT_EQ(OrderKeyCondition(501, 2), "(te.FInterID= 501 AND te.FEntryID=2)");
    EXPECT_EQ(OrderKeyCondition(-7, 2147483647), "(te.FInterID= -7 AND te.FEntryID=2147483647)");
}

TEST(OrderCheckSql, TaxInclusiveRuleComparesTheLinkedAmount) {
    EXPECT_EQ(GetPOCheckSql(OrderRowCondition(501, 2), kTo16, kInclusive),
              "SELECT 1 FROM POOrderEntry te\r\n"
              "WHERE te.FReceiveAmountFor_Commit>ROUND(FAuxQty*FAuxTaxPrice*(100-te.FTaxRate)/"
              "(100+16.0),2) AND (te.FInterID=501 AND te.FEntryID=2) ");
    EXPECT_EQ(GetSOCheckSql(OrderRowCondition(7, 1), kTo10, kInclusive),
              "SELECT 1 FROM SEOrderEntry te\r\n"
              "WHERE te.FReceiveAmountFor_Commit>ROUND(FAuxQty*FAuxTaxPrice*(100-te.FTaxRate)/"
              "(100+10.0),2) AND (te.FInterID=7 AND te.FEntryID=1) ");
}

TEST(OrderCheckSql, TaxExclusiveRuleFindsNothing) {
    EXPECT_EQ(GetPOCheckSql(OrderRowCondition(501, 2), kTo16, kExclusive), "SELECT 1 WHERE 1=2");
    EXPECT_EQ(GetSOCheckSql(OrderRowCondition(501, 2), kTo10, kExclusive), "SELECT 1 WHERE 1=2");
}

const std::string kPoInclusiveHead =
    "INSERT INTO POOrderEntryTaxRate(FInterID,FEntryID,FCess,FTaxAmount,FAmount,FAuxPrice,FPrice,"
    "FDescount)\r\n"
    "SELECT FInterID,FEntryID,FCess,FTaxAmount,FAmount,FAuxPrice,FPrice,FDescount  FROM "
    "POOrderEntry te WHERE te.FCess=1+16.0 AND (te.FInterID= 501 AND te.FEntryID=2)\r\n"
    "UPDATE te SET te.FCess=16.0\r\n"
    ",te.FTaxAmount=ROUND(te.FAuxQty*te.FAuxTaxPrice*(100-te.FTaxRate)*16.0/((100+16.0)*100),2),"
    "\r\n"
    "te.FAmount=ROUND(FAuxQty*FAuxTaxPrice*(100-te.FTaxRate)/(100+16.0),2),\r\n"
    "te.FAuxPrice=ROUND(FAuxTaxPrice*100/(100+16.0),ti.FPriceDecimal),\r\n"
    "te.FPrice = Round(FAuxTaxPrice * 100 / (100 + 16.0) * t.FExchangeRate, ti.FPriceDecimal)";
const std::string kPoTail =
    "\r\n  FROM POOrderEntry te\r\n"
    "INNER JOIN POOrder t ON te.FInterID = t.FInterID\r\n"
    "INNER JOIN t_ICItemMaterial ti ON ti.FItemID = te.FItemID\r\n"
    "WHERE te.FCess=1+16.0 AND (te.FInterID= 501 AND te.FEntryID=2)";

TEST(POUpdateSql, TaxInclusiveRuleRecomputesTheDiscountOnlyWhenItExcludesTax) {
    EXPECT_EQ(GetPOUpdateSql(501, 2, kTo16, kInclusive, true), kPoInclusiveHead + kPoTail);
    const std::string withDiscount =
        kPoInclusiveHead +
        "\r\n,te.FDescount=ROUND(te.FAuxQty*te.FAuxTaxPrice*te.FTaxRate/(100+16.0),2)" + kPoTail;
    EXPECT_EQ(GetPOUpdateSql(501, 2, kTo16, kInclusive, false), withDiscount);
    EXPECT_EQ(GetPOUpdateSql(501, 2, kTo10, kInclusive, false), Replace16With10(withDiscount));
}

const std::string kPoExclusiveHead =
    "INSERT INTO POOrderEntryTaxRate(FInterID,FEntryID,FCess,FAuxTaxPrice,FTaxPrice,"
    "FAuxPriceDiscount,FPriceDiscount,FTaxAmount,FAllAmount,FDescount)\r\n"
    "SELECT FInterID,FEntryID,FCess,FAuxTaxPrice,FTaxPrice,FAuxPriceDiscount,FPriceDiscount,"
    "FTaxAmount,FAllAmount,FDescount FROM POOrderEntry te WHERE te.FCess=1+16.0 AND "
    "(te.FInterID= 501 AND te.FEntryID=2)\r\n"
    "UPDATE te SET te.FCess=16.0,te.FAuxTaxPrice=ROUND(te.FAuxPrice*(100+16.0)/100,"
    "ti.FPriceDecimal),\r\n"
    "te.FTaxPrice=ROUND(te.FAuxPrice*(100+16.0)/100*t.FExchangeRate,ti.FPriceDecimal),\r\n"
    "te.FAuxPriceDiscount=ROUND(ROUND(te.FAuxPrice*(100+16.0)/100,ti.FPriceDecimal)*"
    "(1-te.FTaxRate/100),ti.FPriceDecimal),\r\n"
    "te.FPriceDiscount=ROUND(ROUND(te.FAuxPrice*(100+16.0)/100,ti.FPriceDecimal)*"
    "(1-te.FTaxRate/100)*t.FExchangeRate,ti.FPriceDecimal),\r\n"
    "te.FAmount=ROUND(te.FAuxQty*ROUND(te.FAuxPrice*(100+16.0)/100,ti.FPriceDecimal)*"
    "(100-te.FTaxRate)/(100+16.0),2),\r\n";

TEST(POUpdateSql, TaxExclusiveRuleWithTaxInclusiveDiscounts) {
    const std::string expected =
        kPoExclusiveHead +
        "te.FDescount=ROUND(te.FAuxQty*ROUND(te.FAuxPrice*(100+16.0)/100,ti.FPriceDecimal)*"
        "te.FTaxRate/100,2),\r\n"
        "te.FTaxAmount=ROUND(te.FAuxQty*ROUND(te.FAuxPrice*(100+16.0)/100*(1-te.FTaxRate/100)*"
        "t.FExchangeRate,ti.FPriceDecimal),2) - ROUND(te.FAuxQty*ROUND(te.FAuxPrice*(100+16.0)/"
        "100,ti.FPriceDecimal)*(100-te.FTaxRate)/(100+16.0),2),\r\n"
        "te.FAllAmount = ROUND(te.FAuxQty*ROUND(te.FAuxPrice*(100+16.0)/100*(1-te.FTaxRate/100)*"
        "t.FExchangeRate,ti.FPriceDecimal),2)" +
        kPoTail;
    EXPECT_EQ(GetPOUpdateSql(501, 2, kTo16, kExclusive, true), expected);
    EXPECT_EQ(GetPOUpdateSql(501, 2, kTo10, kExclusive, true), Replace16With10(expected));
}

TEST(POUpdateSql, TaxExclusiveRuleWithTaxExclusiveDiscounts) {
    const std::string expected =
        kPoExclusiveHead +
        "te.FTaxAmount=ROUND(te.FAuxQty*ROUND(te.FAuxPrice*(100+16.0)/100,ti.FPriceDecimal)*"
        "(100-te.FTaxRate)*16.0/((100+16.0)*100),2),\r\n"
        "te.FAllAmount = ROUND(te.FAuxQty*ROUND(te.FAuxPrice*(100+16.0)/100,ti.FPriceDecimal)*"
        "(100-te.FTaxRate)/(100+16.0),2)+ROUND(te.FAuxQty*ROUND(te.FAuxPrice*(100+16.0)/100,"
        "ti.FPriceDecimal)*(100-te.FTaxRate)*16.0/((100+16.0)*100),2)\r\n"
        ",te.FDescount=ROUND(te.FAuxQty*ROUND(te.FAuxPrice*(100+16.0)/100,ti.FPriceDecimal)*"
        "te.FTaxRate/(100+16.0),2)" +
        kPoTail;
    EXPECT_EQ(GetPOUpdateSql(501, 2, kTo16, kExclusive, false), expected);
    EXPECT_EQ(GetPOUpdateSql(501, 2, kTo10, kExclusive, false), Replace16With10(expected));
}

const std::string kSoTail =
    "\r\n  FROM SEOrderEntry te\r\n"
    "INNER JOIN SEOrder t ON te.FInterID = t.FInterID\r\n"
    "INNER JOIN t_ICItemMaterial ti ON ti.FItemID = te.FItemID\r\n"
    "WHERE te.FCess=1+10.0 AND (te.FInterID= 501 AND te.FEntryID=2)";

TEST(SOUpdateSql, TaxInclusiveRuleCopiesAndRewritesTheDiscountOnlyWhenItExcludesTax) {
    EXPECT_EQ(GetSOUpdateSql(501, 2, kTo10, kInclusive, true),
              "INSERT INTO SEOrderEntryTaxRate(FInterID,FEntryID,FCess,FTaxAmt,FAmount,FAuxPrice,"
              "FPrice)\r\n"
              "SELECT FInterID,FEntryID,FCess,FTaxAmt,FAmount,FAuxPrice,FPrice FROM SEOrderEntry "
              "te WHERE te.FCess=1+10.0 AND (te.FInterID= 501 AND te.FEntryID=2)\r\n"
              "UPDATE te SET te.FCess=10.0,te.FTaxAmt=ROUND(FAuxQty*FAuxTaxPrice*"
              "(100-te.FTaxRate)*10.0/((100+10.0)*100),2),\r\n"
              "te.FAmount=ROUND(FAuxQty*FAuxTaxPrice*(100-te.FTaxRate)/(100+10.0),2),\r\n"
              "te.FAuxPrice=ROUND(FAuxTaxPrice*100/(100+10.0),ti.FPriceDecimal),\r\n"
              "FPrice = Round(FAuxTaxPrice * 100 / (100 + 10.0) * t.FExchangeRate, "
              "ti.FPriceDecimal)" +
                  kSoTail);
    EXPECT_EQ(GetSOUpdateSql(501, 2, kTo10, kInclusive, false),
              "INSERT INTO SEOrderEntryTaxRate(FInterID,FEntryID,FCess,FTaxAmt,FAmount,FAuxPrice,"
              "FPrice,FTaxAmount)\r\n"
              "SELECT FInterID,FEntryID,FCess,FTaxAmt,FAmount,FAuxPrice,FPrice,FTaxAmount FROM "
              "SEOrderEntry te WHERE te.FCess=1+10.0 AND (te.FInterID= 501 AND te.FEntryID=2)\r\n"
              "UPDATE te SET te.FCess=10.0,te.FTaxAmt=ROUND(FAuxQty*FAuxTaxPrice*"
              "(100-te.FTaxRate)*10.0/((100+10.0)*100),2),\r\n"
              "te.FAmount=ROUND(FAuxQty*FAuxTaxPrice*(100-te.FTaxRate)/(100+10.0),2),\r\n"
              "te.FAuxPrice=ROUND(FAuxTaxPrice*100/(100+10.0),ti.FPriceDecimal),\r\n"
              "te.FTaxAmount=ROUND(te.FAuxQty*te.FAuxTaxPrice*te.FTaxRate/(100+10.0),2),\r\n"
              "FPrice = Round(FAuxTaxPrice * 100 / (100 + 10.0) * t.FExchangeRate, "
              "ti.FPriceDecimal)" +
                  kSoTail);
}

TEST(SOUpdateSql, TaxExclusiveRuleAddsTheNewTaxToTheStoredAmount) {
    const std::string head =
        "INSERT INTO SEOrderEntryTaxRate(FInterID,FEntryID,FCess,FTaxAmount,FAllAmount,"
        "FAllStdAmount,FAuxPriceDiscount,FPriceDiscount,FTaxAmt,FAuxTaxPrice,FTaxPrice)\r\n"
        "SELECT FInterID,FEntryID,FCess,FTaxAmount,FAllAmount,FAllStdAmount,FAuxPriceDiscount,"
        "FPriceDiscount,FTaxAmt,FAuxTaxPrice,FTaxPrice FROM SEOrderEntry te WHERE te.FCess=1+10.0 "
        "AND (te.FInterID= 501 AND te.FEntryID=2)\r\n"
        "UPDATE te SET te.FCess=10.0,te.FAuxTaxPrice=ROUND(te.FAuxPrice*(100+10.0)/100,"
        "ti.FPriceDecimal),\r\n"
        "te.FTaxPrice=ROUND(te.FAuxPrice*(100+10.0)/100*t.FExchangeRate,ti.FPriceDecimal),\r\n"
        "te.FAuxPriceDiscount=ROUND(ROUND(te.FAuxPrice*(100+10.0)/100,ti.FPriceDecimal)*"
        "(1-te.FTaxRate/100),ti.FPriceDecimal),\r\n"
        "te.FPriceDiscount=ROUND(ROUND(te.FAuxPrice*(100+10.0)/100,ti.FPriceDecimal)*"
        "(1-te.FTaxRate/100)*t.FExchangeRate,ti.FPriceDecimal),\r\n";
    const std::string rest =
        "te.FTaxAmt=ROUND(te.FAuxQty*ROUND(te.FAuxPrice*(100+10.0)/100,ti.FPriceDecimal)*"
        "(100-te.FTaxRate)*10.0/((100+10.0)*100),2),\r\n"
        "te.FAllAmount=te.FAmount+ROUND(te.FAuxQty*ROUND(te.FAuxPrice*(100+10.0)/100,"
        "ti.FPriceDecimal)*(100-te.FTaxRate)*10.0/((100+10.0)*100),2),\r\n"
        "te.FAllStdAmount=ROUND((te.FAmount+ROUND(te.FAuxQty*ROUND(te.FAuxPrice*(100+10.0)/100,"
        "ti.FPriceDecimal)*(100-te.FTaxRate)*10.0/((100+10.0)*100),2)) * t.FExchangeRate, 2)" +
        kSoTail;
    EXPECT_EQ(GetSOUpdateSql(501, 2, kTo10, kExclusive, true),
              head +
                  "te.FTaxAmount=ROUND(te.FAuxQty*(te.FAuxPrice*(100+10.0)/100)*te.FTaxRate/100,"
                  "2),\r\n" +
                  rest);
    EXPECT_EQ(GetSOUpdateSql(501, 2, kTo10, kExclusive, false),
              head + "te.FTaxAmount=ROUND(te.FAuxQty*te.FAuxPrice/100*te.FTaxRate,2),\r\n" + rest);
}

TEST(OrderLineStatements, SplitTheBatchAtTheUpdate) {
    for (AdjustmentRule rule : {kInclusive, kExclusive}) {
        for (bool includeTax : {true, false}) {
            LineStatements po = PurchaseOrderLineStatements(9, 4, kTo16, rule, includeTax);
            EXPECT_EQ(po.backupInsert.rfind("INSERT INTO POOrderEntryTaxRate(", 0), 0u);
            EXPECT_EQ(po.update.rfind("UPDATE te SET", 0), 0u);
            EXPECT_TRUE(po.totals.empty());
            EXPECT_EQ(po.EntryBatch(), GetPOUpdateSql(9, 4, kTo16, rule, includeTax));
            LineStatements so = SalesOrderLineStatements(9, 4, kTo10, rule, includeTax);
            EXPECT_EQ(so.update.rfind("UPDATE te SET", 0), 0u);
            EXPECT_EQ(so.EntryBatch(), GetSOUpdateSql(9, 4, kTo10, rule, includeTax));
        }
    }
}

}  // namespace
}  // namespace q9
