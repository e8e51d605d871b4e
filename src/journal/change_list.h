#pragma once

#include <string>
#include <vector>

#include "journal/run_recorder.h"

namespace q9 {

// The list of changes as a CSV file: the title line from `titles` (seven cells), then one line
// per changed value: kind, bill number, keys, table, column, value before, value after.
std::string ChangeListCsv(const std::vector<std::string>& titles,
                          const std::vector<ChangeRow>& changes);

// The text of the list's seven column titles, to load in the session's language.
inline constexpr const char* kChangeListTitles = "类别|单据|分录|表|字段|修改前|修改后|";

// The titles of a loaded kChangeListTitles.
std::vector<std::string> ChangeListTitles(const std::string& loaded);

// Writes the list to `path`; false when it could not be written.
bool WriteChangeList(const std::string& path, const std::vector<std::string>& titles,
                     const std::vector<ChangeRow>& changes);

}  // namespace q9
