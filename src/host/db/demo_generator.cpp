#include <algorithm>
#include <array>
#include <cstdio>

#include "host/db/demo_documents.h"

namespace q9::demo {

namespace {

// splitmix64: the same sequence on every platform and library, unlike std distributions.
class Random {
  public:
    explicit Random(uint64_t seed) : state_(seed) {}
    uint64_t Next() {
        uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }
    int Below(int bound) { return static_cast<int>(Next() % static_cast<uint64_t>(bound)); }
    // True with the given percentage.
    bool Percent(int percent) { return Below(100) < percent; }

  private:
    uint64_t state_;
};

// Documents from 485 days before the cut-off, some up to 120 days after it.
constexpr int kDaysBefore = 485;

double Scaled(Random& random, int low, int high, int decimals) {
    int unit = 1;
    for (int i = 0; i < decimals; ++i) unit *= 10;
    const int steps = (high - low) * unit;
    return low + static_cast<double>(random.Below(steps)) / unit;
}

Line MakeLine(Random& random, const DemoRates& rates, bool candidateDocument) {
    Line line;
    line.item = 1 + random.Below(kMaterialCount - 1);  // generated lines have material rows
    const int decimals = PriceDecimalsOf(line.item);
    line.quantity = random.Percent(70) ? 1 + random.Below(500) : Scaled(random, 1, 200, 2);
    line.taxPrice = Scaled(random, 1, 2000, decimals);
    const std::array<Rate, 5> otherRates = {rates.firstNew, rates.others[0], rates.secondNew,
                                            rates.others[1], rates.others[2]};
    if (candidateDocument && random.Percent(85)) {
        line.rate = (random.Percent(65) ? rates.first : rates.second).AsDouble();
    } else {
        line.rate = otherRates[static_cast<size_t>(random.Below(otherRates.size()))].AsDouble();
    }
    if (random.Percent(20)) {
        static constexpr std::array<double, 4> kDiscounts = {2, 5, 8, 10};
        line.discount = kDiscounts[static_cast<size_t>(random.Below(kDiscounts.size()))];
    }
    if (random.Percent(10)) {
        const int which = random.Below(3);
        line.linked = which == 0 ? Linked::Below : which == 1 ? Linked::Equal : Linked::Above;
    }
    if (random.Percent(5)) line.invoiced = line.quantity;
    return line;
}

}  // namespace

std::vector<Document> GeneratedDocuments(const DemoRates& rates, int entries, uint64_t seed) {
    Random random(seed);
    const int cutoffDay = DayOf(rates.cutoffDate);
    const int firstDay = cutoffDay - kDaysBefore;
    std::vector<Document> documents;
    static constexpr std::array<Kind, 4> kKinds = {Kind::PurchaseOrder, Kind::SalesOrder,
                                                   Kind::PayableContract, Kind::ReceivableContract};
    static constexpr std::array<const char*, 4> kPrefixes = {"CG", "XS", "HTF", "HTS"};
    for (size_t k = 0; k < kKinds.size(); ++k) {
        int lines = 0;
        int number = 0;
        const int firstId = static_cast<int>(k + 1) * 1'000'000;
        while (lines < entries) {
            Document d;
            d.kind = kKinds[k];
            d.id = firstId + ++number;
            char text[48];
            std::snprintf(text, sizeof text, "%s%07d", kPrefixes[k], number);
            d.number = text;
            const bool late = random.Percent(8);
            d.date = late ? DateOf(cutoffDay + random.Below(120))
                          : DateOf(firstDay + random.Below(cutoffDay - firstDay));
            d.partner = 1 + random.Below(3);
            if (random.Percent(15)) {
                d.currency = 2;
                d.exchangeRate = 6.5;
            }
            d.cancelled = random.Percent(4);
            d.scheduleRows = random.Percent(25) ? 2 : 1;
            const int count = std::min(1 + random.Below(5), entries - lines);
            for (int i = 0; i < count; ++i) d.lines.push_back(MakeLine(random, rates, !late));
            lines += count;
            documents.push_back(std::move(d));
        }
    }
    return documents;
}

}  // namespace q9::demo
