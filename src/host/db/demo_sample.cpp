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
std::vector<Document> Orders(Kind kind, int firstId, const std::string& prefix) {
    using L = Linked;
    auto no = [&](int n) { return prefix + "00" + std::to_string(n); };
    const int id = firstId;
    return {
        Doc(kind, id + 1, no(1), "2018-04-15", 1,
            {{1, 10, 117, 17, 0, L::None, 0},
             {2, 3, 111, 11, 0, L::Below, 0},
             {3, 5, 116, 16, 0, L::None, 0}}),
        InUsd(Doc(kind, id + 2, no(2), "2018-04-30 23:59:00", 2,
                  {{4, 7, 12.3456, 17, 5, L::None, 0},
                   {1, 2, 58.5, 17, 0, L::Equal, 0},
                   {1, 1, 117, 17, 0, L::Above, 0}})),
        Doc(kind, id + 3, no(3), "2018-05-01", 1, {{1, 1, 117, 17, 0, L::None, 0}}),
        Doc(kind, id + 4, no(4), "2018-06-10", 1, {{1, 4, 117, 17, 0, L::None, 0}}),
        Cancelled(Doc(kind, id + 5, no(5), "2018-03-01", 1, {{1, 6, 117, 17, 0, L::None, 0}})),
        Doc(kind, id + 6, no(6), "2018-03-02", 3,
            {{1, 10, 117, 17, 0, L::None, 5},
             {3, 2, 113, 13, 0, L::None, 0},
             {5, 3, 110, 10, 0, L::None, 0},
             {5, 1, 100, 0, 0, L::None, 0},
             {5, 9, 22.2, 11, 10, L::None, 0}}),
        Doc(kind, id + 7, no(7), "2018-03-03", kMissingPartner, {{1, 1, 117, 17, 0, L::None, 0}}),
        Doc(kind, id + 8, no(8), "2018-02-01", 1, {{6, 12, 35.1, 17, 0, L::None, 0}}),
        Doc(kind, id + 9, no(9), "2018-05-01 00:00:00", 2, {{2, 1, 111, 11, 0, L::None, 0}}),
    };
}

std::vector<Document> Contracts() {
    using L = Linked;
    const Kind payable = Kind::PayableContract;
    const Kind receivable = Kind::ReceivableContract;
    return {
        Doc(payable, 3001, "HT001", "2018-04-10", 1,
            {{1, 10, 117, 17, 0, L::None, 0},
             {2, 4, 55.5, 11, 0, L::Above, 0},
             {1, 2, 117, 17, 10, L::None, 0},
             {3, 5, 116, 16, 0, L::None, 0}}),
        TwoInstalments(
            InUsd(Doc(payable, 3002, "HT002", "2018-04-20", 2,
                      {{4, 3, 23.4567, 17, 0, L::None, 0}, {1, 1, 58.5, 17, 0, L::Equal, 0}}))),
        Doc(payable, 3003, "HT003", "2018-03-15", kMissingPartner,
            {{1, 2, 117, 17, 0, L::None, 0}}),
        Doc(payable, 3004, "HT004", "2018-05-01", 1, {{1, 2, 117, 17, 0, L::None, 0}}),
        Cancelled(Doc(payable, 3005, "HT005", "2018-02-01", 1, {{1, 2, 117, 17, 0, L::None, 0}})),
        Doc(payable, 3006, "HT006", "2018-02-02", 3,
            {{1, 2, 117, 17, 0, L::None, 1}, {3, 1, 113, 13, 0, L::None, 0}}),
        Doc(receivable, 3101, "HT101", "2018-04-12", 1,
            {{1, 5, 117, 17, 5, L::None, 0},
             {5, 8, 22.2, 11, 0, L::Below, 0},
             {3, 1, 116, 16, 0, L::None, 0}}),
        TwoInstalments(
            InUsd(Doc(receivable, 3102, "HT102", "2018-04-25", 2,
                      {{4, 2, 35.1, 17, 0, L::None, 0}, {2, 6, 11.1, 11, 0, L::None, 0}}))),
        Doc(receivable, 3103, "HT103", "2018-03-20", kMissingPartner,
            {{1, 1, 117, 17, 0, L::None, 0}}),
        Doc(receivable, 3104, "HT104", "2018-06-01", 1, {{1, 1, 117, 17, 0, L::None, 0}}),
    };
}

}  // namespace

std::vector<Document> SampleDocuments() {
    std::vector<Document> documents = Orders(Kind::PurchaseOrder, 1000, "CG");
    for (Document& d : Orders(Kind::SalesOrder, 2000, "XS")) documents.push_back(std::move(d));
    for (Document& d : Contracts()) documents.push_back(std::move(d));
    return documents;
}

}  // namespace q9::demo
