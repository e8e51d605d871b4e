#include "convert/contract_sql.h"

namespace q9 {

namespace {

std::string EntryCondition(const std::string& oldRate, const std::string& c, const std::string& e) {
    return "te.FTaxRate=" + oldRate + " AND " + "(te.FContractID= " + c + " AND te.FEntryID=" + e +
           ")";
}

}  // namespace

std::string GetContractCheckSql(int32_t contractId, int32_t entryId, const RateChange& change,
                                AdjustmentRule rule) {
    const std::string& n = change.newRateText;
    const std::string c = std::to_string(contractId);
    if (rule == AdjustmentRule::KeepTaxExclusivePrice) {
        return "SELECT 1 FROM t_RPContractScheme WHERE 1<(SELECT COUNT(1) FROM t_RPContractScheme "
               "WHERE FContractID=" +
               c + ") AND FContractID=" + c;
    }
    return std::string("SELECT 1 FROM t_rpContractEntry te") + kCrLf +
           "INNER JOIN t_rpContract t ON te.FContractID = t.FContractID" + kCrLf +
           "INNER JOIN t_Currency tc ON tc.FCurrencyID = t.FCurrencyID" + kCrLf + "Where " +
           EntryCondition(change.oldRateCondition, c, std::to_string(entryId)) +
           "AND te.FReceiveAmountFor>ROUND(FQuantity*FTaxPriceFor/(1+" + n +
           "/100)*(1-FBusinessDiscountRate/100),tc.FScale) " + kCrLf;
}

LineStatements ContractLineStatements(int32_t contractId, int32_t entryId, const RateChange& change,
                                      AdjustmentRule rule) {
    const std::string& n = change.newRateText;
    const std::string c = std::to_string(contractId);
    const std::string where = EntryCondition(change.oldRateCondition, c, std::to_string(entryId));
    const std::string joins =
        std::string("  FROM t_rpContractEntry te") + kCrLf +
        "INNER JOIN t_rpContract t ON te.FContractID = t.FContractID" + kCrLf +
        "INNER JOIN t_ICItemMaterial ti ON ti.FItemID = te.FProductID" + kCrLf +
        "INNER JOIN t_Currency tc ON tc.FCurrencyID = t.FCurrencyID" + kCrLf + "Where " + where;
    LineStatements statements;
    if (rule == AdjustmentRule::KeepTaxInclusivePrice) {
        statements.backupInsert =
            std::string(
                "INSERT INTO t_rpContractEntryRate(FContractID,FEntryID,FTaxRate,FAmount,"
                "FAmountFor,FTaxFor,FTax,FPriceFor,FPrice)") +
            kCrLf +
            "SELECT FContractID,FEntryID,FTaxRate,FAmount,FAmountFor,FTaxFor,FTax,FPriceFor,FPrice "
            "FROM t_rpContractEntry te WHERE " +
            where;
        statements.update =
            "UPDATE te SET te.FTaxRate=" + n + ",te.FAmount=ROUND(FQuantity*FTaxPriceFor/(1+" + n +
            "/100)*(1-FBusinessDiscountRate/100) * t.FExchangeRate, tc.FScale)," + kCrLf +
            "te.FAmountFor=ROUND(FQuantity*FTaxPriceFor/(1+" + n +
            "/100)*(1-FBusinessDiscountRate/100),tc.FScale)," + kCrLf +
            "te.FTaxFor =ROUND(te.FQuantity*te.FTaxPriceFor*(1-te.FBusinessDiscountRate/100)/(1+" +
            n + "/100)*" + n + "/100,tc.FScale)," + kCrLf +
            "te.FTax =ROUND(te.FQuantity*te.FTaxPriceFor*(1-te.FBusinessDiscountRate/100)/(1+" + n +
            "/100)*" + n + "/100* t.FExchangeRate,tc.FScale)," + kCrLf +
            "FPriceFor =ROUND(FTaxPriceFor/(1+" + n + "/100),ti.FPriceDecimal)," + kCrLf +
            "FPrice = Round(FTaxPriceFor / (1 + " + n +
            " / 100) * t.FExchangeRate, ti.FPriceDecimal)" + kCrLf + joins;
        return statements;
    }
    const std::string pn = "ROUND(FPriceFor*(1+" + n + "/100),ti.FPriceDecimal)";
    statements.backupInsert =
        std::string(
            "INSERT INTO t_rpContractEntryRate(FContractID,FEntryID,FTaxPriceFor,FTaxPrice,"
            "FAmountIncludeTaxFor,FAmountIncludeTax,FTaxFor,FTax)") +
        kCrLf +
        "SELECT FContractID,FEntryID,FTaxPriceFor,FTaxPrice,FAmountIncludeTaxFor,"
        "FAmountIncludeTax,FTaxFor,FTax FROM t_rpContractEntry te WHERE " +
        where;
    statements.update =
        "UPDATE te SET te.FTaxRate=" + n + ",te.FTaxPriceFor=" + pn + "," + kCrLf +
        "te.FAmountFor=ROUND(FQuantity*" + pn + "/(1+" + n +
        "/100)*(1-FBusinessDiscountRate/100),tc.FScale)," + kCrLf + "te.FAmount=ROUND(FQuantity*" +
        pn + "/(1+" + n + "/100)*(1-FBusinessDiscountRate/100)* t.FExchangeRate,tc.FScale)," +
        kCrLf + "te.FFactPriceFor=" + pn + "," + kCrLf + "te.FTaxFor =ROUND(te.FQuantity*" + pn +
        "*(1-te.FBusinessDiscountRate/100)/(1+" + n + "/100)*" + n + "/100,tc.FScale)," + kCrLf +
        "te.FTax =ROUND(te.FQuantity*" + pn + "*(1-te.FBusinessDiscountRate/100)/(1+" + n +
        "/100)*" + n + "/100 * t.FExchangeRate,tc.FScale)," + kCrLf +
        "te.FTaxPrice=ROUND(FPrice*(1+" + n + "/100),ti.FPriceDecimal)," + kCrLf +
        "te.FAmountIncludeTaxFor =ROUND(te.FQuantity*" + pn + ",tc.FScale)," + kCrLf +
        "te.FAmountIncludeTax =ROUND(te.FQuantity*" + pn + "* t.FExchangeRate,tc.FScale)" + kCrLf +
        joins;
    const std::string sumFor =
        "(SELECT SUM(FAmountIncludeTaxFor) FROM t_rpContractEntry WHERE FContractID=" + c + ")";
    const std::string sumLocal =
        "(SELECT SUM(FAmountIncludeTax) FROM t_rpContractEntry WHERE FContractID=" + c + ")";
    statements.totals = "UPDATE t_rpContract SET FTotalAmountFor= " + sumFor +
                        ",FTotalAmount= " + sumLocal + " WHERE FContractID=" + c + kCrLf +
                        "UPDATE t_RPContractScheme SET FAmountFor= " + sumFor +
                        ",FAmount= " + sumLocal + " WHERE FContractID=" + c + kCrLf;
    return statements;
}

ContractUpdateSql GetContractUpdateSql(int32_t contractId, int32_t entryId,
                                       const RateChange& change, AdjustmentRule rule) {
    LineStatements statements = ContractLineStatements(contractId, entryId, change, rule);
    return {statements.EntryBatch(), statements.totals};
}

}  // namespace q9
