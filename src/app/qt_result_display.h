#pragma once

#include <QPointer>
#include <QWidget>
#include <functional>
#include <optional>

#include "host/ports.h"
#include "result_grid_dialog.h"
#include "result_table.h"

namespace q9::app {

// The result display in the window: collects the settings and rows, and shows them in a modal
// grid dialog.
class QtResultDisplay : public ResultDisplay {
  public:
    using BeforeShow = std::function<void()>;
    using DialogHook = std::function<void(ResultGridDialog&)>;

    QtResultDisplay(QWidget* parent, ResultGridDialog::Translate translate, BeforeShow beforeShow,
                    DialogHook onDialog);

    void SetWidth(int16_t width) override { table_.widthTwips = width; }
    void SetCols(int16_t cols) override;
    void SetTitles(const std::string& titles) override;
    void SetColWidth(int16_t column, int16_t width) override;
    void Add(const std::string& text) override;
    void SetReport(const RunReport& report) override { report_ = report; }
    void Show(int16_t mode) override;

    const ResultTable& table() const { return table_; }

  private:
    QPointer<QWidget> parent_;
    ResultGridDialog::Translate translate_;
    BeforeShow beforeShow_;
    DialogHook onDialog_;
    ResultTable table_;
    std::optional<RunReport> report_;
};

class QtResultDisplayFactory : public ResultDisplayFactory {
  public:
    QtResultDisplayFactory(QWidget* parent, ResultGridDialog::Translate translate,
                           QtResultDisplay::BeforeShow beforeShow = {},
                           QtResultDisplay::DialogHook onDialog = {})
        : parent_(parent),
          translate_(std::move(translate)),
          beforeShow_(std::move(beforeShow)),
          onDialog_(std::move(onDialog)) {}

    std::unique_ptr<ResultDisplay> CreateDisplay() override {
        return std::make_unique<QtResultDisplay>(parent_, translate_, beforeShow_, onDialog_);
    }

  private:
    QPointer<QWidget> parent_;
    ResultGridDialog::Translate translate_;
    QtResultDisplay::BeforeShow beforeShow_;
    QtResultDisplay::DialogHook onDialog_;
};

}  // namespace q9::app
