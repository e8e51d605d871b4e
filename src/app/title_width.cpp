#include "title_width.h"

#include <QApplication>
#include <QFontMetrics>
#include <QGridLayout>
#include <QMessageBox>

namespace q9::app {

namespace {

// Room for the window manager's icon and its close, minimise and maximise buttons.
constexpr int kTitleBarButtonsWidth = 160;

}  // namespace

int TitleBarWidth(const QMessageBox& box) {
    // Window managers draw titles bold and a little larger than the dialog's text.
    QFont font = QApplication::font("QMdiSubWindowTitleBar");
    font.setBold(true);
    const int text = QFontMetrics(font).horizontalAdvance(box.windowTitle());
    return text + text / 5 + kTitleBarButtonsWidth;
}

void FitTitle(QMessageBox& box) {
    // QMessageBox fixes its size from its layout, so the room goes into the layout.
    auto* grid = qobject_cast<QGridLayout*>(box.layout());
    if (!grid || grid->columnCount() < 1) return;
    grid->setColumnMinimumWidth(grid->columnCount() - 1, TitleBarWidth(box));
}

}  // namespace q9::app
