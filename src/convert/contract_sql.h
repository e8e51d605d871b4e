#pragma once

// SQL of the contract conversion (payable and receivable alike). Pure functions: the adjustment
// rule (`optAmount`: keep the tax-inclusive price) is an argument; `newRate` is "16.0" or "10.0".

#include <cstdint>
#include <string>

#include "convert/conversion_sql.h"

namespace q9 {

// The linked-amount check (tax-inclusive rule) or the several-schedule-rows check.
std::string GetContractCheckSql(int32_t contractId, int32_t entryId, const std::string& newRate,
                                bool optAmount);

// The entry's backup-and-update batch and, under the tax-exclusive rule, the totals batch that
// follows it (empty under the tax-inclusive rule). Both belong to the line's one transaction.
struct ContractUpdateSql {
    std::string entryBatch;
    std::string totalsBatch;
};
ContractUpdateSql GetContractUpdateSql(int32_t contractId, int32_t entryId,
                                       const std::string& newRate, bool optAmount);

LineStatements ContractLineStatements(int32_t contractId, int32_t entryId,
                                      const std::string& newRate, bool optAmount);

}  // namespace q9
