#pragma once

#include <functional>
#include <string>
#include <vector>

#include "journal/change_store.h"

namespace q9 {

// The seven cells of a row of the list: kind, bill number, keys, table, column, value before,
// value after.
std::vector<std::string> ChangeListCells(const ChangeRow& change);

// The list of changes as a CSV file, handed to `write` a line at a time: the title line from
// `titles` (seven cells), then one line per changed value. Throws HostError when the list
// cannot be read.
void WriteChangeListCsv(const std::vector<std::string>& titles, const ChangeStore& changes,
                        const std::function<void(const std::string& line)>& write);

}  // namespace q9
