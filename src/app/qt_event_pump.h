#pragma once

#include <QPointer>
#include <QProgressDialog>
#include <QWidget>
#include <functional>

#include "host/ports.h"

namespace q9::app {

// Lets the window repaint during a run and shows, in a window-modal progress dialog, the kind
// being converted and the row reached.
class QtEventPump : public EventPump {
  public:
    // `rowText` fills "%1", "%2", "%3" with the kind, the row and the row count.
    using RowTextMaker = std::function<QString(const QString& kind, int row, int count)>;

    QtEventPump();
    ~QtEventPump() override;

    void SetParent(QWidget* parent) { parent_ = parent; }
    void SetRowText(RowTextMaker rowText) { rowText_ = std::move(rowText); }

    void ProcessEvents() override;
    void ReportProgress(const std::string& kind, int row, int count) override;
    // Closes the progress dialog; the run is over or its result is about to show.
    void Finish();

    QProgressDialog* dialog() const { return dialog_; }

  private:
    QPointer<QWidget> parent_;
    RowTextMaker rowText_;
    // Owned; QPointer because the window may be destroyed first and take it along.
    QPointer<QProgressDialog> dialog_;
};

}  // namespace q9::app
