#include "export/export_test_support.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <stdexcept>

namespace q9::test {

RecordsetPtr FakeEngine::Query(const std::string& sql, Error* error) {
    queries.push_back(sql);
    if (failure.IsSet()) {
        *error = failure;
        return nullptr;
    }
    return rows;
}

Outcome FakeEngine::Execute(const std::string&) {
    return Outcome::Failure(Error{error_number::kDatabase, "not expected"});
}

Outcome FakeEngine::ExecuteAtomic(const std::vector<std::string>&) {
    return Outcome::Failure(Error{error_number::kDatabase, "not expected"});
}

RecordsetPtr MakeCandidateRows(int count) {
    std::vector<std::string> fields = {"FBillNo",      "FInterID",   "FEntryID",  "FSupplyName",
                                       "FItemNumber",  "FItemName",  "FAuxQty",   "FAuxPrice",
                                       "FAuxTaxPrice", "FAmount",    "FTaxRate",  "FTaxAmount",
                                       "FAllAmount",   "FCommitQty", "FCommitAmt"};
    std::vector<Recordset::Row> rows;
    rows.reserve(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        char bill[32];
        std::snprintf(bill, sizeof bill, "POORD%06d", i / 3 + 1);
        const double quantity = (i % 10) + 0.5;
        const int64_t price = 100 + i % 1000;
        const int64_t rate = i % 2 ? 17 : 11;
        const double amount = static_cast<double>(price) * quantity;
        const double tax = static_cast<double>(static_cast<int64_t>(amount * rate)) / 100;
        rows.push_back({
            Value(std::string(bill)),
            Value(int64_t{1000 + i / 3}),
            Value(int64_t{i % 3 + 1}),
            i % 5 == 0 ? Value::Null() : Value("上海供应商" + std::to_string(i % 7) + "号"),
            Value("1.01." + std::to_string(i % 100)),
            Value("钢材" + std::to_string(i)),
            Value(quantity),
            Value(price),
            Value(static_cast<double>(price) * (100 + rate) / 100),
            Value(amount),
            Value(rate),
            Value(tax),
            Value(amount + tax),
            Value(int64_t{0}),
            Value(0.25 * (i % 4)),
        });
    }
    return std::make_shared<Recordset>(std::move(fields), std::move(rows));
}

}  // namespace q9::test
