#pragma once

#include <string>

namespace q9 {

// Creates the embedded demo account with its sample documents when `path` does not exist yet.
void EnsureDemoAccountExists(const std::string& path);

}  // namespace q9
