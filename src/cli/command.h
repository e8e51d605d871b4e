#pragma once

#include <memory>
#include <string>
#include <vector>

#include "cli_options.h"
#include "terminal.h"

namespace q9::cli {

// One command of the command line, its arguments already checked.
class Command {
  public:
    virtual ~Command() = default;
    // The exit status.
    virtual int Run(const GlobalOptions& global, Terminal& terminal) = 0;
};

// The command named `name` with its arguments; UsageError when they do not fit. The global
// options found among them go into `global`.
std::unique_ptr<Command> ParseCommand(const std::string& name,
                                      const std::vector<std::string>& arguments,
                                      GlobalOptions& global);

}  // namespace q9::cli
