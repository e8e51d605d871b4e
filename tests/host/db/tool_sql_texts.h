#pragma once

// The SQL texts the tool sends, written out here independently of the builders in src/, so
// that the embedded engine is tested against the texts as the tool must send them.

#include <string>
#include <vector>

namespace q9::tool_sql {

inline const std::string kCrLf = "\r\n";

inline std::string SwitchQuery() {
    return "SELECT FKey FROM t_SystemProfile WHERE FKey IN('DisCountIncludeTax', 'BillDisCount') "
           "AND FCategory ='IC' AND FValue = 1";
}

inline std::string StartupBatch() {
    const std::vector<std::string> pieces = {
        "IF NOT EXISTS(SELECT 1 FROM sysobjects WHERE name='POOrderEntryTaxRate' AND xtype='u')",
        "CREATE TABLE POOrderEntryTaxRate(FInterID INT,FEntryID INT,FCess DECIMAL(23,10),"
        "FTaxAmount DECIMAL(23,10),FAmount DECIMAL(23,10),FAuxPrice DECIMAL(23,10),FPrice "
        "DECIMAL(23,10),",
        "FAuxTaxPrice DECIMAL(23,10),FTaxPrice DECIMAL(23,10),FAuxPriceDiscount "
        "DECIMAL(23,10),FPriceDiscount DECIMAL(23,10),FAllAmount DECIMAL(23,10),FDescount "
        "DECIMAL(23,10))",
        "IF NOT EXISTS(SELECT 1 FROM sysobjects WHERE name='SEOrderEntryTaxRate' AND xtype='u')",
        "CREATE TABLE SEOrderEntryTaxRate(FInterID INT,FEntryID INT,FCess DECIMAL(23,10),FTaxAmt "
        "DECIMAL(23,10),FAmount DECIMAL(23,10),",
        "FAuxPrice DECIMAL(23,10),FPrice DECIMAL(23,10),FAuxTaxPrice DECIMAL(23,10),FTaxPrice "
        "DECIMAL(23,10),FAuxPriceDiscount DECIMAL(23,10),",
        "FPriceDiscount DECIMAL(23,10),FTaxAmount DECIMAL(23,10),FAllAmount "
        "DECIMAL(23,10),FAllStdAmount DECIMAL(23,10))",
        "IF NOT EXISTS(SELECT 1 FROM sysobjects WHERE name='t_rpContractEntryRate' AND "
        "xtype='u')",
        "CREATE TABLE t_rpContractEntryRate(FContractID INT,FEntryID INT,FTaxRate "
        "DECIMAL(23,10),FAmount DECIMAL(23,10),",
        "FAmountFor DECIMAL(23,10),FTaxFor DECIMAL(23,10),FTax DECIMAL(23,10),FPriceFor "
        "DECIMAL(23,10),FPrice DECIMAL(23,10),",
        "FTaxPriceFor DECIMAL(23,10),FTaxPrice DECIMAL(23,10),FAmountIncludeTaxFor "
        "DECIMAL(23,10),FAmountIncludeTax DECIMAL(23,10))"};
    std::string batch;
    for (const std::string& piece : pieces) batch += piece + kCrLf;
    return batch;
}

enum class Candidates { PurchaseOrders, SalesOrders, PayableContracts, ReceivableContracts };

inline std::string CandidateQuery(Candidates kind, bool discountIncludeTaxOn = false) {
    const std::string cutoff = "2018-05-01";
    const std::string orderLine1 =
        "SELECT d.FBillNo,de.FInterID,de.FEntryID,ts.FName AS FSupplyName,t.FNumber AS "
        "FItemNumber,t.FName AS FItemName,de.FAuxQty,";
    const std::string orderLine4 = "INNER JOIN t_ICItemCore t ON t.FItemID = de.FItemID";
    const std::string orderLine6 =
        "Where de.FQtyInvoice =0 AND d.FCancellation =0 And (de.FCess = 17 OR de.FCess = 11) AND "
        "d.FDate<'";
    const std::string contractLines =
        "SELECT d.FContractNo AS FBillNo,de.FContractID AS FInterID,de.FEntryID,CASE WHEN "
        "d.FItemClassID =1 THEN tg.FName ELSE ts.FName END AS FSupplyName,t.FNumber AS "
        "FItemNumber,t.FName AS FItemName," +
        kCrLf +
        "de.FQuantity AS FAuxQty,de.FPriceFor AS FAuxPrice,de.FTaxPriceFor AS "
        "FAuxTaxPrice,de.FTaxFor AS FTaxAmount,de.FAmount,de.FTaxRate AS FTaxRate,de.FAmountFor "
        "FAmount,de.FAmountIncludeTaxFor AS FAllAmount,de.FReceiveAmountFor FCommitAmt FROM "
        "t_RPContract d" +
        kCrLf + "INNER JOIN t_RPContractEntry de ON d.FContractID = de.FContractID" + kCrLf +
        "INNER JOIN t_ICItemCore t ON t.FItemID = de.FProductID" + kCrLf +
        "LEFT JOIN t_Supplier ts ON ts.FItemID = d.FCustomer" + kCrLf +
        "LEFT JOIN t_Organization tg ON tg.FItemID = d.FCustomer" + kCrLf;
    const std::string tail = " AND de.FBusinessDiscountFor=0";
    switch (kind) {
        case Candidates::PurchaseOrders:
            return orderLine1 + kCrLf +
                   "de.FAuxPrice,de.FAuxTaxPrice,de.FAmount,de.FCess AS "
                   "FTaxRate,FTaxAmount,FAllAmount,de.FAuxCommitQty AS "
                   "FCommitQty,de.FReceiveAmountFor_Commit AS FCommitAmt FROM POOrder d" +
                   kCrLf + "INNER JOIN POOrderEntry de ON d.FInterID = de.FInterID" + kCrLf +
                   orderLine4 + kCrLf + "INNER JOIN t_Supplier ts ON ts.FItemID = d.FSupplyID" +
                   kCrLf + orderLine6 + cutoff + "'" + kCrLf;
        case Candidates::SalesOrders:
            return orderLine1 + kCrLf +
                   "de.FAuxPrice,de.FAuxTaxPrice,de.FAmount,de.FCess AS "
                   "FTaxRate,FTaxAmount,FAllAmount,de.FAuxCommitQty AS "
                   "FCommitQty,de.FReceiveAmountFor_Commit AS FCommitAmt FROM SEOrder d" +
                   kCrLf + "INNER JOIN SEOrderEntry de ON d.FInterID = de.FInterID" + kCrLf +
                   orderLine4 + kCrLf + "INNER JOIN t_Organization ts ON ts.FItemID = d.FCustID" +
                   kCrLf + orderLine6 + cutoff + "'" + kCrLf;
        case Candidates::PayableContracts:
            return contractLines +
                   "Where d.FClassTypeID=1000020 AND d.FCancellation =0 And "
                   "de.FInvoiceQty_Relative=0 AND (de.FTaxRate = 17 OR de.FTaxRate = 11) AND "
                   "d.FDate<'" +
                   cutoff + "'" + kCrLf + tail;
        case Candidates::ReceivableContracts:
            return contractLines +
                   "Where d.FClassTypeID=1000019 AND d.FCancellation =0 And "
                   "de.FInvoiceQty_Relative=0 AND (de.FTaxRate = 17 OR de.FTaxRate = 11) AND "
                   "d.FDate<'" +
                   cutoff + "'" + kCrLf + (discountIncludeTaxOn ? "" : tail);
    }
    return {};
}

// Orders: purchase (PO) and sales (SO) texts.
inline std::string OrderRowCondition(const std::string& interId, const std::string& entryId) {
    return "(te.FInterID=" + interId + " AND te.FEntryID=" + entryId + ") ";
}
inline std::string OrderKey(int interId, int entryId) {
    return "(te.FInterID= " + std::to_string(interId) +
           " AND te.FEntryID=" + std::to_string(entryId) + ")";
}

inline std::string OrderCheckSql(bool sales, const std::string& w, const std::string& n,
                                 bool taxInclusiveRule) {
    if (!taxInclusiveRule) return "SELECT 1 WHERE 1=2";
    return std::string("SELECT 1 FROM ") + (sales ? "SEOrderEntry" : "POOrderEntry") + " te" +
           kCrLf +
           "WHERE te.FReceiveAmountFor_Commit>ROUND(FAuxQty*FAuxTaxPrice*(100-te.FTaxRate)/(100+" +
           n + "),2) AND " + w;
}

inline std::string Join(const std::vector<std::string>& lines) {
    std::string text;
    for (size_t i = 0; i < lines.size(); ++i) text += (i ? kCrLf : "") + lines[i];
    return text;
}

inline std::string PoUpdateSql(int interId, int entryId, const std::string& n,
                               bool taxInclusiveRule, bool discountIncludeTaxOn) {
    const std::string k = OrderKey(interId, entryId);
    std::vector<std::string> l;
    if (taxInclusiveRule) {
        l = {
            "INSERT INTO POOrderEntryTaxRate(FInterID,FEntryID,FCess,FTaxAmount,FAmount,FAuxPrice,"
            "FPrice,FDescount)",
            "SELECT FInterID,FEntryID,FCess,FTaxAmount,FAmount,FAuxPrice,FPrice,FDescount  FROM "
            "POOrderEntry te WHERE te.FCess=1+" +
                n + " AND " + k,
            "UPDATE te SET te.FCess=" + n,
            ",te.FTaxAmount=ROUND(te.FAuxQty*te.FAuxTaxPrice*(100-te.FTaxRate)*" + n + "/((100+" +
                n + ")*100),2),",
            "te.FAmount=ROUND(FAuxQty*FAuxTaxPrice*(100-te.FTaxRate)/(100+" + n + "),2),",
            "te.FAuxPrice=ROUND(FAuxTaxPrice*100/(100+" + n + "),ti.FPriceDecimal),",
            "te.FPrice = Round(FAuxTaxPrice * 100 / (100 + " + n +
                ") * t.FExchangeRate, ti.FPriceDecimal)"};
        if (!discountIncludeTaxOn)
            l.push_back(",te.FDescount=ROUND(te.FAuxQty*te.FAuxTaxPrice*te.FTaxRate/(100+" + n +
                        "),2)");
        l.insert(l.end(),
                 {"  FROM POOrderEntry te", "INNER JOIN POOrder t ON te.FInterID = t.FInterID",
                  "INNER JOIN t_ICItemMaterial ti ON ti.FItemID = te.FItemID",
                  "WHERE te.FCess=1+" + n + " AND " + k});
        return Join(l);
    }
    const std::string pn = "ROUND(te.FAuxPrice*(100+" + n + ")/100,ti.FPriceDecimal)";
    l = {
        "INSERT INTO POOrderEntryTaxRate(FInterID,FEntryID,FCess,FAuxTaxPrice,FTaxPrice,"
        "FAuxPriceDiscount,FPriceDiscount,FTaxAmount,FAllAmount,FDescount)",
        "SELECT FInterID,FEntryID,FCess,FAuxTaxPrice,FTaxPrice,FAuxPriceDiscount,FPriceDiscount,"
        "FTaxAmount,FAllAmount,FDescount FROM POOrderEntry te WHERE te.FCess=1+" +
            n + " AND " + k,
        "UPDATE te SET te.FCess=" + n + ",te.FAuxTaxPrice=" + pn + ",",
        "te.FTaxPrice=ROUND(te.FAuxPrice*(100+" + n + ")/100*t.FExchangeRate,ti.FPriceDecimal),",
        "te.FAuxPriceDiscount=ROUND(" + pn + "*(1-te.FTaxRate/100),ti.FPriceDecimal),",
        "te.FPriceDiscount=ROUND(" + pn + "*(1-te.FTaxRate/100)*t.FExchangeRate,ti.FPriceDecimal),",
        "te.FAmount=ROUND(te.FAuxQty*" + pn + "*(100-te.FTaxRate)/(100+" + n + "),2),"};
    if (discountIncludeTaxOn) {
        const std::string total = "ROUND(te.FAuxQty*ROUND(te.FAuxPrice*(100+" + n +
                                  ")/100*(1-te.FTaxRate/100)*t.FExchangeRate,ti.FPriceDecimal),2)";
        l.push_back("te.FDescount=ROUND(te.FAuxQty*" + pn + "*te.FTaxRate/100,2),");
        l.push_back("te.FTaxAmount=" + total + " - ROUND(te.FAuxQty*" + pn +
                    "*(100-te.FTaxRate)/(100+" + n + "),2),");
        l.push_back("te.FAllAmount = " + total);
    } else {
        const std::string tax =
            "ROUND(te.FAuxQty*" + pn + "*(100-te.FTaxRate)*" + n + "/((100+" + n + ")*100),2)";
        l.push_back("te.FTaxAmount=" + tax + ",");
        l.push_back("te.FAllAmount = ROUND(te.FAuxQty*" + pn + "*(100-te.FTaxRate)/(100+" + n +
                    "),2)+" + tax);
        l.push_back(",te.FDescount=ROUND(te.FAuxQty*" + pn + "*te.FTaxRate/(100+" + n + "),2)");
    }
    l.insert(l.end(), {"  FROM POOrderEntry te", "INNER JOIN POOrder t ON te.FInterID = t.FInterID",
                       "INNER JOIN t_ICItemMaterial ti ON ti.FItemID = te.FItemID",
                       "WHERE te.FCess=1+" + n + " AND " + k});
    return Join(l);
}

inline std::string SoUpdateSql(int interId, int entryId, const std::string& n,
                               bool taxInclusiveRule, bool discountIncludeTaxOn) {
    const std::string k = OrderKey(interId, entryId);
    std::vector<std::string> l;
    if (taxInclusiveRule) {
        const std::string discountColumn = discountIncludeTaxOn ? "" : ",FTaxAmount";
        l = {
            "INSERT INTO SEOrderEntryTaxRate(FInterID,FEntryID,FCess,FTaxAmt,FAmount,FAuxPrice,"
            "FPrice" +
                discountColumn + ")",
            "SELECT FInterID,FEntryID,FCess,FTaxAmt,FAmount,FAuxPrice,FPrice" + discountColumn +
                " FROM SEOrderEntry te WHERE te.FCess=1+" + n + " AND " + k,
            "UPDATE te SET te.FCess=" + n +
                ",te.FTaxAmt=ROUND(FAuxQty*FAuxTaxPrice*(100-te.FTaxRate)*" + n + "/((100+" + n +
                ")*100),2),",
            "te.FAmount=ROUND(FAuxQty*FAuxTaxPrice*(100-te.FTaxRate)/(100+" + n + "),2),",
            "te.FAuxPrice=ROUND(FAuxTaxPrice*100/(100+" + n + "),ti.FPriceDecimal),"};
        if (!discountIncludeTaxOn)
            l.push_back("te.FTaxAmount=ROUND(te.FAuxQty*te.FAuxTaxPrice*te.FTaxRate/(100+" + n +
                        "),2),");
        l.insert(l.end(),
                 {"FPrice = Round(FAuxTaxPrice * 100 / (100 + " + n +
                      ") * t.FExchangeRate, ti.FPriceDecimal)",
                  "  FROM SEOrderEntry te", "INNER JOIN SEOrder t ON te.FInterID = t.FInterID",
                  "INNER JOIN t_ICItemMaterial ti ON ti.FItemID = te.FItemID",
                  "WHERE te.FCess=1+" + n + " AND " + k});
        return Join(l);
    }
    const std::string pn = "ROUND(te.FAuxPrice*(100+" + n + ")/100,ti.FPriceDecimal)";
    const std::string tax =
        "ROUND(te.FAuxQty*" + pn + "*(100-te.FTaxRate)*" + n + "/((100+" + n + ")*100),2)";
    l = {
        "INSERT INTO SEOrderEntryTaxRate(FInterID,FEntryID,FCess,FTaxAmount,FAllAmount,"
        "FAllStdAmount,FAuxPriceDiscount,FPriceDiscount,FTaxAmt,FAuxTaxPrice,FTaxPrice)",
        "SELECT FInterID,FEntryID,FCess,FTaxAmount,FAllAmount,FAllStdAmount,FAuxPriceDiscount,"
        "FPriceDiscount,FTaxAmt,FAuxTaxPrice,FTaxPrice FROM SEOrderEntry te WHERE te.FCess=1+" +
            n + " AND " + k,
        "UPDATE te SET te.FCess=" + n + ",te.FAuxTaxPrice=" + pn + ",",
        "te.FTaxPrice=ROUND(te.FAuxPrice*(100+" + n + ")/100*t.FExchangeRate,ti.FPriceDecimal),",
        "te.FAuxPriceDiscount=ROUND(" + pn + "*(1-te.FTaxRate/100),ti.FPriceDecimal),",
        "te.FPriceDiscount=ROUND(" + pn + "*(1-te.FTaxRate/100)*t.FExchangeRate,ti.FPriceDecimal),",
        discountIncludeTaxOn ? "te.FTaxAmount=ROUND(te.FAuxQty*(te.FAuxPrice*(100+" + n +
                                   ")/100)*te.FTaxRate/100,2),"
                             : "te.FTaxAmount=ROUND(te.FAuxQty*te.FAuxPrice/100*te.FTaxRate,2),",
        "te.FTaxAmt=" + tax + ",",
        "te.FAllAmount=te.FAmount+" + tax + ",",
        "te.FAllStdAmount=ROUND((te.FAmount+" + tax + ") * t.FExchangeRate, 2)",
        "  FROM SEOrderEntry te",
        "INNER JOIN SEOrder t ON te.FInterID = t.FInterID",
        "INNER JOIN t_ICItemMaterial ti ON ti.FItemID = te.FItemID",
        "WHERE te.FCess=1+" + n + " AND " + k};
    return Join(l);
}

// Contracts.
inline std::string ContractKey(int c, int e) {
    return "(te.FContractID= " + std::to_string(c) + " AND te.FEntryID=" + std::to_string(e) + ")";
}

inline std::string ContractCheckSql(int c, int e, const std::string& n, bool taxInclusiveRule) {
    if (!taxInclusiveRule) {
        return "SELECT 1 FROM t_RPContractScheme WHERE 1<(SELECT COUNT(1) FROM t_RPContractScheme "
               "WHERE FContractID=" +
               std::to_string(c) + ") AND FContractID=" + std::to_string(c);
    }
    return "SELECT 1 FROM t_rpContractEntry te" + kCrLf +
           "INNER JOIN t_rpContract t ON te.FContractID = t.FContractID" + kCrLf +
           "INNER JOIN t_Currency tc ON tc.FCurrencyID = t.FCurrencyID" + kCrLf +
           "Where te.FTaxRate=1+" + n + " AND " + ContractKey(c, e) +
           "AND te.FReceiveAmountFor>ROUND(FQuantity*FTaxPriceFor/(1+" + n +
           "/100)*(1-FBusinessDiscountRate/100),tc.FScale) " + kCrLf;
}

inline std::string ContractUpdateSql(int c, int e, const std::string& n, bool taxInclusiveRule) {
    const std::string k = ContractKey(c, e);
    const std::string where = "Where te.FTaxRate=1+" + n + " AND " + k;
    if (taxInclusiveRule) {
        return "INSERT INTO "
               "t_rpContractEntryRate(FContractID,FEntryID,FTaxRate,FAmount,FAmountFor,FTaxFor,"
               "FTax,FPriceFor,FPrice)" +
               kCrLf +
               "SELECT FContractID,FEntryID,FTaxRate,FAmount,FAmountFor,FTaxFor,FTax,FPriceFor,"
               "FPrice FROM t_rpContractEntry te WHERE te.FTaxRate=1+" +
               n + " AND " + k + kCrLf + "UPDATE te SET te.FTaxRate=" + n +
               ",te.FAmount=ROUND(FQuantity*FTaxPriceFor/(1+" + n +
               "/100)*(1-FBusinessDiscountRate/100) * t.FExchangeRate, tc.FScale)," + kCrLf +
               "te.FAmountFor=ROUND(FQuantity*FTaxPriceFor/(1+" + n +
               "/100)*(1-FBusinessDiscountRate/100),tc.FScale)," + kCrLf +
               "te.FTaxFor "
               "=ROUND(te.FQuantity*te.FTaxPriceFor*(1-te.FBusinessDiscountRate/100)/(1+" +
               n + "/100)*" + n + "/100,tc.FScale)," + kCrLf +
               "te.FTax =ROUND(te.FQuantity*te.FTaxPriceFor*(1-te.FBusinessDiscountRate/100)/(1+" +
               n + "/100)*" + n + "/100* t.FExchangeRate,tc.FScale)," + kCrLf +
               "FPriceFor =ROUND(FTaxPriceFor/(1+" + n + "/100),ti.FPriceDecimal)," + kCrLf +
               "FPrice = Round(FTaxPriceFor / (1 + " + n +
               " / 100) * t.FExchangeRate, ti.FPriceDecimal)" + kCrLf +
               "  FROM t_rpContractEntry te" + kCrLf +
               "INNER JOIN t_rpContract t ON te.FContractID = t.FContractID" + kCrLf +
               "INNER JOIN t_ICItemMaterial ti ON ti.FItemID = te.FProductID" + kCrLf +
               "INNER JOIN t_Currency tc ON tc.FCurrencyID = t.FCurrencyID" + kCrLf + where;
    }
    const std::string pn = "ROUND(FPriceFor*(1+" + n + "/100),ti.FPriceDecimal)";
    return "INSERT INTO "
           "t_rpContractEntryRate(FContractID,FEntryID,FTaxPriceFor,FTaxPrice,FAmountIncludeTaxFor,"
           "FAmountIncludeTax,FTaxFor,FTax)" +
           kCrLf +
           "SELECT FContractID,FEntryID,FTaxPriceFor,FTaxPrice,FAmountIncludeTaxFor,"
           "FAmountIncludeTax,FTaxFor,FTax FROM t_rpContractEntry te WHERE te.FTaxRate=1+" +
           n + " AND " + k + kCrLf + "UPDATE te SET te.FTaxRate=" + n + ",te.FTaxPriceFor=" + pn +
           "," + kCrLf + "te.FAmountFor=ROUND(FQuantity*" + pn + "/(1+" + n +
           "/100)*(1-FBusinessDiscountRate/100),tc.FScale)," + kCrLf +
           "te.FAmount=ROUND(FQuantity*" + pn + "/(1+" + n +
           "/100)*(1-FBusinessDiscountRate/100)* t.FExchangeRate,tc.FScale)," + kCrLf +
           "te.FFactPriceFor=" + pn + "," + kCrLf + "te.FTaxFor =ROUND(te.FQuantity*" + pn +
           "*(1-te.FBusinessDiscountRate/100)/(1+" + n + "/100)*" + n + "/100,tc.FScale)," + kCrLf +
           "te.FTax =ROUND(te.FQuantity*" + pn + "*(1-te.FBusinessDiscountRate/100)/(1+" + n +
           "/100)*" + n + "/100 * t.FExchangeRate,tc.FScale)," + kCrLf +
           "te.FTaxPrice=ROUND(FPrice*(1+" + n + "/100),ti.FPriceDecimal)," + kCrLf +
           "te.FAmountIncludeTaxFor =ROUND(te.FQuantity*" + pn + ",tc.FScale)," + kCrLf +
           "te.FAmountIncludeTax =ROUND(te.FQuantity*" + pn + "* t.FExchangeRate,tc.FScale)" +
           kCrLf + "  FROM t_rpContractEntry te" + kCrLf +
           "INNER JOIN t_rpContract t ON te.FContractID = t.FContractID" + kCrLf +
           "INNER JOIN t_ICItemMaterial ti ON ti.FItemID = te.FProductID" + kCrLf +
           "INNER JOIN t_Currency tc ON tc.FCurrencyID = t.FCurrencyID" + kCrLf + where;
}

inline std::string ContractTotalsSql(int contractId) {
    const std::string c = std::to_string(contractId);
    return "UPDATE t_rpContract SET FTotalAmountFor= (SELECT SUM(FAmountIncludeTaxFor) FROM "
           "t_rpContractEntry WHERE FContractID=" +
           c +
           "),FTotalAmount= (SELECT SUM(FAmountIncludeTax) FROM t_rpContractEntry WHERE "
           "FContractID=" +
           c + ") WHERE FContractID=" + c + kCrLf +
           "UPDATE t_RPContractScheme SET FAmountFor= (SELECT SUM(FAmountIncludeTaxFor) FROM "
           "t_rpContractEntry WHERE FContractID=" +
           c +
           "),FAmount= (SELECT SUM(FAmountIncludeTax) FROM t_rpContractEntry WHERE FContractID=" +
           c + ") WHERE FContractID=" + c + kCrLf;
}

// Master data: the six statements, in the order the batch appends them.
inline const std::vector<std::string>& MasterDataStatements() {
    static const std::vector<std::string> kStatements = {
        "UPDATE t_ICItemMaterial SET FTaxRate=16 WHERE FTaxRate=17 UPDATE t_ItemPropDesc SET "
        "FDefaultValue = '16' WHERE FItemClassID =4 and FSQLColumnName ='FTaxRate'",
        "UPDATE t_Organization SET FValueAddRate=16 WHERE FValueAddRate =17 UPDATE t_ItemPropDesc "
        "SET FDefaultValue = '16' WHERE FItemClassID =1 and FSQLColumnName ='FValueAddRate'",
        "UPDATE t_Supplier SET FValueAddRate=16 WHERE FValueAddRate =17 UPDATE t_ItemPropDesc SET "
        "FDefaultValue = '16' WHERE FItemClassID =8 and FSQLColumnName ='FValueAddRate'",
        "UPDATE t_ICItemMaterial SET FTaxRate=10 WHERE FTaxRate=11",
        "UPDATE t_Organization SET FValueAddRate=10 WHERE FValueAddRate =11",
        "UPDATE t_Supplier SET FValueAddRate=10 WHERE FValueAddRate =11"};
    return kStatements;
}

}  // namespace q9::tool_sql
