#pragma once

namespace q9 {

// How a line is re-rated: which unit price stays as it is (OptAmount / OptPrice on the window).
enum class AdjustmentRule {
    KeepTaxInclusivePrice,  // OptAmount: recompute the tax-exclusive price, amount, tax, discount
    KeepTaxExclusivePrice,  // OptPrice: recompute the tax-inclusive price, totals, tax, discount
};

}  // namespace q9
