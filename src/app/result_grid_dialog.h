#pragma once

#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <functional>
#include <optional>
#include <string>

#include "jobs/run_report.h"
#include "journal/undo.h"
#include "result_table.h"

namespace q9::app {

// The result grid: titled columns, one row per refused line; cells can be selected and copied
// (Ctrl+C gives tab-separated text) and the whole grid saved as CSV. The grid of a one-click
// run also sums up each kind above the grid, saves the list of changes and offers to undo the
// run.
class ResultGridDialog : public QDialog {
    Q_OBJECT

  public:
    using Translate = std::function<QString(const char* text)>;
    // Answers where to save the CSV file; empty when the operator cancels.
    using CsvPathAsker = std::function<QString(QWidget* parent)>;
    // Undoes the run (asking first) and tells what became of it.
    using RunUndoer = std::function<UndoResult(int32_t runId)>;
    // Why a file may not be written (it is the account's, say); nothing when it may.
    using PathRefusal = std::function<std::optional<std::string>(const std::string& path)>;

    ResultGridDialog(ResultTable table, Translate translate, QWidget* parent = nullptr);

    void SetCsvPathAsker(CsvPathAsker asker) { askCsvPath_ = std::move(asker); }
    void SetChangesPathAsker(CsvPathAsker asker) { askChangesPath_ = std::move(asker); }
    void SetRunUndoer(RunUndoer undoer);
    void SetPathRefusal(PathRefusal refusal) { refusePath_ = std::move(refusal); }
    // Shows the summary, and the buttons for the changes and the undo the report allows.
    void SetReport(RunReport report);
    QTableWidget* table() const { return grid_; }

    // The selected cells, rows by lines and cells by tabs.
    QString SelectedCellsAsText() const;
    void CopySelection() const;
    // Asks for a path and writes the CSV there. False when cancelled or not written.
    bool SaveAsCsv();
    // Asks for a path and writes the list of changes there, as its name asks (.csv, .xlsx).
    bool SaveChanges();
    void UndoRun();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void ShowReportButtons();
    // Shows the refusal of `path`, if any, and tells whether there was one.
    bool Refused(const QString& path);

    ResultTable table_;
    Translate translate_;
    CsvPathAsker askCsvPath_;
    CsvPathAsker askChangesPath_;
    RunUndoer undoRun_;
    PathRefusal refusePath_;
    RunReport report_;
    QLabel* summary_ = nullptr;
    QPushButton* saveChanges_ = nullptr;
    QPushButton* undo_ = nullptr;
    QTableWidget* grid_ = nullptr;
};

}  // namespace q9::app
