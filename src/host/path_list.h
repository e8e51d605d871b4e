#pragma once

// A path box holds one workbook or several, separated by ";". A path that holds ";" or '"' is
// written in double quotes with each '"' doubled; any other path stands as it is, blanks and all.

#include <string>
#include <string_view>
#include <vector>

namespace q9 {

// The paths in the box, in order; nothing between two separators is no path. Blanks around a
// quoted path are dropped; an unclosed quote runs to the end of the box.
std::vector<std::string> SplitPathList(std::string_view box);

// The box text for the paths: SplitPathList gives them back unchanged (empty ones left out).
std::string JoinPathList(const std::vector<std::string>& paths);

}  // namespace q9
