#pragma once

#include <string>

#include "host/error.h"

namespace q9 {

// Where a failure happened; a part that does not apply stays empty (or 0).
struct Place {
    std::string file{};
    std::string sheet{};
    int row = 0;  // sheet row, the title row being 1

    bool operator==(const Place&) const = default;
};

// A failure as an outcome reports it: its number and description, and where it happened.
struct Failure {
    Error error;
    Place where;
};

// `error` located at a cell or a row of a sheet, for instance "采购订单 第12行 M列：不是整数".
// A database's message keeps its lead-in.
Error AtCell(const Error& error, const std::string& sheet, int row, const std::string& column);
Error AtRow(const Error& error, const std::string& sheet, int row);

// The Failure of the exception being handled. Call only inside a catch block.
inline Failure CurrentFailure(Place where = {}, int32_t otherNumber = error_number::kDatabase) {
    return Failure{CurrentExceptionError(otherNumber), std::move(where)};
}

}  // namespace q9
