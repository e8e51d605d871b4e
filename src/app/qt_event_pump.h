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
    // Gives the progress dialog a button (and its close box) that asks for the window to close
    // once the run is over; `note` then stands under the row.
    void SetCloseRequest(QString caption, QString note, std::function<void()> request);
    // Shows the note: a close was asked for while the run goes on.
    void NoteClosePending();

    void ProcessEvents() override;
    void ReportProgress(const std::string& kind, int row, int count) override;
    // Closes the progress dialog; the run is over or its result is about to show.
    void Finish();

    QProgressDialog* dialog() const { return dialog_; }

  private:
    QString LabelText() const;

    QPointer<QWidget> parent_;
    RowTextMaker rowText_;
    QString rowLabel_;
    QString closeCaption_;
    QString closeNote_;
    std::function<void()> closeRequest_;
    bool closePending_ = false;
    // Owned; QPointer because the window may be destroyed first and take it along.
    QPointer<QProgressDialog> dialog_;
};

}  // namespace q9::app
