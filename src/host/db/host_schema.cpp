#include "host/db/host_schema.h"

#include <string_view>

#include "host/db/sqlite_handles.h"

namespace q9 {

const std::string& HostSchemaSql() {
    static const std::string kSql = R"(
CREATE TABLE t_SystemProfile(
  FCategory TEXT COLLATE NOCASE NOT NULL,
  FKey TEXT COLLATE NOCASE NOT NULL,
  FValue TEXT COLLATE NOCASE,
  FDescription TEXT COLLATE NOCASE,
  PRIMARY KEY(FCategory, FKey));

CREATE TABLE t_Currency(
  FCurrencyID INTEGER PRIMARY KEY,
  FNumber TEXT COLLATE NOCASE NOT NULL,
  FName TEXT COLLATE NOCASE,
  FScale INTEGER NOT NULL DEFAULT 2);

CREATE TABLE t_ICItemCore(
  FItemID INTEGER PRIMARY KEY,
  FNumber TEXT COLLATE NOCASE NOT NULL,
  FName TEXT COLLATE NOCASE,
  FModel TEXT COLLATE NOCASE);

CREATE TABLE t_ICItemMaterial(
  FItemID INTEGER PRIMARY KEY,
  FTaxRate REAL NOT NULL DEFAULT 17,
  FPriceDecimal INTEGER NOT NULL DEFAULT 2,
  FQtyDecimal INTEGER NOT NULL DEFAULT 2);

CREATE TABLE t_Supplier(
  FItemID INTEGER PRIMARY KEY,
  FNumber TEXT COLLATE NOCASE NOT NULL,
  FName TEXT COLLATE NOCASE,
  FValueAddRate REAL NOT NULL DEFAULT 17);

CREATE TABLE t_Organization(
  FItemID INTEGER PRIMARY KEY,
  FNumber TEXT COLLATE NOCASE NOT NULL,
  FName TEXT COLLATE NOCASE,
  FValueAddRate REAL NOT NULL DEFAULT 17);

CREATE TABLE t_ItemPropDesc(
  FItemClassID INTEGER NOT NULL,
  FSQLColumnName TEXT COLLATE NOCASE NOT NULL,
  FName TEXT COLLATE NOCASE,
  FDefaultValue TEXT COLLATE NOCASE,
  PRIMARY KEY(FItemClassID, FSQLColumnName));

CREATE TABLE POOrder(
  FInterID INTEGER PRIMARY KEY,
  FBillNo TEXT COLLATE NOCASE NOT NULL,
  FDate TEXT NOT NULL,
  FSupplyID INTEGER NOT NULL,
  FCurrencyID INTEGER NOT NULL DEFAULT 1,
  FExchangeRate REAL NOT NULL DEFAULT 1,
  FCancellation INTEGER NOT NULL DEFAULT 0,
  FStatus INTEGER NOT NULL DEFAULT 1);

CREATE TABLE POOrderEntry(
  FInterID INTEGER NOT NULL,
  FEntryID INTEGER NOT NULL,
  FItemID INTEGER NOT NULL,
  FAuxQty REAL NOT NULL DEFAULT 0,
  FAuxPrice REAL NOT NULL DEFAULT 0,
  FPrice REAL NOT NULL DEFAULT 0,
  FAuxTaxPrice REAL NOT NULL DEFAULT 0,
  FTaxPrice REAL NOT NULL DEFAULT 0,
  FAuxPriceDiscount REAL NOT NULL DEFAULT 0,
  FPriceDiscount REAL NOT NULL DEFAULT 0,
  FCess REAL NOT NULL DEFAULT 0,
  FTaxRate REAL NOT NULL DEFAULT 0,
  FAmount REAL NOT NULL DEFAULT 0,
  FTaxAmount REAL NOT NULL DEFAULT 0,
  FAllAmount REAL NOT NULL DEFAULT 0,
  FDescount REAL NOT NULL DEFAULT 0,
  FQtyInvoice REAL NOT NULL DEFAULT 0,
  FAuxCommitQty REAL NOT NULL DEFAULT 0,
  FReceiveAmountFor_Commit REAL NOT NULL DEFAULT 0,
  PRIMARY KEY(FInterID, FEntryID));

CREATE TABLE SEOrder(
  FInterID INTEGER PRIMARY KEY,
  FBillNo TEXT COLLATE NOCASE NOT NULL,
  FDate TEXT NOT NULL,
  FCustID INTEGER NOT NULL,
  FCurrencyID INTEGER NOT NULL DEFAULT 1,
  FExchangeRate REAL NOT NULL DEFAULT 1,
  FCancellation INTEGER NOT NULL DEFAULT 0,
  FStatus INTEGER NOT NULL DEFAULT 1);

CREATE TABLE SEOrderEntry(
  FInterID INTEGER NOT NULL,
  FEntryID INTEGER NOT NULL,
  FItemID INTEGER NOT NULL,
  FAuxQty REAL NOT NULL DEFAULT 0,
  FAuxPrice REAL NOT NULL DEFAULT 0,
  FPrice REAL NOT NULL DEFAULT 0,
  FAuxTaxPrice REAL NOT NULL DEFAULT 0,
  FTaxPrice REAL NOT NULL DEFAULT 0,
  FAuxPriceDiscount REAL NOT NULL DEFAULT 0,
  FPriceDiscount REAL NOT NULL DEFAULT 0,
  FCess REAL NOT NULL DEFAULT 0,
  FTaxRate REAL NOT NULL DEFAULT 0,
  FAmount REAL NOT NULL DEFAULT 0,
  FTaxAmt REAL NOT NULL DEFAULT 0,
  FTaxAmount REAL NOT NULL DEFAULT 0,
  FAllAmount REAL NOT NULL DEFAULT 0,
  FAllStdAmount REAL NOT NULL DEFAULT 0,
  FQtyInvoice REAL NOT NULL DEFAULT 0,
  FAuxCommitQty REAL NOT NULL DEFAULT 0,
  FReceiveAmountFor_Commit REAL NOT NULL DEFAULT 0,
  PRIMARY KEY(FInterID, FEntryID));

CREATE TABLE t_RPContract(
  FContractID INTEGER PRIMARY KEY,
  FContractNo TEXT COLLATE NOCASE NOT NULL,
  FDate TEXT NOT NULL,
  FClassTypeID INTEGER NOT NULL,
  FItemClassID INTEGER NOT NULL,
  FCustomer INTEGER NOT NULL,
  FCurrencyID INTEGER NOT NULL DEFAULT 1,
  FExchangeRate REAL NOT NULL DEFAULT 1,
  FCancellation INTEGER NOT NULL DEFAULT 0,
  FTotalAmountFor REAL NOT NULL DEFAULT 0,
  FTotalAmount REAL NOT NULL DEFAULT 0);

CREATE TABLE t_RPContractEntry(
  FContractID INTEGER NOT NULL,
  FEntryID INTEGER NOT NULL,
  FProductID INTEGER NOT NULL,
  FQuantity REAL NOT NULL DEFAULT 0,
  FPriceFor REAL NOT NULL DEFAULT 0,
  FPrice REAL NOT NULL DEFAULT 0,
  FTaxPriceFor REAL NOT NULL DEFAULT 0,
  FTaxPrice REAL NOT NULL DEFAULT 0,
  FFactPriceFor REAL NOT NULL DEFAULT 0,
  FTaxRate REAL NOT NULL DEFAULT 0,
  FBusinessDiscountRate REAL NOT NULL DEFAULT 0,
  FBusinessDiscountFor REAL NOT NULL DEFAULT 0,
  FAmountFor REAL NOT NULL DEFAULT 0,
  FAmount REAL NOT NULL DEFAULT 0,
  FTaxFor REAL NOT NULL DEFAULT 0,
  FTax REAL NOT NULL DEFAULT 0,
  FAmountIncludeTaxFor REAL NOT NULL DEFAULT 0,
  FAmountIncludeTax REAL NOT NULL DEFAULT 0,
  FReceiveAmountFor REAL NOT NULL DEFAULT 0,
  FInvoiceQty_Relative REAL NOT NULL DEFAULT 0,
  PRIMARY KEY(FContractID, FEntryID));

CREATE TABLE t_RPContractScheme(
  FContractID INTEGER NOT NULL,
  FEntryID INTEGER NOT NULL,
  FDate TEXT,
  FAmountFor REAL NOT NULL DEFAULT 0,
  FAmount REAL NOT NULL DEFAULT 0,
  PRIMARY KEY(FContractID, FEntryID));
)";
    return kSql;
}

void CreateHostSchema(sqlite3* db) {
    sqlite::ExecuteScript(db, HostSchemaSql());
}

std::vector<std::string> MissingHostTables(sqlite3* db) {
    constexpr std::string_view kCreate = "CREATE TABLE ";
    const std::string& schema = HostSchemaSql();
    sqlite::StatementPtr present = sqlite::Prepare(
        db, "SELECT 1 FROM main.sqlite_master WHERE type = 'table' AND name = ?1 COLLATE NOCASE");
    std::vector<std::string> missing;
    for (size_t at = schema.find(kCreate); at != std::string::npos;
         at = schema.find(kCreate, at + 1)) {
        const size_t begin = at + kCreate.size();
        const std::string name = schema.substr(begin, schema.find('(', begin) - begin);
        sqlite3_reset(present.get());
        sqlite3_bind_text(present.get(), 1, name.c_str(), static_cast<int>(name.size()),
                          SQLITE_TRANSIENT);
        const int rc = sqlite3_step(present.get());
        if (rc == SQLITE_DONE) missing.push_back(name);
        if (rc != SQLITE_ROW && rc != SQLITE_DONE) throw HostError(sqlite::LastError(db));
    }
    return missing;
}

}  // namespace q9
