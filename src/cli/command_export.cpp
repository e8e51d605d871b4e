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

    const ExportOutcome exported = ExportCandidates(session.context(), kind_);
    outcome.Include(exported);
    PrintExportSummary(exported, terminal.err);
    return outcome.ExitStatus();
}

void PrintExportSummary(const ExportOutcome& outcome, std::ostream& out) {
    const std::string kind = KindText(outcome.kind);
    switch (outcome.result) {
        case ExportResult::Written:
            out << "exported " << outcome.lines << " lines of " << kind << " to ";
            for (size_t i = 0; i < outcome.files.size(); ++i) {
                out << (i > 0 ? ", " : "") << outcome.files[i];
            }
            out << '\n';
            return;
        case ExportResult::NoCandidates:
            out << "no lines of " << kind << " to export\n";
            return;
        case ExportResult::NoFileChosen:
            out << "q9taxrate-cli: the lines of " << kind << " could not be exported\n";
            return;
        case ExportResult::SwitchesUnread:
        case ExportResult::WholeBillDiscount:
        case ExportResult::QueryFailed:
        case ExportResult::OverwriteDeclined:
        case ExportResult::WriteFailed:
            // Their notice or box said it already.
            return;
    }
}

}  // namespace q9::cli
