#include "qt_services_test.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <fstream>
#include <functional>

#include "app_test_support.h"
#include "export_dialog_tour.h"
#include "host/path_list.h"
#include "login_memory.h"
#include "qt_event_pump.h"
#include "qt_file_chooser.h"
#include "qt_login_prompt.h"
#include "qt_notifier.h"
#include "qt_prompter.h"
#include "support/temp_folder.h"

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
    std::optional<LoginChoice> choice = prompt.AskLogin(accounts, "zhang", {});
    QCOMPARE(offered, QStringList({QStringLiteral("演示账套"), QStringLiteral("财务账套")}));
    QCOMPARE(user, QStringLiteral("zhang"));
    QVERIFY(choice);
    QCOMPARE(QString::fromStdString(choice->url), QStringLiteral("sqlite:/srv/finance.db"));
    QCOMPARE(QString::fromStdString(choice->accountName), QStringLiteral("财务账套"));
    QCOMPARE(QString::fromStdString(choice->userName), QStringLiteral("李四"));

    // The default is the demo account: an empty address, which the login takes as the demo.
    AnswerNextModal([](QWidget* modal) { qobject_cast<QDialog*>(modal)->accept(); });
    choice = prompt.AskLogin(accounts, "zhang", {});
    QVERIFY(choice && choice->url.empty());

    AnswerNextModal([](QWidget* modal) { qobject_cast<QDialog*>(modal)->reject(); });
    QVERIFY(!prompt.AskLogin(accounts, "zhang", {}));
}

void QtServicesTest::progressDialogStandsOverTheWindowDuringARun() {
    // A real run with the Qt pump: export the purchase orders, then convert them.
    TempAccount account;
    std::unique_ptr<WindowUnderTest> ready = WindowReadyToConvert(account);
    WindowUnderTest& t = *ready;
    MainWindow& w = *t.window;
    if (!QFile::exists(QString::fromStdString(account.Folder() + "/po.xls"))) {
        QSKIP("the exporter wrote no workbook");
    }

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

void QtServicesTest::qtDialogsSpeakTheSessionLanguage_data() {
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("saveTitle");
    QTest::addColumn<QString>("lookIn");
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QString>("yes");
    QTest::addColumn<QString>("no");
    QTest::newRow("chs") << "chs"
                         << "另存为"
                         << "查找范围："
                         << "文件名称(&N)："
                         << "是(&Y)"
                         << "否(&N)";
    QTest::newRow("en") << "en"
                        << "Save As"
                        << "Look in:"
                        << "File &name:"
                        << "&Yes"
                        << "&No";
}

void QtServicesTest::qtDialogsSpeakTheSessionLanguage() {
    QFETCH(QString, language);
    QString saveTitle, lookIn, fileName, yes, no, question;
    ExportDialogTour tour;
    tour.onSaveDialog = [&](QFileDialog& dialog) {
        saveTitle = dialog.windowTitle();
        if (auto* label = dialog.findChild<QLabel*>(QStringLiteral("lookInLabel"))) {
            lookIn = label->text();
        }
        if (auto* label = dialog.findChild<QLabel*>(QStringLiteral("fileNameLabel"))) {
            fileName = label->text();
        }
    };
    tour.onQuestion = [&](QMessageBox& box) {
        question = box.text();
        yes = box.button(QMessageBox::Yes)->text();
        no = box.button(QMessageBox::No)->text();
    };
    QVERIFY(tour.Run(language.toStdString()));
    QTEST(saveTitle, "saveTitle");
    QTEST(lookIn, "lookIn");
    QTEST(fileName, "fileName");
    QTEST(yes, "yes");
    QTEST(no, "no");
    QCOMPARE(question, language == QLatin1String("en")
                           ? QStringLiteral("The file exists. Replace it?")
                           : QStringLiteral("文件已存在，是否覆盖？"));
}

void QtServicesTest::noticesAreWideEnoughForTheirTitle() {
    QtNotifier notifier;
    int width = 0;
    int titleWidth = 0;
    AnswerNextModal([&](QWidget* modal) {
        QFont bold = modal->font();
        bold.setBold(true);
        titleWidth = QFontMetrics(bold).horizontalAdvance(modal->windowTitle());
        width = modal->width();
        qobject_cast<QMessageBox*>(modal)->accept();
    });
    notifier.ShowNotice("引出成功");
    // The title and the window manager's buttons beside it (at least three of 24 pixels).
    QVERIFY2(width >= titleWidth + 3 * 24,
             qPrintable(QStringLiteral("%1 < %2 + 72").arg(width).arg(titleWidth)));
}

void QtServicesTest::loginAsksAPasswordOnlyWhereNothingElseGivesOne() {
    struct Case {
        const char* url;
        bool asks;
    };
    const Case cases[] = {
        {"odbc:Driver=FreeTDS;Server=db;Database=ACC;UID=sa", true},
        {"odbc:DSN=ais;UID=sa", false},
        {"odbc:Driver=FreeTDS;Server=db;UID=sa;PWD=given", false},
        {"sqlite:/srv/finance.db", false},
        {"", false},  // the demo account
    };
    for (const Case& c : cases) {
        QtLoginPrompt prompt;
        bool enabled = false;
        QString echo;
        AnswerNextModal([&](QWidget* modal) {
            auto* account = modal->findChild<QComboBox*>(QStringLiteral("cboAccount"));
            account->setCurrentIndex(account->findData(QString::fromUtf8(c.url)));
            auto* password = modal->findChild<QLineEdit*>(QStringLiteral("txtPassword"));
            enabled = password->isEnabled();
            echo = password->echoMode() == QLineEdit::Password ? "hidden" : "shown";
            if (enabled) password->setText(QStringLiteral("s3;cret"));
            qobject_cast<QDialog*>(modal)->accept();
        });
        std::optional<LoginChoice> choice = prompt.AskLogin({{"财务账套", c.url}}, "zhang", {});
        QVERIFY(choice);
        QCOMPARE(enabled, c.asks);
        QCOMPARE(echo, QStringLiteral("hidden"));
        QCOMPARE(QString::fromStdString(choice->password),
                 c.asks ? QStringLiteral("s3;cret") : QString());
        QCOMPARE(QString::fromStdString(choice->url), QString::fromUtf8(c.url));
    }
}

void QtServicesTest::loginOffersTheLastAccountFirst() {
    QTemporaryDir folder;
    const std::string memory = folder.filePath(QStringLiteral("state/last-login")).toStdString();
    const std::vector<Account> accounts = {{"财务账套", "sqlite:/srv/finance.db"},
                                           {"总部", "odbc:Driver=FreeTDS;Server=hq;UID=sa"}};
    QtLoginPrompt prompt;
    prompt.SetMemoryFile(memory);
    auto choose = [&](int index, const char* password) {
        QString offered;
        AnswerNextModal([&](QWidget* modal) {
            auto* account = modal->findChild<QComboBox*>(QStringLiteral("cboAccount"));
            offered = account->currentText();
            account->setCurrentIndex(index);
            modal->findChild<QLineEdit*>(QStringLiteral("txtPassword"))
                ->setText(QString::fromUtf8(password));
            qobject_cast<QDialog*>(modal)->accept();
        });
        prompt.AskLogin(accounts, "zhang", {});
        return offered;
    };
    QCOMPARE(choose(2, "s3cret"), QStringLiteral("演示账套"));  // nothing remembered yet
    QCOMPARE(choose(1, ""), QStringLiteral("总部"));
    QCOMPARE(choose(0, ""), QStringLiteral("财务账套"));
    QCOMPARE(choose(0, ""), QStringLiteral("演示账套"));
    // An account that left the accounts file gives way to the demo account.
    WriteLoginMemory(memory, {"已删除"});
    QCOMPARE(choose(0, ""), QStringLiteral("演示账套"));

    prompt.SetMemoryFile(memory);
    choose(2, "s3cret");
    QFile file(QString::fromStdString(memory));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray remembered = file.readAll();
    QVERIFY(remembered.contains("总部"));
    QVERIFY(!remembered.contains("s3cret"));
}

void QtServicesTest::openDialogTakesSeveralWorkbooksForOnePathBox() {
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    // One name holds the box's separator: it must come back quoted.
    for (const QString& name : {QStringLiteral("po;1.xls"), QStringLiteral("po2.xls")}) {
        QFile file(folder.filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    QtFileChooser chooser;
    AnswerNextModal([&](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        if (!dialog) return;
        dialog->setDirectory(folder.path());
        // Typed as Qt's dialog writes a choice of several files.
        if (auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))) {
            name->setText(QStringLiteral("\"po;1.xls\" \"po2.xls\""));
        }
        static_cast<QDialog*>(dialog)->accept();  // the file dialog checks the names it holds
    });
    const std::string box = chooser.ChooseOpenFile();
    const std::string base = folder.path().toStdString() + "/";
    QCOMPARE(QString::fromStdString(box),
             QString::fromStdString("\"" + base + "po;1.xls\";" + base + "po2.xls"));
    QCOMPARE(SplitPathList(box).size(), size_t{2});
}

void QtServicesTest::loginChoosesTheRateProfileAndTheAccountRemembersIt() {
    const QString standard = QStringLiteral("2018：17%→16%, 11%→10%（2018-05-01之前）");
    const QString of2019 = QStringLiteral("2019：16%→13%, 10%→9%（2019-04-01之前）");
    const QString custom = QStringLiteral("13%→9%（2026-01-01之前）");
    enum class Write { Remembered, Blocked };
    struct Case {
        const char* remembered;  // the account's profile keys
        RateProfileSource source;
        QString shown;
        QStringList offered;
        Write write = Write::Remembered;
    };
    const Case cases[] = {
        {"", RateProfileSource::Standard, standard, {standard, of2019}},
        {"profile=2019\n", RateProfileSource::Standard, of2019, {standard, of2019}},
        {"changes=13:9\ncutoff=2026-01-01\n",
         RateProfileSource::Standard,
         custom,
         {standard, of2019, custom}},
        // The command line's profile: the account's own is neither shown first nor offered.
        {"changes=13:9\ncutoff=2026-01-01\n", RateProfileSource::Given, of2019, {standard, of2019}},
        // The file cannot take the choice: the session still uses it and the operator is told.
        {"", RateProfileSource::Standard, standard, {standard, of2019}, Write::Blocked},
    };
    for (const Case& c : cases) {
        TempAccount account;
        const std::string accounts = account.Folder() + "/accounts.ini";
        const std::string before =
            "; accounts\r\n[其他]\r\ndb=sqlite:/srv/other.db\r\n\n[财务账套]\ndb=" + account.Url() +
            "\n";
        const std::string after = "\n# end\n";
        std::ofstream(accounts, std::ios::binary) << before << c.remembered << after;
        if (c.write == Write::Blocked) std::filesystem::create_directory(accounts + ".new");
        Doubles doubles;
        testing::RecordingNotifier* notifier = doubles.notifier;
        doubles.services.loginPrompt = std::make_unique<QtLoginPrompt>();
        LoginOptions options;
        options.accountsFile = accounts;
        if (c.source == RateProfileSource::Given) {
            options.rateProfile = BuiltInRateProfiles()[1];
            options.rateProfileSource = c.source;
        }
        QString shown;
        QStringList offered;
        AnswerNextModal([&](QWidget* modal) {
            auto* accountBox = modal->findChild<QComboBox*>(QStringLiteral("cboAccount"));
            accountBox->setCurrentIndex(accountBox->findText(QStringLiteral("财务账套")));
            auto* profile = modal->findChild<QComboBox*>(QStringLiteral("cboProfile"));
            shown = profile->currentText();
            for (int i = 0; i < profile->count(); ++i) offered << profile->itemText(i);
            profile->setCurrentIndex(profile->findText(of2019));
            qobject_cast<QDialog*>(modal)->accept();
        });
        WindowUnderTest t(options, std::move(doubles));
        QCOMPARE(shown, c.shown);
        QCOMPARE(offered, c.offered);
        QCOMPARE(t.Find<QCheckBox>("Chk17")->text(), QStringLiteral("税率16%调整到13%"));
        QCOMPARE(t.Find<QCheckBox>("Chk11")->text(), QStringLiteral("税率10%调整到9%"));
        const bool blocked = c.write == Write::Blocked;
        QCOMPARE(
            QString::fromStdString(q9::testing::FileBytes(accounts)),
            QString::fromStdString(before + (blocked ? c.remembered : "profile=2019\n") + after));
        QCOMPARE(notifier->notices.size(), size_t{blocked ? 1u : 0u});
        if (blocked) {
            QVERIFY(notifier->notices[0].starts_with("所选税率调整方案未能记入账套文件："));
            QVERIFY(notifier->notices[0].find(accounts) != std::string::npos);
        }
    }
}

}  // namespace q9::app::test
