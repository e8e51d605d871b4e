#include "qt_notifier.h"

#include <QMessageBox>

#include "title_width.h"
#include "window_services.h"

namespace q9::app {

void QtNotifier::ShowNotice(const std::string& message) {
    QMessageBox box(QMessageBox::NoIcon, QString::fromUtf8(kWindowTitle),
                    QString::fromStdString(message), QMessageBox::Ok, parent_);
    // A notice may name workbooks to paste into a path box.
    box.setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    FitTitle(box);
    box.exec();
}

}  // namespace q9::app
