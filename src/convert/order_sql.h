#pragma once

// SQL of the purchase- and sales-order conversion. Pure functions: the rate change, the adjustment
// rule and the host's discount-includes-tax switch are arguments.

#include <cstdint>
#include <string>

#include "convert/conversion_sql.h"
#include "rates/adjustment_rule.h"
#include "rates/rate_change.h"

namespace q9 {

// The linked-amount check of one row; `rowCondition` from OrderRowCondition.
std::string GetPOCheckSql(const std::string& rowCondition, const RateChange& change,
                          AdjustmentRule rule);
std::string GetSOCheckSql(const std::string& rowCondition, const RateChange& change,
                          AdjustmentRule rule);

// The backup-and-update batch of one entry.
std::string GetPOUpdateSql(int32_t interId, int32_t entryId, const RateChange& change,
                           AdjustmentRule rule, bool discountIncludeTaxOn);
std::string GetSOUpdateSql(int32_t interId, int32_t entryId, const RateChange& change,
                           AdjustmentRule rule, bool discountIncludeTaxOn);

// The same batches as separate statements.
LineStatements PurchaseOrderLineStatements(int32_t interId, int32_t entryId,
                                           const RateChange& change, AdjustmentRule rule,
                                           bool discountIncludeTaxOn);
LineStatements SalesOrderLineStatements(int32_t interId, int32_t entryId, const RateChange& change,
                                        AdjustmentRule rule, bool discountIncludeTaxOn);

}  // namespace q9
