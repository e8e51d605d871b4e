#pragma once

#include <string>
#include <vector>

namespace q9 {

// Replaces each "%" followed by a number n with the n-th value's text; other text unchanged.
// Markers beyond the values stay as they are.
std::string FillTemplate(const std::string& templateText, const std::vector<std::string>& values);

}  // namespace q9
