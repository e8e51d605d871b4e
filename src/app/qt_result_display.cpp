#include "qt_result_display.h"

namespace q9::app {

QtResultDisplay::QtResultDisplay(QWidget* parent, ResultGridDialog::Translate translate,
                                 BeforeShow beforeShow, DialogHook onDialog)
    : parent_(parent),
      translate_(std::move(translate)),
      beforeShow_(std::move(beforeShow)),
      onDialog_(std::move(onDialog)) {}

void QtResultDisplay::SetCols(int16_t cols) {
    const size_t count = cols > 0 ? static_cast<size_t>(cols) : 0;
    table_.titles.resize(count);
    table_.columnTwips.resize(count);
    for (auto& row : table_.rows) row.resize(count);
}

void QtResultDisplay::SetTitles(const std::string& titles) {
    table_.titles = SplitDisplayText(titles, table_.titles.size());
}

void QtResultDisplay::SetColWidth(int16_t column, int16_t width) {
    // Columns count from 1.
    if (column >= 1 && static_cast<size_t>(column) <= table_.columnTwips.size())
        table_.columnTwips[static_cast<size_t>(column - 1)] = width;
}

void QtResultDisplay::Add(const std::string& text) {
    table_.rows.push_back(SplitDisplayText(text, table_.titles.size()));
}

void QtResultDisplay::Show(int16_t /*mode*/) {
    // Every mode shows the grid modally: the completion notice follows its closing.
    if (beforeShow_) beforeShow_();
    ResultGridDialog dialog(table_, translate_, parent_);
    if (report_) dialog.SetReport(*report_);
    if (onDialog_) onDialog_(dialog);
    dialog.exec();
}

}  // namespace q9::app
