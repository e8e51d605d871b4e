#pragma once

// SQL of the contract conversion (payable and receivable alike). Pure functions: the rate change
// and the adjustment rule are arguments.

#include <cstdint>
#include <string>

#include "convert/conversion_sql.h"
#include "rates/adjustment_rule.h"
#include "rates/rate_change.h"

namespace q9 {

// The linked-amount check (tax-inclusive rule) or the several-schedule-rows check.
std::string GetContractCheckSql(int32_t contractId, int32_t entryId, const RateChange& change,
                                AdjustmentRule rule);

// The entry's backup-and-update batch and, under the tax-exclusive rule, the totals batch that
// follows it (empty under the tax-inclusive rule). Both belong to the line's one transaction.
struct ContractUpdateSql {
    std::string entryBatch;
    std::string totalsBatch;
};
ContractUpdateSql GetContractUpdateSql(int32_t contractId, int32_t entryId,
                                       const RateChange& change, AdjustmentRule rule);

LineStatements ContractLineStatements(int32_t contractId, int32_t entryId, const RateChange& change,
                                      AdjustmentRule rule);

}  // namespace q9
