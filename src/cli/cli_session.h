#pragma once

#include <string>

#include "cli_frontend.h"
#include "cli_options.h"
#include "host/context.h"
#include "host/tool_session.h"
#include "run_outcome.h"
#include "terminal.h"

namespace q9::cli {

// One session of the tool without a window: the front-end objects, the host session on the
// chosen account and the core context the commands hand to the core.
class CliSession {
  public:
    CliSession(const GlobalOptions& options, Terminal& terminal, RunOutcome& outcome,
               const std::string& reportPath = {});

    // The start-up sequence, its failure shown and counted. False when the command cannot go
    // on: the login was refused or the switches could not be read.
    bool Start();

    CoreContext& context() { return context_; }
    WindowState& state() { return state_; }
    Texts& texts() { return tool_.texts(); }
    CliNotifier& notifier() { return notifier_; }
    CliPrompter& prompter() { return prompter_; }
    CliFileChooser& files() { return files_; }
    CliEventPump& pump() { return pump_; }
    CliResultDisplayFactory& displays() { return displays_; }

  private:
    Terminal& terminal_;
    RunOutcome& outcome_;
    CliNotifier notifier_;
    CliPrompter prompter_;
    CliFileChooser files_;
    CliEventPump pump_;
    CliResultDisplayFactory displays_;
    CliLoginPrompt loginPrompt_;
    ToolSession tool_;
    FileDebugLog log_;
    WindowState state_;
    CoreContext context_;
};

}  // namespace q9::cli
