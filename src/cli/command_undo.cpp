#include "command_undo.h"

#include <climits>

#include "cli_session.h"
#include "jobs/undo_clicked.h"

namespace q9::cli {

std::unique_ptr<Command> UndoCommand::Parse(const std::vector<std::string>& arguments,
                                            GlobalOptions& global) {
    ParsedArguments parsed = ParseArguments(arguments, OptionSpec{{}, {"--yes"}, {}}, global);
    if (parsed.positional.size() != 1) throw UsageError("undo needs exactly one RUN-ID");
    auto command = std::make_unique<UndoCommand>();
    command->runId_ =
        static_cast<int32_t>(ParseInteger("RUN-ID", parsed.positional[0], 1, INT32_MAX));
    command->yes_ = parsed.Has("--yes");
    return command;
}

int UndoCommand::Run(const GlobalOptions& global, Terminal& terminal) {
    RunOutcome outcome;
    CliSession session(global, terminal, outcome);
    if (!session.Start()) return outcome.ExitStatus();
    if (yes_) session.prompter().SetPresetAnswer(MessageAnswer::Yes);
    switch (UndoClicked(session.context(), runId_).result) {
        case UndoResult::Done:
            break;
        case UndoResult::Failed:
            outcome.MarkFailure();
            break;
        case UndoResult::NoJournal:
        case UndoResult::UnknownRun:
        case UndoResult::AlreadyUndone:
        case UndoResult::RunInProgress:
        case UndoResult::Declined:
            outcome.MarkRefused();
            break;
    }
    return outcome.ExitStatus();
}

}  // namespace q9::cli
