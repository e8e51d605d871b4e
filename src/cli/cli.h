#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace q9::cli {

// Runs the command line with its arguments (without the program name); returns the exit status.
int Run(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err);

}  // namespace q9::cli
