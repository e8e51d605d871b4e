#pragma once

// The front end's side of the core's interfaces, without a window: notices and message boxes
// become lines on stdout, questions are answered by options or the terminal, files come from
// the arguments and the result grid is printed (and optionally saved as CSV).

#include <optional>
#include <string>
#include <vector>

#include "host/ports.h"
#include "host/session.h"
#include "run_outcome.h"
#include "terminal.h"

namespace q9::cli {

// Text on one output line: line breaks and tabs inside it become blanks.
std::string OneLine(const std::string& text);

class CliNotifier : public Notifier {
  public:
    explicit CliNotifier(Terminal& terminal) : terminal_(terminal) {}

    void ShowNotice(const std::string& message) override;

  private:
    Terminal& terminal_;
};

class CliPrompter : public Prompter {
  public:
    explicit CliPrompter(Terminal& terminal) : terminal_(terminal) {}

    // The answer an option gave to the questions of this run; unset: ask the terminal.
    void SetPresetAnswer(std::optional<MessageAnswer> answer) { preset_ = answer; }

    MessageAnswer Ask(const MessageBoxRequest& request) override;

  private:
    MessageAnswer AnswerQuestion(const MessageBoxRequest& request);

    Terminal& terminal_;
    std::optional<MessageAnswer> preset_;
};

// Paths given as arguments stand in for the file dialogs.
class CliFileChooser : public FileChooser {
  public:
    // Made absolute: the export needs a folder to write into.
    void SetSavePath(const std::string& path);

    // The workbooks come as options straight into the path boxes: nothing asks for one.
    std::string ChooseOpenFile() override { return {}; }
    std::string ChooseSavePath() override { return savePath_; }

  private:
    std::string savePath_;
};

// One progress line per kind on stderr, redrawn in place at most ten times a second; only a
// person watching stderr wants to see it.
class CliEventPump : public EventPump {
  public:
    // Seconds on a clock that never goes back.
    using Clock = std::function<double()>;

    explicit CliEventPump(Terminal& terminal, Clock clock = SteadySeconds)
        : terminal_(terminal), clock_(std::move(clock)) {}

    void ProcessEvents() override {}
    void ReportProgress(const std::string& kind, int row, int count) override;
    // Ends a progress line left on the terminal.
    void Finish() { terminal_.EndProgressLine(); }

    static double SteadySeconds();

  private:
    Terminal& terminal_;
    Clock clock_;
    std::string kind_;
    int firstRow_ = 0;
    double kindStarted_ = 0;
    double lastShown_ = 0;
};

// "采购订单: row 120 of 16300, 850 lines/s"; without a rate before one can be told.
std::string ProgressLine(const std::string& kind, int row, int count,
                         std::optional<double> linesPerSecond);

// The grid printed on stdout when shown: the titles, then one line per entry, cells separated
// by tabs. With a report path it is also saved as UTF-8 CSV; a report that cannot be written is
// the command's own failure.
class CliResultDisplay : public ResultDisplay {
  public:
    CliResultDisplay(Terminal& terminal, RunOutcome& outcome, std::string reportPath)
        : terminal_(terminal), outcome_(outcome), reportPath_(std::move(reportPath)) {}

    void SetWidth(int16_t width) override { width_ = width; }
    void SetCols(int16_t cols) override;
    void SetTitles(const std::string& titles) override;
    void SetColWidth(int16_t column, int16_t width) override;
    void Add(const std::string& text) override;
    void Show(int16_t mode) override;

    const std::vector<std::string>& titles() const { return titles_; }
    const std::vector<std::vector<std::string>>& rows() const { return rows_; }

  private:
    std::vector<std::string> Cells(const std::string& text) const;
    void WriteReport() const;

    Terminal& terminal_;
    RunOutcome& outcome_;
    std::string reportPath_;
    int16_t width_ = 0;
    size_t columns_ = 0;
    std::vector<int16_t> columnWidths_;
    std::vector<std::string> titles_;
    std::vector<std::vector<std::string>> rows_;
};

class CliResultDisplayFactory : public ResultDisplayFactory {
  public:
    CliResultDisplayFactory(Terminal& terminal, RunOutcome& outcome, std::string reportPath)
        : terminal_(terminal), outcome_(outcome), reportPath_(std::move(reportPath)) {}

    std::unique_ptr<ResultDisplay> CreateDisplay() override;

  private:
    Terminal& terminal_;
    RunOutcome& outcome_;
    std::string reportPath_;
};

// Without a dialog the session's account is the embedded demo account.
class CliLoginPrompt : public LoginPrompt {
  public:
    explicit CliLoginPrompt(std::string demoDatabasePath)
        : demoDatabasePath_(std::move(demoDatabasePath)) {}

    std::optional<LoginChoice> AskLogin(const std::vector<Account>& accounts,
                                        const std::string& defaultUserName,
                                        const RateProfileOffer& profiles) override;

  private:
    std::string demoDatabasePath_;
};

// Why no report can be written at `path` ("cannot write the report PATH: reason": its folder
// is missing or closed to writing, or a folder has that name); empty when it can.
std::string ReportPathProblem(const std::string& path);

// Splits a display entry at "|" into at most `columns` cells; the bar that ends the last
// cell is no cell of its own.
std::vector<std::string> SplitEntry(const std::string& text, size_t columns);

}  // namespace q9::cli
