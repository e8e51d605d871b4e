#include "host/db/demo_documents.h"

namespace q9::demo {

namespace {

constexpr int kUsd = 2;
constexpr double kUsdRate = 6.5;
constexpr int kMissingPartner = 99;

Document Doc(Kind kind, int id, std::string number, std::string date, int partner,
             std::vector<Line> lines) {
    Document d;
    d.kind = kind;
    d.id = id;
    d.number = std::move(number);
    d.date = std::move(date);
    d.partner = partner;
    d.lines = std::move(lines);
    return d;
}

Document InUsd(Document d) {
    d.currency = kUsd;
    d.exchangeRate = kUsdRate;
    return d;
}

Document Cancelled(Document d) {
    d.cancelled = true;
    return d;
}

Document TwoInstalments(Document d) {
    d.scheduleRows = 2;
    return d;
}

// Orders of one kind: the same cases for purchase (partner = supplier) and sales (customer).
std::vector<Document> Orders(Kind kind, int firstId, const std::string& prefix,
                             const DemoRates& r) {
    using L = Linked;
    const Rate A = r.first, B = r.second, An = r.firstNew, Bn = r.secondNew, O = r.others[0],
               Z = r.others[2];
    auto Day = [&r](int days) { return DayFrom(r.cutoffDate, days); };
    auto no = [&](int n) { return prefix + "00" + std::to_string(n); };
    const int id = firstId;
    return {
        Doc(kind, id + 1, no(1), Day(-16), 1,
            {{1, 10, Gross(100, A), A.AsDouble(), 0, L::None, 0},
             {2, 3, Gross(100, B), B.AsDouble(), 0, L::Below, 0},
             {3, 5, Gross(100, An), An.AsDouble(), 0, L::None, 0}}),
        InUsd(Doc(kind, id + 2, no(2), Day(-1) + " 23:59:00", 2,
                  {{4, 7, 12.3456, A.AsDouble(), 5, L::None, 0},
                   {1, 2, Gross(50, A), A.AsDouble(), 0, L::Equal, 0},
                   {1, 1, Gross(100, A), A.AsDouble(), 0, L::Above, 0}})),
        Doc(kind, id + 3, no(3), Day(0), 1, {{1, 1, Gross(100, A), A.AsDouble(), 0, L::None, 0}}),
        Doc(kind, id + 4, no(4), Day(40), 1, {{1, 4, Gross(100, A), A.AsDouble(), 0, L::None, 0}}),
        Cancelled(Doc(kind, id + 5, no(5), Day(-61), 1,
                      {{1, 6, Gross(100, A), A.AsDouble(), 0, L::None, 0}})),
        Doc(kind, id + 6, no(6), Day(-60), 3,
            {{1, 10, Gross(100, A), A.AsDouble(), 0, L::None, 5},
             {3, 2, Gross(100, O), O.AsDouble(), 0, L::None, 0},
             {5, 3, Gross(100, Bn), Bn.AsDouble(), 0, L::None, 0},
             {5, 1, Gross(100, Z), Z.AsDouble(), 0, L::None, 0},
             {5, 9, Gross(20, B), B.AsDouble(), 10, L::None, 0}}),
        Doc(kind, id + 7, no(7), Day(-59), kMissingPartner,
            {{1, 1, Gross(100, A), A.AsDouble(), 0, L::None, 0}}),
        Doc(kind, id + 8, no(8), Day(-89), 1, {{6, 12, Gross(30, A), A.AsDouble(), 0, L::None, 0}}),
        Doc(kind, id + 9, no(9), Day(0) + " 00:00:00", 2,
            {{2, 1, Gross(100, B), B.AsDouble(), 0, L::None, 0}}),
    };
}

std::vector<Document> Contracts(const DemoRates& r) {
    using L = Linked;
    const Rate A = r.first, B = r.second, An = r.firstNew, O = r.others[0];
    auto Day = [&r](int days) { return DayFrom(r.cutoffDate, days); };
    const Kind payable = Kind::PayableContract;
    const Kind receivable = Kind::ReceivableContract;
    return {
        Doc(payable, 3001, "HT001", Day(-21), 1,
            {{1, 10, Gross(100, A), A.AsDouble(), 0, L::None, 0},
             {2, 4, Gross(50, B), B.AsDouble(), 0, L::Above, 0},
             {1, 2, Gross(100, A), A.AsDouble(), 10, L::None, 0},
             {3, 5, Gross(100, An), An.AsDouble(), 0, L::None, 0}}),
        TwoInstalments(InUsd(Doc(payable, 3002, "HT002", Day(-11), 2,
                                 {{4, 3, 23.4567, A.AsDouble(), 0, L::None, 0},
                                  {1, 1, Gross(50, A), A.AsDouble(), 0, L::Equal, 0}}))),
        Doc(payable, 3003, "HT003", Day(-47), kMissingPartner,
            {{1, 2, Gross(100, A), A.AsDouble(), 0, L::None, 0}}),
        Doc(payable, 3004, "HT004", Day(0), 1,
            {{1, 2, Gross(100, A), A.AsDouble(), 0, L::None, 0}}),
        Cancelled(Doc(payable, 3005, "HT005", Day(-89), 1,
                      {{1, 2, Gross(100, A), A.AsDouble(), 0, L::None, 0}})),
        Doc(payable, 3006, "HT006", Day(-88), 3,
            {{1, 2, Gross(100, A), A.AsDouble(), 0, L::None, 1},
             {3, 1, Gross(100, O), O.AsDouble(), 0, L::None, 0}}),
        Doc(receivable, 3101, "HT101", Day(-19), 1,
            {{1, 5, Gross(100, A), A.AsDouble(), 5, L::None, 0},
             {5, 8, Gross(20, B), B.AsDouble(), 0, L::Below, 0},
             {3, 1, Gross(100, An), An.AsDouble(), 0, L::None, 0}}),
        TwoInstalments(InUsd(Doc(receivable, 3102, "HT102", Day(-6), 2,
                                 {{4, 2, Gross(30, A), A.AsDouble(), 0, L::None, 0},
                                  {2, 6, Gross(10, B), B.AsDouble(), 0, L::None, 0}}))),
        Doc(receivable, 3103, "HT103", Day(-42), kMissingPartner,
            {{1, 1, Gross(100, A), A.AsDouble(), 0, L::None, 0}}),
        Doc(receivable, 3104, "HT104", Day(31), 1,
            {{1, 1, Gross(100, A), A.AsDouble(), 0, L::None, 0}}),
    };
}

}  // namespace

std::vector<Document> SampleDocuments(const DemoRates& rates) {
    std::vector<Document> documents = Orders(Kind::PurchaseOrder, 1000, "CG", rates);
    for (Document& d : Orders(Kind::SalesOrder, 2000, "XS", rates)) {
        documents.push_back(std::move(d));
    }
    for (Document& d : Contracts(rates)) documents.push_back(std::move(d));
    return documents;
}

}  // namespace q9::demo
