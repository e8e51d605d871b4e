#include "qt_services_test.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>

#include "app_test_support.h"
#include "qt_event_pump.h"
#include "qt_login_prompt.h"
#include "qt_notifier.h"
#include "qt_prompter.h"

namespace q9::app::test {

namespace {

// Runs `answer` on the next modal dialog once it is up (the code under test waits in exec()).
void AnswerNextModal(std::function<void(QWidget*)> answer) {
    auto* poll = new QTimer(qApp);
    poll->setInterval(10);
    QObject::connect(poll, &QTimer::timeout, [poll, answer] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            poll->stop();
            poll->deleteLater();
            answer(modal);
        }
    });
    poll->start();
}

}  // namespace

void QtServicesTest::questionBoxIsExact() {
    QtPrompter prompter;
    MessageBoxRequest request;
    request.text = "文件已存在，是否覆盖？";
    request.title = "系统提示";
    request.buttons = MessageButtons::YesNo;
    request.icon = MessageIcon::Information;
    request.defaultAnswer = MessageAnswer::Yes;
    QString title, text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
    AnswerNextModal([&](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        QVERIFY(box);
        title = box->windowTitle();
        text = box->text();
        icon = box->icon();
        buttons = box->standardButtons();
        defaultButton = box->standardButton(box->defaultButton());
        box->button(QMessageBox::No)->click();
    });
    QVERIFY(prompter.Ask(request) == MessageAnswer::No);
    QCOMPARE(title, QStringLiteral("系统提示"));
    QCOMPARE(text, QStringLiteral("文件已存在，是否覆盖？"));
    QCOMPARE(icon, QMessageBox::Information);
    QCOMPARE(buttons, QMessageBox::Yes | QMessageBox::No);
    QCOMPARE(defaultButton, QMessageBox::Yes);

    AnswerNextModal([](QWidget* modal) {
        qobject_cast<QMessageBox*>(modal)->button(QMessageBox::Yes)->click();
    });
    QVERIFY(prompter.Ask(request) == MessageAnswer::Yes);
}

void QtServicesTest::okBoxAndNoticeCarryTheToolsTitle() {
    QtPrompter prompter;
    MessageBoxRequest request;
    request.text = "53 (File not found)";
    QString title;
    QMessageBox::StandardButtons buttons;
    QMessageBox::Icon icon = QMessageBox::Information;
    AnswerNextModal([&](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        title = box->windowTitle();
        buttons = box->standardButtons();
        icon = box->icon();
        box->accept();
    });
    QVERIFY(prompter.Ask(request) == MessageAnswer::Ok);
    QCOMPARE(title, QStringLiteral("税率调整工具"));
    QCOMPARE(buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QCOMPARE(icon, QMessageBox::NoIcon);

    QtNotifier notifier;
    QString notice;
    AnswerNextModal([&](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        notice = box->windowTitle() + "|" + box->text();
        box->accept();
    });
    notifier.ShowNotice("引出成功");
    QCOMPARE(notice, QStringLiteral("税率调整工具|引出成功"));
}

void QtServicesTest::progressShowsKindAndRow() {
    QWidget window;
    window.setWindowTitle(QStringLiteral("税率调整工具"));
    window.show();
    QtEventPump pump;
    pump.SetParent(&window);
    pump.ProcessEvents();
    QVERIFY(!pump.dialog());  // nothing shows before a row is reported

    pump.ReportProgress("采购订单", 3, 10);
    QProgressDialog* dialog = pump.dialog();
    QVERIFY(dialog);
    QVERIFY(dialog->isVisible());
    QCOMPARE(dialog->windowModality(), Qt::WindowModal);
    QCOMPARE(dialog->labelText(), QStringLiteral("采购订单：第 3 行，共 10 行"));
    QCOMPARE(dialog->value(), 3);
    QCOMPARE(dialog->maximum(), 10);
    pump.ReportProgress("应收合同", 10, 10);
    QCOMPARE(pump.dialog(), dialog);
    QCOMPARE(dialog->labelText(), QStringLiteral("应收合同：第 10 行，共 10 行"));

    pump.Finish();
    QVERIFY(!pump.dialog());
}

void QtServicesTest::loginOffersTheDemoAccountFirst() {
    QtLoginPrompt prompt;
    const std::vector<Account> accounts = {{"财务账套", "sqlite:/srv/finance.db"}};
    QStringList offered;
    QString user;
    AnswerNextModal([&](QWidget* modal) {
        auto* account = modal->findChild<QComboBox*>(QStringLiteral("cboAccount"));
        for (int i = 0; i < account->count(); ++i) offered << account->itemText(i);
        auto* userBox = modal->findChild<QLineEdit*>(QStringLiteral("txtUser"));
        user = userBox->text();
        account->setCurrentIndex(1);
        userBox->setText(QStringLiteral("李四"));
        qobject_cast<QDialog*>(modal)->accept();
    });
    std::optional<LoginChoice> choice = prompt.AskLogin(accounts, "zhang");
    QCOMPARE(offered, QStringList({QStringLiteral("演示账套"), QStringLiteral("财务账套")}));
    QCOMPARE(user, QStringLiteral("zhang"));
    QVERIFY(choice);
    QCOMPARE(QString::fromStdString(choice->url), QStringLiteral("sqlite:/srv/finance.db"));
    QCOMPARE(QString::fromStdString(choice->accountName), QStringLiteral("财务账套"));
    QCOMPARE(QString::fromStdString(choice->userName), QStringLiteral("李四"));

    // The default is the demo account: an empty address, which the login takes as the demo.
    AnswerNextModal([](QWidget* modal) { qobject_cast<QDialog*>(modal)->accept(); });
    choice = prompt.AskLogin(accounts, "zhang");
    QVERIFY(choice && choice->url.empty());

    AnswerNextModal([](QWidget* modal) { qobject_cast<QDialog*>(modal)->reject(); });
    QVERIFY(!prompt.AskLogin(accounts, "zhang"));
}

void QtServicesTest::progressDialogStandsOverTheWindowDuringARun() {
    // A real run with the Qt pump: export the purchase orders, then convert them.
    TempAccount account;
    Doubles doubles;
    doubles.services.pump.reset();  // the window's own
    doubles.prompter->answers = {MessageAnswer::Yes};
    const std::string workbook = account.Folder() + "/po.xls";
    doubles.files->savePath = workbook;
    LoginOptions options;
    options.databaseUrl = account.Url();
    WindowUnderTest t(options, std::move(doubles));
    MainWindow& w = *t.window;
    w.show();
    QTest::mouseClick(t.Find<QPushButton>("cmdPO"), Qt::LeftButton);
    if (!QFile::exists(QString::fromStdString(workbook))) QSKIP("the exporter wrote no workbook");
    t.Find<QLineEdit>("txtPOFile")->setText(QString::fromStdString(workbook));
    ClickIndicator(t.Find<QCheckBox>("Chk17"));

    QString labelDuringRun;
    bool modalDuringRun = false;
    t.doubles.displays->record.onShow = [&] {
        if (auto* dialog = w.findChild<QProgressDialog*>()) {
            labelDuringRun = dialog->labelText();
            modalDuringRun = dialog->isVisible() && dialog->windowModality() == Qt::WindowModal;
        }
    };
    QTest::mouseClick(t.Find<QPushButton>("cmdFix"), Qt::LeftButton);
    QCOMPARE(t.doubles.displays->record.shown, 1);
    QVERIFY(modalDuringRun);
    QVERIFY2(labelDuringRun.startsWith(QStringLiteral("采购订单：第 ")),
             qPrintable(labelDuringRun));
    // Gone once the run is over.
    QTRY_VERIFY(!w.findChild<QProgressDialog*>() || !w.findChild<QProgressDialog*>()->isVisible());
}

}  // namespace q9::app::test
