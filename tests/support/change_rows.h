#pragma once

// The list of changes of a run as rows in memory, and back, for tests of a few rows.

#include <memory>
#include <vector>

#include "journal/change_store.h"

namespace q9::testing {

inline std::vector<ChangeRow> RowsOf(const ChangeStore& store) {
    std::vector<ChangeRow> rows;
    store.ForEach([&](const ChangeRow& row) { rows.push_back(row); });
    return rows;
}

inline std::shared_ptr<const ChangeStore> StoreOf(const std::vector<ChangeRow>& rows) {
    auto store = std::make_shared<ChangeStore>();
    for (const ChangeRow& row : rows) store->Append(row);
    return store;
}

}  // namespace q9::testing
