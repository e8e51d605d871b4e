#pragma once

#include <string>
#include <vector>

#include "journal/change_store.h"

namespace q9 {

// The texts of the list's seven column titles and of its sheet, to load in the session's
// language.
inline constexpr const char* kChangeListTitles = "类别|单据|分录|表|字段|修改前|修改后|";
inline constexpr const char* kChangeListSheet = "变更明细";

// The titles of a loaded kChangeListTitles.
std::vector<std::string> ChangeListTitles(const std::string& loaded);

// Writes the list to `path` in the format its name asks for: an .xlsx workbook of one sheet
// named `sheet`, the same columns as the CSV, every value as the text the CSV holds; CSV for
// any other name. Written beside and renamed over the path. False when it could not be written,
// nor the list read.
bool WriteChangeList(const std::string& path, const std::vector<std::string>& titles,
                     const std::string& sheet, const ChangeStore& changes);

}  // namespace q9
