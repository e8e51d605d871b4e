#include "qt_event_pump.h"

#include <QCoreApplication>

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

void QtEventPump::ReportProgress(const std::string& kind, int row, int count) {
    if (!dialog_) {
        // Owned by the window as Qt children are; Finish lets it go.
        dialog_ = new QProgressDialog(parent_);
        dialog_->setWindowTitle(parent_ ? parent_->windowTitle() : QString());
        dialog_->setWindowModality(Qt::WindowModal);
        dialog_->setCancelButton(nullptr);
        dialog_->setMinimumDuration(0);
        dialog_->setAutoClose(false);
        dialog_->setAutoReset(false);
        dialog_->setMinimumWidth(360);
    }
    dialog_->setMaximum(count > 0 ? count : 1);
    dialog_->setLabelText(rowText_(QString::fromStdString(kind), row, count));
    dialog_->setValue(row < 0 ? 0 : (count > 0 && row > count ? count : row));
    if (!dialog_->isVisible()) dialog_->show();
}

void QtEventPump::Finish() {
    if (!dialog_) return;
    dialog_->hide();
    dialog_->deleteLater();
    dialog_ = nullptr;
}

}  // namespace q9::app
