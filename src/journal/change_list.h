#pragma once

#include <string>
#include <vector>

#include "journal/run_recorder.h"

namespace q9 {

// The list of changes as a CSV file: the title line from `titles` (seven cells), then one line
// per changed value: kind, bill number, keys, table, column, value before, value after.
std::string ChangeListCsv(const std::vector<std::string>& titles,
                          const std::vector<ChangeRow>& changes);

}  // namespace q9
