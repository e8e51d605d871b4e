#include "host/db/demo_documents.h"

#include <initializer_list>
#include <optional>

#include "host/db/decimal_round.h"
#include "host/db/exact_decimal.h"
#include "host/db/sqlite_handles.h"
#include "host/db/sqlite_value.h"
#include "host/value.h"

namespace q9::demo {

namespace {

constexpr int kCny = 1;
constexpr int kAmountScale = 2;

struct Material {
    int id;
    const char* number;
    const char* name;
    Rate DemoRates::*rate;
    int priceDecimals;  // 0: no t_ICItemMaterial row
};

// Materials at the two old rates and the first new one, with 2 and 4 price decimals; M006 lacks
// its material row.
constexpr Material kMaterials[kMaterialCount] = {
    {1, "M001", "钢板", &DemoRates::first, 2},    {2, "M002", "螺栓", &DemoRates::second, 4},
    {3, "M003", "油漆", &DemoRates::firstNew, 2}, {4, "M004", "电缆", &DemoRates::first, 4},
    {5, "M005", "水泥", &DemoRates::second, 2},   {6, "M006", "包装箱", &DemoRates::first, 0},
};

double R(double value, int digits) {
    return RoundDecimal(value, digits);
}

class Inserter {
  public:
    Inserter(sqlite3* db, const std::string& sql) : db_(db), statement_(sqlite::Prepare(db, sql)) {}

    void Row(std::initializer_list<Value> values) {
        sqlite3_stmt* s = statement_.get();
        sqlite3_reset(s);
        int index = 1;
        for (const Value& value : values) {
            if (value.kind() == Value::Kind::Floating) {
                // Amounts go in as the decimals they are rounded to, as the host stores them.
                const std::optional<decimal::Decimal> exact =
                    decimal::FromDouble(value.AsFloating());
                const std::string text = exact ? decimal::ToText(*exact) : "0";
                sqlite3_bind_text(s, index, text.c_str(), static_cast<int>(text.size()),
                                  SQLITE_TRANSIENT);
            } else {
                BindStoredValue(db_, s, index, value);
            }
            ++index;
        }
        if (sqlite3_step(s) != SQLITE_DONE) throw HostError(sqlite::LastError(db_));
        sqlite3_reset(s);
    }

  private:
    sqlite3* db_;
    sqlite::StatementPtr statement_;
};

// The amount a line has at its new rate, as the converters' checks compute it.
double NewAmount(const Document& document, const Line& line) {
    const double newRate = line.rate - 1;
    if (document.kind == Kind::PurchaseOrder || document.kind == Kind::SalesOrder) {
        return R(line.quantity * line.taxPrice * (100 - line.discount) / (100 + newRate), 2);
    }
    return R(line.quantity * line.taxPrice / (1 + newRate / 100) * (1 - line.discount / 100),
             kAmountScale);
}

double LinkedAmount(const Document& document, const Line& line) {
    switch (line.linked) {
        case Linked::None:
            return 0;
        case Linked::Below:
            return R(NewAmount(document, line) / 2, 2);
        case Linked::Equal:
            return NewAmount(document, line);
        case Linked::Above:
            return R(NewAmount(document, line) + 0.01, 2);
    }
    return 0;
}

int Decimals(int item) {
    const int decimals = PriceDecimalsOf(item);
    return decimals == 0 ? 2 : decimals;
}

void InsertOrders(sqlite3* db, const std::vector<Document>& documents, Kind kind) {
    const bool purchase = kind == Kind::PurchaseOrder;
    Inserter header(db, purchase
                            ? "INSERT INTO POOrder(FInterID,FBillNo,FDate,FSupplyID,"
                              "FCurrencyID,FExchangeRate,FCancellation) VALUES(?,?,?,?,?,?,?)"
                            : "INSERT INTO SEOrder(FInterID,FBillNo,FDate,FCustID,"
                              "FCurrencyID,FExchangeRate,FCancellation) VALUES(?,?,?,?,?,?,?)");
    // Purchase entries keep tax in FTaxAmount and the discount in FDescount; sales entries keep
    // tax in FTaxAmt and the discount in FTaxAmount.
    Inserter entry(db, purchase
                           ? "INSERT INTO POOrderEntry(FInterID,FEntryID,FItemID,FAuxQty,FAuxPrice,"
                             "FPrice,FAuxTaxPrice,FTaxPrice,FAuxPriceDiscount,FPriceDiscount,FCess,"
                             "FTaxRate,FAmount,FTaxAmount,FAllAmount,FDescount,FQtyInvoice,"
                             "FAuxCommitQty,FReceiveAmountFor_Commit) "
                             "VALUES(?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)"
                           : "INSERT INTO SEOrderEntry(FInterID,FEntryID,FItemID,FAuxQty,FAuxPrice,"
                             "FPrice,FAuxTaxPrice,FTaxPrice,FAuxPriceDiscount,FPriceDiscount,FCess,"
                             "FTaxRate,FAmount,FTaxAmt,FAllAmount,FTaxAmount,FQtyInvoice,"
                             "FAuxCommitQty,FReceiveAmountFor_Commit,FAllStdAmount) "
                             "VALUES(?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)");
    for (const Document& d : documents) {
        if (d.kind != kind) continue;
        header.Row(
            {d.id, d.number, d.date, d.partner, d.currency, d.exchangeRate, d.cancelled ? 1 : 0});
        int entryId = 0;
        for (const Line& l : d.lines) {
            const int p = Decimals(l.item);
            const double x = d.exchangeRate;
            const double price = R(l.taxPrice / (1 + l.rate / 100), p);
            const double discounted = R(l.taxPrice * (1 - l.discount / 100), p);
            const double total = R(l.quantity * l.taxPrice * (1 - l.discount / 100), 2);
            const double amount = R(total / (1 + l.rate / 100), 2);
            const double tax = R(total - amount, 2);
            const double discountAmount = R(l.quantity * l.taxPrice * l.discount / 100, 2);
            const double linked = LinkedAmount(d, l);
            const double committedQty = l.linked == Linked::None ? 0 : l.quantity;
            ++entryId;
            if (purchase) {
                entry.Row({d.id, entryId, l.item, l.quantity, price, R(price * x, p), l.taxPrice,
                           R(l.taxPrice * x, p), discounted, R(discounted * x, p), l.rate,
                           l.discount, amount, tax, total, discountAmount, l.invoiced, committedQty,
                           linked});
            } else {
                entry.Row({d.id,       entryId,
                           l.item,     l.quantity,
                           price,      R(price * x, p),
                           l.taxPrice, R(l.taxPrice * x, p),
                           discounted, R(discounted * x, p),
                           l.rate,     l.discount,
                           amount,     tax,
                           total,      discountAmount,
                           l.invoiced, committedQty,
                           linked,     R(total * x, 2)});
            }
        }
    }
}

void InsertContracts(sqlite3* db, const std::vector<Document>& documents) {
    Inserter header(db,
                    "INSERT INTO t_RPContract(FContractID,FContractNo,FDate,FClassTypeID,"
                    "FItemClassID,FCustomer,FCurrencyID,FExchangeRate,FCancellation,"
                    "FTotalAmountFor,FTotalAmount) VALUES(?,?,?,?,?,?,?,?,?,?,?)");
    Inserter entry(db,
                   "INSERT INTO t_RPContractEntry(FContractID,FEntryID,FProductID,FQuantity,"
                   "FPriceFor,FPrice,FTaxPriceFor,FTaxPrice,FFactPriceFor,FTaxRate,"
                   "FBusinessDiscountRate,FBusinessDiscountFor,FAmountFor,FAmount,FTaxFor,FTax,"
                   "FAmountIncludeTaxFor,FAmountIncludeTax,FReceiveAmountFor,"
                   "FInvoiceQty_Relative) VALUES(?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)");
    Inserter scheme(db,
                    "INSERT INTO t_RPContractScheme(FContractID,FEntryID,FDate,FAmountFor,"
                    "FAmount) VALUES(?,?,?,?,?)");
    for (const Document& d : documents) {
        if (d.kind != Kind::PayableContract && d.kind != Kind::ReceivableContract) continue;
        const bool payable = d.kind == Kind::PayableContract;
        const int s = kAmountScale;
        const double x = d.exchangeRate;
        double totalFor = 0;
        double total = 0;
        int entryId = 0;
        for (const Line& l : d.lines) {
            const int p = Decimals(l.item);
            const double priceFor = R(l.taxPrice / (1 + l.rate / 100), p);
            const double includeTaxFor = R(l.quantity * l.taxPrice * (1 - l.discount / 100), s);
            const double amountFor = R(includeTaxFor / (1 + l.rate / 100), s);
            const double taxFor = R(includeTaxFor - amountFor, s);
            const double includeTax = R(includeTaxFor * x, s);
            totalFor = R(totalFor + includeTaxFor, s);
            total = R(total + includeTax, s);
            entry.Row({d.id,
                       ++entryId,
                       l.item,
                       l.quantity,
                       priceFor,
                       R(priceFor * x, p),
                       l.taxPrice,
                       R(l.taxPrice * x, p),
                       l.taxPrice,
                       l.rate,
                       l.discount,
                       R(l.quantity * l.taxPrice * l.discount / 100, s),
                       amountFor,
                       R(amountFor * x, s),
                       taxFor,
                       R(taxFor * x, s),
                       includeTaxFor,
                       includeTax,
                       LinkedAmount(d, l),
                       l.invoiced});
        }
        header.Row({d.id, d.number, d.date, payable ? 1000020 : 1000019, payable ? 8 : 1, d.partner,
                    d.currency, x, d.cancelled ? 1 : 0, totalFor, total});
        if (d.scheduleRows <= 1) {
            scheme.Row({d.id, 1, d.date, totalFor, total});
        } else {
            // Two instalments: 40 % first, the rest second.
            const double firstFor = R(totalFor * 0.4, s);
            const double first = R(total * 0.4, s);
            scheme.Row({d.id, 1, d.date, firstFor, first});
            scheme.Row({d.id, 2, d.date, R(totalFor - firstFor, s), R(total - first, s)});
        }
    }
}

}  // namespace

int PriceDecimalsOf(int item) {
    for (const Material& m : kMaterials) {
        if (m.id == item) return m.priceDecimals;
    }
    return 0;
}

void InsertMasterData(sqlite3* db, const DemoRates& rates, bool billDiscountOn,
                      bool discountIncludeTaxOn) {
    Inserter profile(db,
                     "INSERT INTO t_SystemProfile(FCategory,FKey,FValue,FDescription) "
                     "VALUES(?,?,?,?)");
    profile.Row({"IC", "BillDisCount", billDiscountOn ? "1" : "0", "启用整单折扣"});
    profile.Row({"IC", "DisCountIncludeTax", discountIncludeTaxOn ? "1" : "0", "折扣额含税"});
    profile.Row({"GL", "CurrentYear", "2018", "当前会计年度"});
    profile.Row({"GL", "CurrentPeriod", "4", "当前会计期间"});

    Inserter currency(db,
                      "INSERT INTO t_Currency(FCurrencyID,FNumber,FName,FScale) VALUES(?,?,?,?)");
    currency.Row({kCny, "RMB", "人民币", 2});
    currency.Row({2, "USD", "美元", 2});

    Inserter core(db, "INSERT INTO t_ICItemCore(FItemID,FNumber,FName,FModel) VALUES(?,?,?,?)");
    Inserter material(db,
                      "INSERT INTO t_ICItemMaterial(FItemID,FTaxRate,FPriceDecimal,FQtyDecimal) "
                      "VALUES(?,?,?,?)");
    for (const Material& m : kMaterials) {
        core.Row({m.id, m.number, m.name, ""});
        if (m.priceDecimals > 0) {
            material.Row({m.id, (rates.*m.rate).AsDouble(), m.priceDecimals, 2});
        }
    }

    Inserter supplier(
        db, "INSERT INTO t_Supplier(FItemID,FNumber,FName,FValueAddRate) VALUES(?,?,?,?)");
    supplier.Row({1, "S001", "华东钢铁有限公司", rates.first.AsDouble()});
    supplier.Row({2, "S002", "南方五金制品厂", rates.second.AsDouble()});
    supplier.Row({3, "S003", "北方化工股份公司", rates.firstNew.AsDouble()});
    Inserter customer(
        db, "INSERT INTO t_Organization(FItemID,FNumber,FName,FValueAddRate) VALUES(?,?,?,?)");
    customer.Row({1, "C001", "华南建设集团", rates.first.AsDouble()});
    customer.Row({2, "C002", "西部电力公司", rates.second.AsDouble()});
    customer.Row({3, "C003", "东方贸易商行", rates.firstNew.AsDouble()});

    Inserter property(db,
                      "INSERT INTO t_ItemPropDesc(FItemClassID,FSQLColumnName,FName,FDefaultValue) "
                      "VALUES(?,?,?,?)");
    property.Row({4, "FTaxRate", "税率(%)", rates.first.Text()});
    property.Row({4, "FPriceDecimal", "单价精度", "2"});
    property.Row({1, "FValueAddRate", "增值税率(%)", rates.first.Text()});
    property.Row({8, "FValueAddRate", "增值税率(%)", rates.first.Text()});
}

void InsertDocuments(sqlite3* db, const std::vector<Document>& documents) {
    InsertOrders(db, documents, Kind::PurchaseOrder);
    InsertOrders(db, documents, Kind::SalesOrder);
    InsertContracts(db, documents);
}

}  // namespace q9::demo
