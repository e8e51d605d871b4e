#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "terminal.h"

namespace q9::cli {

// Runs the command line with its arguments (without the program name); returns the exit status.
// Answers come from the process's stdin when it is a terminal.
int Run(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err);

// The same with the streams given.
int Run(const std::vector<std::string>& arguments, Terminal& terminal);

// The text of --help.
std::string HelpText();

}  // namespace q9::cli
