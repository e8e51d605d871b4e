#pragma once

#include <QDialog>
#include <QTableWidget>
#include <functional>

#include "result_table.h"

namespace q9::app {

// The result grid: titled columns, one row per refused line; cells can be selected and copied
// (Ctrl+C gives tab-separated text) and the whole grid saved as CSV.
class ResultGridDialog : public QDialog {
    Q_OBJECT

  public:
    using Translate = std::function<QString(const char* text)>;
    // Answers where to save the CSV file; empty when the operator cancels.
    using CsvPathAsker = std::function<QString(QWidget* parent)>;

    ResultGridDialog(ResultTable table, Translate translate, QWidget* parent = nullptr);

    void SetCsvPathAsker(CsvPathAsker asker) { askCsvPath_ = std::move(asker); }
    QTableWidget* table() const { return grid_; }

    // The selected cells, rows by lines and cells by tabs.
    QString SelectedCellsAsText() const;
    void CopySelection() const;
    // Asks for a path and writes the CSV there. False when cancelled or not written.
    bool SaveAsCsv();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    ResultTable table_;
    Translate translate_;
    CsvPathAsker askCsvPath_;
    QTableWidget* grid_ = nullptr;
};

}  // namespace q9::app
