#pragma once

#include "command.h"

namespace q9::cli {

// runs: the account's one-click runs, newest first.
class RunsCommand : public Command {
  public:
    static std::unique_ptr<Command> Parse(const std::vector<std::string>& arguments,
                                          GlobalOptions& global);

    int Run(const GlobalOptions& global, Terminal& terminal) override;
};

}  // namespace q9::cli
