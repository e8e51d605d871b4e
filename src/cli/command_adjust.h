#pragma once

#include <array>

#include "command.h"
#include "host/texts.h"
#include "host/window_state.h"
#include "jobs/batch_run.h"

namespace q9::cli {

// adjust …: the one-click adjustment with the window's boxes given as options.
class AdjustCommand : public Command {
  public:
    static std::unique_ptr<Command> Parse(const std::vector<std::string>& arguments,
                                          GlobalOptions& global);

    int Run(const GlobalOptions& global, Terminal& terminal) override;

    // The rate boxes the options tick for the profile in force; UsageError when they name no
    // change of it.
    void TickChanges(const RateProfile& profile);
    // The window's boxes as the options set them.
    void FillWindow(WindowState& state) const;

  private:
    // The list of changes into --changes FILE; false when the file cannot be written.

    std::vector<std::string> standardFlags_;  // --17to16, --11to10 as given
    std::vector<std::string> convert_;        // --convert OLD as given
    std::array<bool, 2> ticked_{};            // Chk17, Chk11: the profile's first and second change
    AdjustmentRule rule_ = AdjustmentRule::KeepTaxInclusivePrice;
    bool materials_ = false;
    bool customers_ = false;
    bool suppliers_ = false;
    // The path boxes: each kind's workbooks as one ";" list.
    std::string poFiles_, soFiles_, payableFiles_, receivableFiles_;
    std::string reportFile_;
    bool yes_ = false;
    bool dryRun_ = false;
    std::string changesFile_;
};

// What the run did, one line per workbook named, for stderr.
void PrintBatchSummary(const WindowState& state, const BatchOutcome& batch, std::ostream& out);

}  // namespace q9::cli
