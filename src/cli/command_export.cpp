#include "command_export.h"

#include <ostream>

#include "cli_session.h"
#include "jobs/export_candidates.h"

namespace q9::cli {

DocumentKind ParseDocumentKind(const std::string& text) {
    if (text == "po") return DocumentKind::PurchaseOrder;
    if (text == "so") return DocumentKind::SalesOrder;
    if (text == "payable") return DocumentKind::PayableContract;
    if (text == "receivable") return DocumentKind::ReceivableContract;
    throw UsageError("unknown document kind '" + text + "' (po, so, payable or receivable)");
}

std::unique_ptr<Command> ExportCommand::Parse(const std::vector<std::string>& arguments,
                                              GlobalOptions& global) {
    ParsedArguments parsed = ParseArguments(arguments, {{}, {"--overwrite", "--keep"}, {}}, global);
    if (parsed.positional.size() != 2) throw UsageError("export needs KIND and FILE");
    if (parsed.Has("--overwrite") && parsed.Has("--keep")) {
        throw UsageError("--overwrite and --keep exclude each other");
    }
    auto command = std::make_unique<ExportCommand>();
    command->kind_ = ParseDocumentKind(parsed.positional[0]);
    command->file_ = parsed.positional[1];
    if (command->file_.empty()) throw UsageError("export needs a FILE");
    command->overwrite_ = parsed.Has("--overwrite");
    command->keep_ = parsed.Has("--keep");
    return command;
}

int ExportCommand::Run(const GlobalOptions& global, Terminal& terminal) {
    RunOutcome outcome;
    CliSession session(global, terminal, outcome);
    if (!session.Start()) return outcome.ExitStatus();

    session.files().SetSavePath(file_);
    if (overwrite_) session.prompter().SetPresetAnswer(MessageAnswer::Yes);
    if (keep_) session.prompter().SetPresetAnswer(MessageAnswer::No);

    bool written = ExportCandidates(session.context(), kind_);
    const WindowState& state = session.state();
    if (written) {
        terminal.err << "exported "
                     << (state.currentRecordset ? state.currentRecordset->RecordCount() : 0)
                     << " lines of " << KindText(kind_) << " to "
                     << session.files().ChooseSavePath() << '\n';
        return outcome.ExitStatus();
    }
    if (outcome.failed() || outcome.refused()) return outcome.ExitStatus();

    // Nothing written and nothing said about it by a box: find out why.
    bool isOrder = kind_ == DocumentKind::PurchaseOrder || kind_ == DocumentKind::SalesOrder;
    if (isOrder && state.billDiscountOn) {
        outcome.MarkFailure();  // refused by the whole-bill discount
    } else if (state.currentRecordset && state.currentRecordset->RecordCount() < 1) {
        terminal.err << "no lines of " << KindText(kind_) << " to export\n";
    } else {
        terminal.err << "q9taxrate-cli: the lines of " << KindText(kind_)
                     << " could not be exported\n";
        outcome.MarkFailure();
    }
    return outcome.ExitStatus();
}

}  // namespace q9::cli
