#include "command_adjust.h"

#include <memory>
#include <optional>
#include <ostream>

#include "cli_session.h"
#include "host/account_file.h"
#include "host/document_kind.h"
#include "host/path_list.h"
#include "jobs/change_list_file.h"
#include "rates/rate_profile.h"

namespace q9::cli {

namespace {

CheckValue Box(bool ticked) {
    return ticked ? CheckValue::Checked : CheckValue::Unchecked;
}

// "--17to16": the option that ticks a change of the standard profile.
std::string ChangeFlag(const RateChange& change) {
    return "--" + change.oldRate.Text() + "to" + change.newRate.Text();
}

}  // namespace

std::unique_ptr<Command> AdjustCommand::Parse(const std::vector<std::string>& arguments,
                                              GlobalOptions& global) {
    OptionSpec spec{
        {"--rule", "--report", "--changes"},
        {"--materials", "--customers", "--suppliers", "--yes", "--dry-run"},
        // Each workbook option names one workbook; several of a kind are converted in order.
        {"--convert", "--po", "--so", "--payable", "--receivable"}};
    for (const RateChange& change : StandardRateProfile().changes) {
        spec.flags.insert(ChangeFlag(change));
    }
    ParsedArguments parsed = ParseArguments(arguments, spec, global);
    if (!parsed.positional.empty()) {
        throw UsageError("adjust takes no argument '" + parsed.positional.front() + "'");
    }
    auto command = std::make_unique<AdjustCommand>();
    for (const RateChange& change : StandardRateProfile().changes) {
        if (parsed.Has(ChangeFlag(change))) command->standardFlags_.push_back(ChangeFlag(change));
    }
    command->convert_ = parsed.lists["--convert"];
    if (parsed.values.contains("--rule")) {
        std::string rule = parsed.Value("--rule");
        if (rule != "inclusive" && rule != "exclusive") {
            throw UsageError("--rule is inclusive or exclusive, not '" + rule + "'");
        }
        command->rule_ = rule == "inclusive" ? AdjustmentRule::KeepTaxInclusivePrice
                                             : AdjustmentRule::KeepTaxExclusivePrice;
    }
    command->materials_ = parsed.Has("--materials");
    command->customers_ = parsed.Has("--customers");
    command->suppliers_ = parsed.Has("--suppliers");
    command->poFiles_ = JoinPathList(parsed.lists["--po"]);
    command->soFiles_ = JoinPathList(parsed.lists["--so"]);
    command->payableFiles_ = JoinPathList(parsed.lists["--payable"]);
    command->receivableFiles_ = JoinPathList(parsed.lists["--receivable"]);
    command->reportFile_ = parsed.Value("--report");
    if (parsed.values.contains("--report") && command->reportFile_.empty()) {
        throw UsageError("--report needs a FILE");
    }
    command->yes_ = parsed.Has("--yes");
    command->dryRun_ = parsed.Has("--dry-run");
    command->changesFile_ = parsed.Value("--changes");
    if (parsed.values.contains("--changes") && command->changesFile_.empty()) {
        throw UsageError("--changes needs a FILE");
    }
    return command;
}

void AdjustCommand::FillWindow(WindowState& state) const {
    state.chk17 = Box(ticked_[0]);
    state.chk11 = Box(ticked_[1]);
    state.chkItem = Box(materials_);
    state.chkCust = Box(customers_);
    state.chkSupply = Box(suppliers_);
    state.adjustmentRule = rule_;
    state.txtPOFile = poFiles_;
    state.txtSOFile = soFiles_;
    state.txtHTYFFile = payableFiles_;
    state.txtHYSFFile = receivableFiles_;
}

void AdjustCommand::TickChanges(const RateProfile& profile) {
    ticked_ = {};
    const std::vector<RateChange>& changes = profile.changes;
    if (!standardFlags_.empty() && profile.name != StandardRateProfile().name) {
        throw UsageError(standardFlags_.front() + " ticks a change of the standard profile; use " +
                         "--convert OLD for the profile in force");
    }
    for (size_t i = 0; i < changes.size() && i < ticked_.size(); ++i) {
        ticked_[i] = std::find(standardFlags_.begin(), standardFlags_.end(),
                               ChangeFlag(changes[i])) != standardFlags_.end();
    }
    for (const std::string& text : convert_) {
        const std::optional<Rate> old = ParseRate(text);
        size_t i = 0;
        while (i < changes.size() && (!old || changes[i].oldRate != *old)) ++i;
        if (i == changes.size()) {
            throw UsageError("--convert " + text + ": not an old rate of the profile (" +
                             DescribeRateProfile(profile) + ")");
        }
        ticked_[i] = true;
    }
    // The one-click button is disabled while no rate box is ticked.
    if (std::find(ticked_.begin(), ticked_.end(), true) == ticked_.end()) {
        std::string options;
        for (const RateChange& change : StandardRateProfile().changes) {
            options += ChangeFlag(change) + ", ";
        }
        throw UsageError("adjust needs " + options + "or --convert OLD for each change to make");
    }
}

int AdjustCommand::Run(const GlobalOptions& global, Terminal& terminal) {
    TickChanges(global.rateProfile);
    RunOutcome outcome;
    CliSession session(global, terminal, outcome, reportFile_);
    if (!session.Start()) return outcome.ExitStatus();
    // Nothing of the account is changed for a report that could not be written, nor written
    // over the account itself (nor its temporary name).
    if (!reportFile_.empty()) {
        std::string problem = ReportPathProblem(reportFile_);
        for (const std::string& file : {reportFile_, reportFile_ + ".part"}) {
            if (!problem.empty()) break;
            problem = AccountFileRefusal(session.context().gateway, session.texts(), file)
                          .value_or(std::string());
        }
        if (!problem.empty()) {
            terminal.err << "q9taxrate-cli: " << problem << '\n';
            outcome.MarkFailure();
            return outcome.ExitStatus();
        }
    }

    FillWindow(session.state());
    if (yes_) session.prompter().SetPresetAnswer(MessageAnswer::Yes);

    Texts& texts = session.texts();
    auto changes = std::make_shared<const ChangeStore>();
    BatchOutcome batch;
    if (dryRun_) {
        batch = PreviewClicked(session.context(), session.displays(), &changes);
    } else {
        batch = FixClicked(session.context(), session.displays(),
                           changesFile_.empty() ? nullptr : &changes);
    }
    if (batch.completed() && !changesFile_.empty() &&
        !WriteChangeList(changesFile_, ChangeListTitles(texts.LoadText(kChangeListTitles)),
                         texts.LoadText(kChangeListSheet), *changes)) {
        session.notifier().ShowNotice(texts.FormatText("不能写入变更明细文件：%1", {changesFile_}));
        outcome.MarkFailure();
    }
    session.pump().Finish();
    outcome.Include(batch);
    PrintBatchSummary(session.state(), batch, terminal.err);
    return outcome.ExitStatus();
}

void PrintBatchSummary(const WindowState& state, const BatchOutcome& batch, std::ostream& out) {
    out << "rate changes made:";
    for (const RateChange* change : state.TickedChanges()) {
        out << ' ' << change->oldRate.Text() << "%→" << change->newRate.Text() << '%';
    }
    out << " (profile " << DescribeRateProfile(state.rateProfile) << ")\n";
    for (const ConversionOutcome& c : batch.conversions) {
        if (c.workbook.empty()) continue;
        out << "converted " << c.converted << " lines of " << KindText(c.kind) << " (" << c.rows
            << " rows read, " << c.listed << " listed, " << c.unchanged << " unchanged";
        if (c.unmatched > 0) out << ", " << c.unmatched << " matching no line";
        if (!c.failures.empty()) out << ", " << c.failures.size() << " failed";
        if (c.progress == RunProgress::StoppedByDatabase) {
            out << ", stopped: the account database is locked or gone";
        } else if (c.stop && c.stop->where.row > 0) {
            out << ", stopped at row " << c.stop->where.row;
        } else if (c.stop) {
            out << ", workbook not read";
        }
        out << ")\n";
    }
}

}  // namespace q9::cli
