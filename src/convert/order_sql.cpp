#include "convert/order_sql.h"

#include <vector>

namespace q9 {

namespace {

std::string JoinLines(const std::vector<std::string>& lines) {
    std::string text;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (i > 0) text += kCrLf;
        text += lines[i];
    }
    return text;
}

// The linked-amount check is the same for both order kinds but for the entry table.
std::string OrderCheckSql(const std::string& entryTable, const std::string& rowCondition,
                          const std::string& n, AdjustmentRule rule) {
    if (rule == AdjustmentRule::KeepTaxExclusivePrice) return "SELECT 1 WHERE 1=2";
    return "SELECT 1 FROM " + entryTable + " te" + kCrLf +
           "WHERE te.FReceiveAmountFor_Commit>ROUND(FAuxQty*FAuxTaxPrice*(100-te.FTaxRate)/(100+" +
           n + "),2) AND " + rowCondition;
}

// The UPDATE's joins and line condition: the same for both order kinds but for the tables.
std::vector<std::string> OrderUpdateTail(const std::string& entryTable,
                                         const std::string& headerTable, const std::string& oldRate,
                                         const std::string& keyCondition) {
    return {"  FROM " + entryTable + " te",
            "INNER JOIN " + headerTable + " t ON te.FInterID = t.FInterID",
            "INNER JOIN t_ICItemMaterial ti ON ti.FItemID = te.FItemID",
            "WHERE te.FCess=" + oldRate + " AND " + keyCondition};
}

}  // namespace

std::string OrderRowCondition(int32_t interId, int32_t entryId) {
    return "(te.FInterID=" + std::to_string(interId) +
           " AND te.FEntryID=" + std::to_string(entryId) + ") ";
}

std::string OrderKeyCondition(int32_t interId, int32_t entryId) {
    return "(te.FInterID= " + std::to_string(interId) +
           " AND te.FEntryID=" + std::to_string(entryId) + ")";
}

std::string GetPOCheckSql(const std::string& rowCondition, const RateChange& change,
                          AdjustmentRule rule) {
    return OrderCheckSql("POOrderEntry", rowCondition, change.newRateText, rule);
}

std::string GetSOCheckSql(const std::string& rowCondition, const RateChange& change,
                          AdjustmentRule rule) {
    return OrderCheckSql("SEOrderEntry", rowCondition, change.newRateText, rule);
}

LineStatements PurchaseOrderLineStatements(int32_t interId, int32_t entryId,
                                           const RateChange& change, AdjustmentRule rule,
                                           bool discountIncludeTaxOn) {
    const std::string& n = change.newRateText;
    const std::string& old = change.oldRateCondition;
    const std::string k = OrderKeyCondition(interId, entryId);
    const std::string pn = "ROUND(te.FAuxPrice*(100+" + n + ")/100,ti.FPriceDecimal)";
    const std::vector<std::string> tail = OrderUpdateTail("POOrderEntry", "POOrder", old, k);
    LineStatements statements;
    std::vector<std::string> update;
    if (rule == AdjustmentRule::KeepTaxInclusivePrice) {
        statements.backupInsert = JoinLines({
            "INSERT INTO POOrderEntryTaxRate(FInterID,FEntryID,FCess,FTaxAmount,FAmount,FAuxPrice,"
            "FPrice,FDescount)",
            "SELECT FInterID,FEntryID,FCess,FTaxAmount,FAmount,FAuxPrice,FPrice,FDescount  FROM "
            "POOrderEntry te WHERE te.FCess=" +
                old + " AND " + k,
        });
        update = {
            "UPDATE te SET te.FCess=" + n,
            ",te.FTaxAmount=ROUND(te.FAuxQty*te.FAuxTaxPrice*(100-te.FTaxRate)*" + n + "/((100+" +
                n + ")*100),2),",
            "te.FAmount=ROUND(FAuxQty*FAuxTaxPrice*(100-te.FTaxRate)/(100+" + n + "),2),",
            "te.FAuxPrice=ROUND(FAuxTaxPrice*100/(100+" + n + "),ti.FPriceDecimal),",
            "te.FPrice = Round(FAuxTaxPrice * 100 / (100 + " + n +
                ") * t.FExchangeRate, ti.FPriceDecimal)",
        };
        if (!discountIncludeTaxOn) {
            update.push_back(",te.FDescount=ROUND(te.FAuxQty*te.FAuxTaxPrice*te.FTaxRate/(100+" +
                             n + "),2)");
        }
    } else {
        statements.backupInsert = JoinLines({
            "INSERT INTO POOrderEntryTaxRate(FInterID,FEntryID,FCess,FAuxTaxPrice,FTaxPrice,"
            "FAuxPriceDiscount,FPriceDiscount,FTaxAmount,FAllAmount,FDescount)",
            "SELECT "
            "FInterID,FEntryID,FCess,FAuxTaxPrice,FTaxPrice,FAuxPriceDiscount,FPriceDiscount,"
            "FTaxAmount,FAllAmount,FDescount FROM POOrderEntry te WHERE te.FCess=" +
                old + " AND " + k,
        });
        const std::string amount =
            "ROUND(te.FAuxQty*" + pn + "*(100-te.FTaxRate)/(100+" + n + "),2)";
        const std::string tax =
            "ROUND(te.FAuxQty*" + pn + "*(100-te.FTaxRate)*" + n + "/((100+" + n + ")*100),2)";
        const std::string total = "ROUND(te.FAuxQty*ROUND(te.FAuxPrice*(100+" + n +
                                  ")/100*(1-te.FTaxRate/100)*t.FExchangeRate,ti.FPriceDecimal),2)";
        update = {
            "UPDATE te SET te.FCess=" + n + ",te.FAuxTaxPrice=" + pn + ",",
            "te.FTaxPrice=ROUND(te.FAuxPrice*(100+" + n +
                ")/100*t.FExchangeRate,ti.FPriceDecimal),",
            "te.FAuxPriceDiscount=ROUND(" + pn + "*(1-te.FTaxRate/100),ti.FPriceDecimal),",
            "te.FPriceDiscount=ROUND(" + pn +
                "*(1-te.FTaxRate/100)*t.FExchangeRate,ti.FPriceDecimal),",
            "te.FAmount=" + amount + ",",
        };
        if (discountIncludeTaxOn) {
            update.push_back("te.FDescount=ROUND(te.FAuxQty*" + pn + "*te.FTaxRate/100,2),");
            update.push_back("te.FTaxAmount=" + total + " - " + amount + ",");
            update.push_back("te.FAllAmount = " + total);
        } else {
            update.push_back("te.FTaxAmount=" + tax + ",");
            update.push_back("te.FAllAmount = " + amount + "+" + tax);
            update.push_back(",te.FDescount=ROUND(te.FAuxQty*" + pn + "*te.FTaxRate/(100+" + n +
                             "),2)");
        }
    }
    update.insert(update.end(), tail.begin(), tail.end());
    statements.update = JoinLines(update);
    return statements;
}

LineStatements SalesOrderLineStatements(int32_t interId, int32_t entryId, const RateChange& change,
                                        AdjustmentRule rule, bool discountIncludeTaxOn) {
    const std::string& n = change.newRateText;
    const std::string& old = change.oldRateCondition;
    const std::string k = OrderKeyCondition(interId, entryId);
    const std::string pn = "ROUND(te.FAuxPrice*(100+" + n + ")/100,ti.FPriceDecimal)";
    const std::vector<std::string> tail = OrderUpdateTail("SEOrderEntry", "SEOrder", old, k);
    LineStatements statements;
    std::vector<std::string> update;
    if (rule == AdjustmentRule::KeepTaxInclusivePrice) {
        const std::string discountColumn = discountIncludeTaxOn ? "" : ",FTaxAmount";
        statements.backupInsert = JoinLines({
            "INSERT INTO SEOrderEntryTaxRate(FInterID,FEntryID,FCess,FTaxAmt,FAmount,FAuxPrice,"
            "FPrice" +
                discountColumn + ")",
            "SELECT FInterID,FEntryID,FCess,FTaxAmt,FAmount,FAuxPrice,FPrice" + discountColumn +
                " FROM SEOrderEntry te WHERE te.FCess=" + old + " AND " + k,
        });
        update = {
            "UPDATE te SET te.FCess=" + n +
                ",te.FTaxAmt=ROUND(FAuxQty*FAuxTaxPrice*(100-te.FTaxRate)*" + n + "/((100+" + n +
                ")*100),2),",
            "te.FAmount=ROUND(FAuxQty*FAuxTaxPrice*(100-te.FTaxRate)/(100+" + n + "),2),",
            "te.FAuxPrice=ROUND(FAuxTaxPrice*100/(100+" + n + "),ti.FPriceDecimal),",
        };
        if (!discountIncludeTaxOn) {
            update.push_back("te.FTaxAmount=ROUND(te.FAuxQty*te.FAuxTaxPrice*te.FTaxRate/(100+" +
                             n + "),2),");
        }
        update.push_back("FPrice = Round(FAuxTaxPrice * 100 / (100 + " + n +
                         ") * t.FExchangeRate, ti.FPriceDecimal)");
    } else {
        statements.backupInsert = JoinLines({
            "INSERT INTO SEOrderEntryTaxRate(FInterID,FEntryID,FCess,FTaxAmount,FAllAmount,"
            "FAllStdAmount,FAuxPriceDiscount,FPriceDiscount,FTaxAmt,FAuxTaxPrice,FTaxPrice)",
            "SELECT FInterID,FEntryID,FCess,FTaxAmount,FAllAmount,FAllStdAmount,FAuxPriceDiscount,"
            "FPriceDiscount,FTaxAmt,FAuxTaxPrice,FTaxPrice FROM SEOrderEntry te WHERE te.FCess=" +
                old + " AND " + k,
        });
        const std::string tax =
            "ROUND(te.FAuxQty*" + pn + "*(100-te.FTaxRate)*" + n + "/((100+" + n + ")*100),2)";
        update = {
            "UPDATE te SET te.FCess=" + n + ",te.FAuxTaxPrice=" + pn + ",",
            "te.FTaxPrice=ROUND(te.FAuxPrice*(100+" + n +
                ")/100*t.FExchangeRate,ti.FPriceDecimal),",
            "te.FAuxPriceDiscount=ROUND(" + pn + "*(1-te.FTaxRate/100),ti.FPriceDecimal),",
            "te.FPriceDiscount=ROUND(" + pn +
                "*(1-te.FTaxRate/100)*t.FExchangeRate,ti.FPriceDecimal),",
            discountIncludeTaxOn
                ? "te.FTaxAmount=ROUND(te.FAuxQty*(te.FAuxPrice*(100+" + n +
                      ")/100)*te.FTaxRate/100,2),"
                : "te.FTaxAmount=ROUND(te.FAuxQty*te.FAuxPrice/100*te.FTaxRate,2),",
            "te.FTaxAmt=" + tax + ",",
            "te.FAllAmount=te.FAmount+" + tax + ",",
            "te.FAllStdAmount=ROUND((te.FAmount+" + tax + ") * t.FExchangeRate, 2)",
        };
    }
    update.insert(update.end(), tail.begin(), tail.end());
    statements.update = JoinLines(update);
    return statements;
}

std::string GetPOUpdateSql(int32_t interId, int32_t entryId, const RateChange& change,
                           AdjustmentRule rule, bool discountIncludeTaxOn) {
    return PurchaseOrderLineStatements(interId, entryId, change, rule, discountIncludeTaxOn)
        .EntryBatch();
}

std::string GetSOUpdateSql(int32_t interId, int32_t entryId, const RateChange& change,
                           AdjustmentRule rule, bool discountIncludeTaxOn) {
    return SalesOrderLineStatements(interId, entryId, change, rule, discountIncludeTaxOn)
        .EntryBatch();
}

}  // namespace q9
