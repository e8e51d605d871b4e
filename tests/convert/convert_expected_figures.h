#pragma once

// The figures a conversion must write, from the formulas of each kind and rule, in exact decimal
// arithmetic.

#include <map>
#include <string>

#include "convert_exact_decimal.h"

namespace q9::testing_doubles {

using Figures = std::map<std::string, Exact>;

// One entry line: its columns before the conversion and what the formulas need beside them.
struct LineFacts {
    Figures values;
    Exact exchangeRate;
    int priceDecimals;
    int scale;  // the currency's decimals (contracts)
};

// The new figures of one line, from the formulas of each kind and rule.
inline Figures ExpectedOrder(bool sales, const LineFacts& line, const std::string& n,
                             bool optAmount, bool includeTax) {
    const Figures& v = line.values;
    const Exact N(n), Q = v.at("FAuxQty"), Pi = v.at("FAuxTaxPrice"), Pe = v.at("FAuxPrice"),
                      d = v.at("FTaxRate"), X = line.exchangeRate;
    const int p = line.priceDecimals;
    const Exact paid = Exact(100) - d, base = Exact(100) + N;
    Figures e{{"FCess", N}};
    const std::string taxColumn = sales ? "FTaxAmt" : "FTaxAmount";
    const std::string discountColumn = sales ? "FTaxAmount" : "FDescount";
    if (optAmount) {
        e[taxColumn] = (Q * Pi * paid * N / (base * 100)).Round(2);
        e["FAmount"] = (Q * Pi * paid / base).Round(2);
        e["FAuxPrice"] = (Pi * 100 / base).Round(p);
        e["FPrice"] = (Pi * 100 / base * X).Round(p);
        if (!includeTax) e[discountColumn] = (Q * Pi * d / base).Round(2);
        return e;
    }
    const Exact Pn = (Pe * base / 100).Round(p);
    e["FAuxTaxPrice"] = Pn;
    e["FTaxPrice"] = (Pe * base / 100 * X).Round(p);
    e["FAuxPriceDiscount"] = (Pn * (Exact(1) - d / 100)).Round(p);
    e["FPriceDiscount"] = (Pn * (Exact(1) - d / 100) * X).Round(p);
    const Exact tax = (Q * Pn * paid * N / (base * 100)).Round(2);
    if (sales) {
        const Exact amount = v.at("FAmount");
        e["FTaxAmount"] =
            includeTax ? (Q * (Pe * base / 100) * d / 100).Round(2) : (Q * Pe / 100 * d).Round(2);
        e["FTaxAmt"] = tax;
        e["FAllAmount"] = amount + tax;
        e["FAllStdAmount"] = ((amount + tax) * X).Round(2);
        return e;
    }
    e["FAmount"] = (Q * Pn * paid / base).Round(2);
    if (includeTax) {
        e["FDescount"] = (Q * Pn * d / 100).Round(2);
        e["FAllAmount"] = (Q * (Pe * base / 100 * (Exact(1) - d / 100) * X).Round(p)).Round(2);
        e["FTaxAmount"] = e["FAllAmount"] - e["FAmount"];
    } else {
        e["FTaxAmount"] = tax;
        e["FAllAmount"] = e["FAmount"] + tax;
        e["FDescount"] = (Q * Pn * d / base).Round(2);
    }
    return e;
}

inline Figures ExpectedContract(const LineFacts& line, const std::string& n, bool optAmount) {
    const Figures& v = line.values;
    const Exact N(n), Q = v.at("FQuantity"), Pi = v.at("FTaxPriceFor"), Pe = v.at("FPriceFor"),
                      Pl = v.at("FPrice"), d = v.at("FBusinessDiscountRate"), X = line.exchangeRate;
    const int p = line.priceDecimals, s = line.scale;
    const Exact r = Exact(1) + N / 100, paid = Exact(1) - d / 100;
    Figures e{{"FTaxRate", N}};
    const Exact price = optAmount ? Pi : (Pe * r).Round(p);
    e["FAmountFor"] = (Q * price / r * paid).Round(s);
    e["FAmount"] = (Q * price / r * paid * X).Round(s);
    e["FTaxFor"] = (Q * price * paid / r * N / 100).Round(s);
    e["FTax"] = (Q * price * paid / r * N / 100 * X).Round(s);
    if (optAmount) {
        e["FPriceFor"] = (Pi / r).Round(p);
        e["FPrice"] = (Pi / r * X).Round(p);
    } else {
        e["FTaxPriceFor"] = price;
        e["FFactPriceFor"] = price;
        e["FTaxPrice"] = (Pl * r).Round(p);
        e["FAmountIncludeTaxFor"] = (Q * price).Round(s);
        e["FAmountIncludeTax"] = (Q * price * X).Round(s);
    }
    return e;
}

}  // namespace q9::testing_doubles
