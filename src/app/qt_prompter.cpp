#include "qt_prompter.h"

#include <QMessageBox>

#include "title_width.h"
#include "window_services.h"

namespace q9::app {

namespace {

QMessageBox::Icon IconOf(MessageIcon icon) {
    switch (icon) {
        case MessageIcon::Information:
            return QMessageBox::Information;
        case MessageIcon::Exclamation:
            return QMessageBox::Warning;
        case MessageIcon::Critical:
            return QMessageBox::Critical;
        case MessageIcon::None:
            break;
    }
    return QMessageBox::NoIcon;
}

}  // namespace

MessageAnswer QtPrompter::Ask(const MessageBoxRequest& request) {
    const QString title =
        QString::fromStdString(request.title.empty() ? std::string(kWindowTitle) : request.title);
    const bool question = request.buttons == MessageButtons::YesNo;
    QMessageBox box(IconOf(request.icon), title, QString::fromStdString(request.text),
                    question ? (QMessageBox::Yes | QMessageBox::No) : QMessageBox::Ok, parent_);
    if (question) {
        box.setDefaultButton(request.defaultAnswer == MessageAnswer::No ? QMessageBox::No
                                                                        : QMessageBox::Yes);
        box.setEscapeButton(QMessageBox::No);
    }
    FitTitle(box);
    const int answer = box.exec();
    if (!question) return MessageAnswer::Ok;
    return answer == QMessageBox::Yes ? MessageAnswer::Yes : MessageAnswer::No;
}

}  // namespace q9::app
