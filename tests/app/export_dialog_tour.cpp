#include "export_dialog_tour.h"

#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "app_test_support.h"

namespace q9::app::test {

namespace {

constexpr int kDrawnAfterMs = 400;

// Calls `act` on the modal dialog of type `Dialog` once it is up and has had time to draw. Polls
// from the event loop the dialog's exec() runs, so nothing waits inside a wait.
template <typename Dialog>
void WhenModal(QObject* context, std::function<void(Dialog&)> act) {
    auto* poll = new QTimer(context);
    poll->setInterval(20);
    QObject::connect(poll, &QTimer::timeout, context, [poll, act] {
        auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget());
        if (!dialog || !dialog->isVisible()) return;
        poll->stop();
        poll->deleteLater();
        QTimer::singleShot(kDrawnAfterMs, dialog, [dialog, act] { act(*dialog); });
    });
    poll->start();
}

}  // namespace

bool ExportDialogTour::Run(const std::string& language) const {
    TempAccount account;
    const QString folder = QString::fromStdString(account.Folder());
    QFile existing(folder + QStringLiteral("/po.xls"));
    if (!existing.open(QIODevice::WriteOnly)) return false;
    existing.close();

    ForgetSharedSession();
    LoginOptions options;
    options.databaseUrl = account.Url();
    options.language = language;
    MainWindow window(options);
    window.show();
    if (!QTest::qWaitForWindowExposed(&window)) return false;

    bool sawDialog = false;
    bool sawQuestion = false;
    WhenModal<QFileDialog>(&window, [&](QFileDialog& save) {
        save.setDirectory(folder);
        // Typed, as the operator would: selecting an existing file waits for the listing.
        if (auto* name = save.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))) {
            name->setText(QStringLiteral("po.xls"));
        }
        QTimer::singleShot(kDrawnAfterMs, &save, [&] {
            sawDialog = true;
            if (onSaveDialog) onSaveDialog(save);
            WhenModal<QMessageBox>(&window, [&](QMessageBox& question) {
                QAbstractButton* no = question.button(QMessageBox::No);
                if (!no) {
                    question.accept();  // a notice of a failure, not the question
                    return;
                }
                sawQuestion = true;
                if (onQuestion) onQuestion(question);
                no->click();
            });
            static_cast<QDialog&>(save).accept();  // the file dialog checks the name it holds
        });
    });
    QTest::mouseClick(window.findChild<QPushButton*>(QStringLiteral("cmdPO")), Qt::LeftButton);
    return sawDialog && sawQuestion;
}

}  // namespace q9::app::test
