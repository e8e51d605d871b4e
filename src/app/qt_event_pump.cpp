#include "qt_event_pump.h"

#include <QCoreApplication>
#include <QPushButton>

namespace q9::app {

QtEventPump::QtEventPump()
    : rowText_([](const QString& kind, int row, int count) {
          return QStringLiteral("%1：第 %2 行，共 %3 行").arg(kind).arg(row).arg(count);
      }) {}

QtEventPump::~QtEventPump() {
    Finish();
}

void QtEventPump::ProcessEvents() {
    QCoreApplication::processEvents();
}

void QtEventPump::SetCloseRequest(QString caption, QString note, std::function<void()> request) {
    closeCaption_ = std::move(caption);
    closeNote_ = std::move(note);
    closeRequest_ = std::move(request);
}

void QtEventPump::NoteClosePending() {
    closePending_ = true;
    if (!dialog_) return;
    // Asked once is enough. Disabled rather than removed: its click may still be under way.
    if (auto* button = dialog_->findChild<QPushButton*>()) button->setEnabled(false);
    dialog_->setLabelText(LabelText());
}

QString QtEventPump::LabelText() const {
    if (!closePending_ || closeNote_.isEmpty()) return rowLabel_;
    return rowLabel_ + QLatin1Char('\n') + closeNote_;
}

void QtEventPump::ReportProgress(const std::string& kind, int row, int count) {
    if (!dialog_) {
        // Owned by the window as Qt children are; Finish lets it go.
        dialog_ = new QProgressDialog(parent_);
        dialog_->setWindowTitle(parent_ ? parent_->windowTitle() : QString());
        dialog_->setWindowModality(Qt::WindowModal);
        if (closeRequest_ && !closePending_) {
            dialog_->setCancelButtonText(closeCaption_);
        } else {
            dialog_->setCancelButton(nullptr);
        }
        // The window's close box is out of reach under a modal dialog: its own button, close
        // box and Escape stand for it.
        QObject::connect(dialog_, &QProgressDialog::canceled, dialog_, [this] {
            if (!closeRequest_ || closePending_) return;
            NoteClosePending();
            closeRequest_();
        });
        dialog_->setMinimumDuration(0);
        dialog_->setAutoClose(false);
        dialog_->setAutoReset(false);
        dialog_->setMinimumWidth(360);
    }
    dialog_->setMaximum(count > 0 ? count : 1);
    rowLabel_ = rowText_(QString::fromStdString(kind), row, count);
    dialog_->setLabelText(LabelText());
    dialog_->setValue(row < 0 ? 0 : (count > 0 && row > count ? count : row));
    if (!dialog_->isVisible()) dialog_->show();
}

void QtEventPump::Finish() {
    if (!dialog_) return;
    dialog_->hide();
    dialog_->deleteLater();
    dialog_ = nullptr;
    closePending_ = false;
}

}  // namespace q9::app
