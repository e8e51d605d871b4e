#include "host/db/host_schema.h"

#include <string_view>

#include "host/db/sqlite_handles.h"
#include "host/db/tsql_translator.h"

namespace q9 {

const std::string& HostSchemaSql() {
    static const std::string kSql = R"(
CREATE TABLE t_SystemProfile(
  FCategory VARCHAR(255) NOT NULL,
  FKey VARCHAR(255) NOT NULL,
  FValue VARCHAR(255),
  FDescription VARCHAR(255),
  PRIMARY KEY(FCategory, FKey))

CREATE TABLE t_Currency(
  FCurrencyID INT PRIMARY KEY,
  FNumber VARCHAR(255) NOT NULL,
  FName VARCHAR(255),
  FScale INT NOT NULL DEFAULT 2)

CREATE TABLE t_ICItemCore(
  FItemID INT PRIMARY KEY,
  FNumber VARCHAR(255) NOT NULL,
  FName VARCHAR(255),
  FModel VARCHAR(255))

CREATE TABLE t_ICItemMaterial(
  FItemID INT PRIMARY KEY,
  FTaxRate DECIMAL(28,10) NOT NULL DEFAULT 17,
  FPriceDecimal INT NOT NULL DEFAULT 2,
  FQtyDecimal INT NOT NULL DEFAULT 2)

CREATE TABLE t_Supplier(
  FItemID INT PRIMARY KEY,
  FNumber VARCHAR(255) NOT NULL,
  FName VARCHAR(255),
  FValueAddRate DECIMAL(28,10) NOT NULL DEFAULT 17)

CREATE TABLE t_Organization(
  FItemID INT PRIMARY KEY,
  FNumber VARCHAR(255) NOT NULL,
  FName VARCHAR(255),
  FValueAddRate DECIMAL(28,10) NOT NULL DEFAULT 17)

CREATE TABLE t_ItemPropDesc(
  FItemClassID INT NOT NULL,
  FSQLColumnName VARCHAR(255) NOT NULL,
  FName VARCHAR(255),
  FDefaultValue VARCHAR(255),
  PRIMARY KEY(FItemClassID, FSQLColumnName))

CREATE TABLE POOrder(
  FInterID INT PRIMARY KEY,
  FBillNo VARCHAR(255) NOT NULL,
  FDate DATETIME NOT NULL,
  FSupplyID INT NOT NULL,
  FCurrencyID INT NOT NULL DEFAULT 1,
  FExchangeRate DECIMAL(28,10) NOT NULL DEFAULT 1,
  FCancellation INT NOT NULL DEFAULT 0,
  FStatus INT NOT NULL DEFAULT 1)

CREATE TABLE POOrderEntry(
  FInterID INT NOT NULL,
  FEntryID INT NOT NULL,
  FItemID INT NOT NULL,
  FAuxQty DECIMAL(28,10) NOT NULL DEFAULT 0,
  FAuxPrice DECIMAL(28,10) NOT NULL DEFAULT 0,
  FPrice DECIMAL(28,10) NOT NULL DEFAULT 0,
  FAuxTaxPrice DECIMAL(28,10) NOT NULL DEFAULT 0,
  FTaxPrice DECIMAL(28,10) NOT NULL DEFAULT 0,
  FAuxPriceDiscount DECIMAL(28,10) NOT NULL DEFAULT 0,
  FPriceDiscount DECIMAL(28,10) NOT NULL DEFAULT 0,
  FCess DECIMAL(28,10) NOT NULL DEFAULT 0,
  FTaxRate DECIMAL(28,10) NOT NULL DEFAULT 0,
  FAmount DECIMAL(28,10) NOT NULL DEFAULT 0,
  FTaxAmount DECIMAL(28,10) NOT NULL DEFAULT 0,
  FAllAmount DECIMAL(28,10) NOT NULL DEFAULT 0,
  FDescount DECIMAL(28,10) NOT NULL DEFAULT 0,
  FQtyInvoice DECIMAL(28,10) NOT NULL DEFAULT 0,
  FAuxCommitQty DECIMAL(28,10) NOT NULL DEFAULT 0,
  FReceiveAmountFor_Commit DECIMAL(28,10) NOT NULL DEFAULT 0,
  PRIMARY KEY(FInterID, FEntryID))

CREATE TABLE SEOrder(
  FInterID INT PRIMARY KEY,
  FBillNo VARCHAR(255) NOT NULL,
  FDate DATETIME NOT NULL,
  FCustID INT NOT NULL,
  FCurrencyID INT NOT NULL DEFAULT 1,
  FExchangeRate DECIMAL(28,10) NOT NULL DEFAULT 1,
  FCancellation INT NOT NULL DEFAULT 0,
  FStatus INT NOT NULL DEFAULT 1)

CREATE TABLE SEOrderEntry(
  FInterID INT NOT NULL,
  FEntryID INT NOT NULL,
  FItemID INT NOT NULL,
  FAuxQty DECIMAL(28,10) NOT NULL DEFAULT 0,
  FAuxPrice DECIMAL(28,10) NOT NULL DEFAULT 0,
  FPrice DECIMAL(28,10) NOT NULL DEFAULT 0,
  FAuxTaxPrice DECIMAL(28,10) NOT NULL DEFAULT 0,
  FTaxPrice DECIMAL(28,10) NOT NULL DEFAULT 0,
  FAuxPriceDiscount DECIMAL(28,10) NOT NULL DEFAULT 0,
  FPriceDiscount DECIMAL(28,10) NOT NULL DEFAULT 0,
  FCess DECIMAL(28,10) NOT NULL DEFAULT 0,
  FTaxRate DECIMAL(28,10) NOT NULL DEFAULT 0,
  FAmount DECIMAL(28,10) NOT NULL DEFAULT 0,
  FTaxAmt DECIMAL(28,10) NOT NULL DEFAULT 0,
  FTaxAmount DECIMAL(28,10) NOT NULL DEFAULT 0,
  FAllAmount DECIMAL(28,10) NOT NULL DEFAULT 0,
  FAllStdAmount DECIMAL(28,10) NOT NULL DEFAULT 0,
  FQtyInvoice DECIMAL(28,10) NOT NULL DEFAULT 0,
  FAuxCommitQty DECIMAL(28,10) NOT NULL DEFAULT 0,
  FReceiveAmountFor_Commit DECIMAL(28,10) NOT NULL DEFAULT 0,
  PRIMARY KEY(FInterID, FEntryID))

CREATE TABLE t_RPContract(
  FContractID INT PRIMARY KEY,
  FContractNo VARCHAR(255) NOT NULL,
  FDate DATETIME NOT NULL,
  FClassTypeID INT NOT NULL,
  FItemClassID INT NOT NULL,
  FCustomer INT NOT NULL,
  FCurrencyID INT NOT NULL DEFAULT 1,
  FExchangeRate DECIMAL(28,10) NOT NULL DEFAULT 1,
  FCancellation INT NOT NULL DEFAULT 0,
  FTotalAmountFor DECIMAL(28,10) NOT NULL DEFAULT 0,
  FTotalAmount DECIMAL(28,10) NOT NULL DEFAULT 0)

CREATE TABLE t_RPContractEntry(
  FContractID INT NOT NULL,
  FEntryID INT NOT NULL,
  FProductID INT NOT NULL,
  FQuantity DECIMAL(28,10) NOT NULL DEFAULT 0,
  FPriceFor DECIMAL(28,10) NOT NULL DEFAULT 0,
  FPrice DECIMAL(28,10) NOT NULL DEFAULT 0,
  FTaxPriceFor DECIMAL(28,10) NOT NULL DEFAULT 0,
  FTaxPrice DECIMAL(28,10) NOT NULL DEFAULT 0,
  FFactPriceFor DECIMAL(28,10) NOT NULL DEFAULT 0,
  FTaxRate DECIMAL(28,10) NOT NULL DEFAULT 0,
  FBusinessDiscountRate DECIMAL(28,10) NOT NULL DEFAULT 0,
  FBusinessDiscountFor DECIMAL(28,10) NOT NULL DEFAULT 0,
  FAmountFor DECIMAL(28,10) NOT NULL DEFAULT 0,
  FAmount DECIMAL(28,10) NOT NULL DEFAULT 0,
  FTaxFor DECIMAL(28,10) NOT NULL DEFAULT 0,
  FTax DECIMAL(28,10) NOT NULL DEFAULT 0,
  FAmountIncludeTaxFor DECIMAL(28,10) NOT NULL DEFAULT 0,
  FAmountIncludeTax DECIMAL(28,10) NOT NULL DEFAULT 0,
  FReceiveAmountFor DECIMAL(28,10) NOT NULL DEFAULT 0,
  FInvoiceQty_Relative DECIMAL(28,10) NOT NULL DEFAULT 0,
  PRIMARY KEY(FContractID, FEntryID))

CREATE TABLE t_RPContractScheme(
  FContractID INT NOT NULL,
  FEntryID INT NOT NULL,
  FDate DATETIME,
  FAmountFor DECIMAL(28,10) NOT NULL DEFAULT 0,
  FAmount DECIMAL(28,10) NOT NULL DEFAULT 0,
  PRIMARY KEY(FContractID, FEntryID))
)";
    return kSql;
}

void CreateHostSchema(sqlite3* db) {
    // Through the translation, as the tool's own CREATE TABLE texts: the declared types are
    // the ones the embedded engine computes with.
    const tsql::Shape shape = tsql::ShapeOf(HostSchemaSql());
    for (const tsql::TranslatedStatement& statement : tsql::Translate(HostSchemaSql()).statements) {
        sqlite::ExecuteScript(db, tsql::Render(statement, shape.literals));
    }
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
