#pragma once

#include <cstdint>
#include <string>

namespace q9 {

inline constexpr const char* kCrLf = "\r\n";

// The statements that rewrite one entry line. `backupInsert` and `update` joined by CR LF are the
// backup-and-update batch; `totals` (contracts under the tax-exclusive rule, else empty) follows
// it. Kept apart so that the line can run as one transaction that is rolled back when the update
// finds no row.
struct LineStatements {
    std::string backupInsert;
    std::string update;
    std::string totals;

    std::string EntryBatch() const { return backupInsert + kCrLf + update; }
};

// "(te.FInterID=501 AND te.FEntryID=2) ": the row condition of the order check queries.
std::string OrderRowCondition(int32_t interId, int32_t entryId);
// "(te.FInterID= 501 AND te.FEntryID=2)": the key condition of the order batches.
std::string OrderKeyCondition(int32_t interId, int32_t entryId);

}  // namespace q9
