#pragma once

// SQL of the purchase- and sales-order conversion. Pure functions: the adjustment rule
// (`optAmount`: keep the tax-inclusive price) and the host's discount-includes-tax switch are
// arguments; `newRate` is "16.0" or "10.0".

#include <cstdint>
#include <string>

#include "convert/conversion_sql.h"

namespace q9 {

// The linked-amount check of one row; `rowCondition` from OrderRowCondition.
std::string GetPOCheckSql(const std::string& rowCondition, const std::string& newRate,
                          bool optAmount);
std::string GetSOCheckSql(const std::string& rowCondition, const std::string& newRate,
                          bool optAmount);

// The backup-and-update batch of one entry.
std::string GetPOUpdateSql(int32_t interId, int32_t entryId, const std::string& newRate,
                           bool optAmount, bool discountIncludeTaxOn);
std::string GetSOUpdateSql(int32_t interId, int32_t entryId, const std::string& newRate,
                           bool optAmount, bool discountIncludeTaxOn);

// The same batches as separate statements.
LineStatements PurchaseOrderLineStatements(int32_t interId, int32_t entryId,
                                           const std::string& newRate, bool optAmount,
                                           bool discountIncludeTaxOn);
LineStatements SalesOrderLineStatements(int32_t interId, int32_t entryId,
                                        const std::string& newRate, bool optAmount,
                                        bool discountIncludeTaxOn);

}  // namespace q9
