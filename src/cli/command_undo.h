#pragma once

#include <cstdint>

#include "command.h"

namespace q9::cli {

// undo RUN-ID [--yes]: puts back what a journaled run changed.
class UndoCommand : public Command {
  public:
    static std::unique_ptr<Command> Parse(const std::vector<std::string>& arguments,
                                          GlobalOptions& global);

    int Run(const GlobalOptions& global, Terminal& terminal) override;

  private:
    int32_t runId_ = 0;
    bool yes_ = false;
};

}  // namespace q9::cli
