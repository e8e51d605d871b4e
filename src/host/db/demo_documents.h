#pragma once

#include <sqlite3.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "rates/rate_change.h"

namespace q9::demo {

// How much a line has already been taken over by later documents, relative to the amount the
// line will have at its new rate (the converters compare the two).
enum class Linked { None, Below, Equal, Above };

struct Line {
    int item = 1;
    double quantity = 0;
    double taxPrice = 0;  // unit price including tax, in the document's currency
    double rate = 0;      // tax rate in percent
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

// The rates a demo account carries for a profile: the old rates its changes convert, their new
// rates, and rates that no change of it touches.
struct DemoRates {
    explicit DemoRates(const RateProfile& profile);

    Rate first, second;  // the old rates (second: an untouched one for a profile of one change)
    Rate firstNew, secondNew;
    std::array<Rate, 3> others;  // 13, 6, 0 for the standard profile
    std::string cutoffDate;
};

// `base` grossed up by `rate`, exactly as the decimal text would give it (100 at 6.5 % is 106.5).
double Gross(int base, Rate rate);
// 'YYYY-MM-DD' `days` after (or before) `date`; days since 1970-01-01 and back.
std::string DayFrom(const std::string& date, int days);
int DayOf(const std::string& date);
std::string DateOf(int days);

// Writes the master data every demo account shares, its rates those of the profile.
void InsertMasterData(sqlite3* db, const DemoRates& rates, bool billDiscountOn,
                      bool discountIncludeTaxOn);

// Writes documents with amounts, tax, discounts and totals derived as the host derives them.
void InsertDocuments(sqlite3* db, const std::vector<Document>& documents);

// The hand-made sample covering every selection and conversion case, dated around the cut-off.
std::vector<Document> SampleDocuments(const DemoRates& rates);

// `entries` lines per document kind over documents of 1 to 5 lines, the same for a seed.
std::vector<Document> GeneratedDocuments(const DemoRates& rates, int entries, uint64_t seed);

// Material ids of the master data and their price decimals (0 for a material without a
// t_ICItemMaterial row).
int PriceDecimalsOf(int item);
inline constexpr int kMaterialCount = 6;

}  // namespace q9::demo
