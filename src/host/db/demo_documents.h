#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <string>
#include <vector>

namespace q9::demo {

// How much a line has already been taken over by later documents, relative to the amount the
// line will have at its new rate (the converters compare the two).
enum class Linked { None, Below, Equal, Above };

struct Line {
    int item = 1;
    double quantity = 0;
    double taxPrice = 0;  // unit price including tax, in the document's currency
    double rate = 17;     // tax rate in percent
    double discount = 0;  // discount percent (contracts: business discount)
    Linked linked = Linked::None;
    double invoiced = 0;  // invoiced quantity
};

enum class Kind { PurchaseOrder, SalesOrder, PayableContract, ReceivableContract };

struct Document {
    Kind kind = Kind::PurchaseOrder;
    int id = 0;
    std::string number;
    std::string date;  // 'YYYY-MM-DD' or 'YYYY-MM-DD hh:mm:ss'
    int partner = 1;
    int currency = 1;  // 1 CNY, 2 USD
    double exchangeRate = 1;
    bool cancelled = false;
    int scheduleRows = 1;  // contracts only
    std::vector<Line> lines;
};

// Writes the master data every demo account shares.
void InsertMasterData(sqlite3* db, bool billDiscountOn, bool discountIncludeTaxOn);

// Writes documents with amounts, tax, discounts and totals derived as the host derives them.
void InsertDocuments(sqlite3* db, const std::vector<Document>& documents);

// The hand-made sample covering every selection and conversion case.
std::vector<Document> SampleDocuments();

// `entries` lines per document kind over documents of 1 to 5 lines, the same for a seed.
std::vector<Document> GeneratedDocuments(int entries, uint64_t seed);

// Material ids of the master data and their price decimals (0 for a material without a
// t_ICItemMaterial row).
int PriceDecimalsOf(int item);
inline constexpr int kMaterialCount = 6;

}  // namespace q9::demo
