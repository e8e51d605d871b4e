#include "main_window_test.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <filesystem>
#include <functional>

#include "app_test_support.h"
#include "jobs/startup.h"
#include "result_grid_dialog.h"

namespace q9::app::test {

namespace {

struct ControlSpec {
    const char* name;
    const char* className;
    const char* parent;  // objectName of the container
    const char* caption;
    int left, top, width, height;  // twips
    bool visible;
    bool enabled;
};

// The window as it must stand after a normal start.
const ControlSpec kControls[] = {
    {"Chk17", "QCheckBox", "frmMain", "税率17%调整到16%", 480, 210, 2895, 345, true, true},
    {"Chk11", "QCheckBox", "frmMain", "税率11%调整到10%", 4650, 210, 2895, 345, true, true},
    {"Label2", "q9::app::CompactLabel", "frmMain", "检测税率：", 690, 330, 900, 180, false, true},
    {"txtOld", "QLineEdit", "frmMain", "17", 1680, 300, 855, 315, false, true},
    {"Label5", "q9::app::CompactLabel", "frmMain", "调整税率：", 3030, 330, 900, 180, false, true},
    {"txtNew", "QLineEdit", "frmMain", "16", 4050, 300, 855, 315, false, true},
    {"Frame1", "QGroupBox", "frmMain", "基础资料", 420, 690, 9225, 825, true, true},
    {"chkItem", "QCheckBox", "Frame1", "物料", 330, 300, 1995, 345, true, true},
    {"chkCust", "QCheckBox", "Frame1", "客户", 3300, 300, 1995, 345, true, true},
    {"chkSupply", "QCheckBox", "Frame1", "供应商", 6270, 300, 1995, 345, true, true},
    {"Frame2", "QGroupBox", "frmMain", "调整规则", 420, 1515, 9225, 1245, true, true},
    {"OptAmount", "QRadioButton", "Frame2",
     "含税单价不变，调整税率后重算不含税单价、不含税金额、税额及折扣额", 420, 300, 6345, 255, true,
     true},
    {"OptPrice", "QRadioButton", "Frame2",
     "不含税单价不变，调整税率后重算含税单价，价税合计、税额及折扣额", 420, 690, 6345, 255, true,
     true},
    {"framPO", "QGroupBox", "frmMain", "采购订单", 420, 2760, 9225, 1365, true, true},
    {"framSO", "QGroupBox", "frmMain", "销售订单", 420, 4110, 9225, 1365, true, true},
    {"framHTYF", "QGroupBox", "frmMain", "合同(应付)", 420, 5475, 9225, 1365, true, true},
    {"framHTYS", "QGroupBox", "frmMain", "合同(应收)", 420, 6840, 9225, 1365, true, true},
    {"lblpbar", "q9::app::CompactLabel", "frmMain", "", 420, 6720, 9225, 1365, true, true},
    {"Command1", "QPushButton", "frmMain", "一键调整交易星垣(&M)", 3870, 9510, 2505, 375, false,
     true},
    {"cmdFix", "QPushButton", "frmMain", "一键调整(&M)", 6870, 9510, 1275, 375, true, false},
    {"cmdPreview", "QPushButton", "frmMain", "预览(&P)", 5460, 9510, 1275, 375, true, false},
    {"cmdCancel", "QPushButton", "frmMain", "退出(&X)", 8400, 9510, 1095, 375, true, true},
    // The four document frames.
    {"cmdPO", "QPushButton", "framPO", "引出采购订单", 540, 300, 1545, 375, true, true},
    {"cmdSO", "QPushButton", "framSO", "引出销售订单", 540, 300, 1545, 375, true, true},
    {"cmdHTYF", "QPushButton", "framHTYF", "引出合同(应付)", 540, 300, 1545, 375, true, true},
    {"cmdHTYS", "QPushButton", "framHTYS", "引出合同(应收)", 540, 300, 1545, 375, true, true},
    {"Label4", "q9::app::CompactLabel", "framPO",
     "条件：开票数量=0，税率为检测税率的明细，并且单据日期<2018-05-01", 2310, 420, 5670, 180, true,
     true},
    {"Label3", "q9::app::CompactLabel", "framSO",
     "条件：开票数量=0，税率为检测税率的明细，并且单据日期<2018-05-01", 2310, 420, 5670, 180, true,
     true},
    {"Label8", "q9::app::CompactLabel", "framHTYF",
     "条件：折扣=0，发票关联数量=0，税率为检测税率的明细，并且单据日期<2018-05-01", 2310, 420, 6750,
     180, true, true},
    {"Label10", "q9::app::CompactLabel", "framHTYS",
     "条件：折扣=0，发票关联数量=0，税率为检测税率的明细，并且单据日期<2018-05-01", 2310, 420, 6750,
     180, true, true},
    {"Label7", "q9::app::CompactLabel", "framPO", "选择批改XLS文件：", 570, 900, 1530, 180, true,
     true},
    {"Label1", "q9::app::CompactLabel", "framSO", "选择批改XLS文件：", 570, 870, 1530, 180, true,
     true},
    {"Label6", "q9::app::CompactLabel", "framHTYF", "选择批改XLS文件：", 570, 900, 1530, 180, true,
     true},
    {"Label9", "q9::app::CompactLabel", "framHTYS", "选择批改XLS文件：", 570, 900, 1530, 180, true,
     true},
    {"txtPOFile", "QLineEdit", "framPO", "", 2250, 840, 6435, 315, true, true},
    {"txtSOFile", "QLineEdit", "framSO", "", 2250, 810, 6435, 315, true, true},
    {"txtHTYFFile", "QLineEdit", "framHTYF", "", 2250, 840, 6435, 315, true, true},
    {"txtHYSFFile", "QLineEdit", "framHTYS", "", 2250, 840, 6435, 315, true, true},
    {"cmdPORead", "QPushButton", "framPO", "...", 8280, 840, 375, 285, true, true},
    {"cmdSORead", "QPushButton", "framSO", "...", 8280, 810, 375, 285, true, true},
    {"cmdHTYFRead", "QPushButton", "framHTYF", "...", 8280, 840, 375, 285, true, true},
    {"cmdHTYSRead", "QPushButton", "framHTYS", "...", 8280, 840, 375, 285, true, true},
};

QString CaptionOf(QWidget* widget) {
    if (auto* button = qobject_cast<QAbstractButton*>(widget)) return button->text();
    if (auto* label = qobject_cast<QLabel*>(widget)) return label->text();
    if (auto* box = qobject_cast<QGroupBox*>(widget)) return box->title();
    if (auto* edit = qobject_cast<QLineEdit*>(widget)) return edit->text();
    return {};
}

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

}  // namespace

void MainWindowTest::init() {
    ForgetSharedSession();
}

void MainWindowTest::controlsStandAsDesigned() {
    TempAccount account;
    WindowUnderTest t(account);
    MainWindow& w = *t.window;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));

    QCOMPARE(w.objectName(), QStringLiteral("frmMain"));
    QCOMPARE(w.windowTitle(), QStringLiteral("税率调整工具"));
    QCOMPARE(w.size(), QSize(674, 667));
    QCOMPARE(w.minimumSize(), w.maximumSize());  // not resizable
    QCOMPARE(QFontInfo(w.font()).pointSize(), 9);

    for (const ControlSpec& spec : kControls) {
        auto* widget = t.Find<QWidget>(spec.name);
        QVERIFY2(widget, spec.name);
        QCOMPARE(widget->metaObject()->className(), spec.className);
        QCOMPARE(widget->parentWidget()->objectName(), QString::fromUtf8(spec.parent));
        QCOMPARE(CaptionOf(widget), QString::fromUtf8(spec.caption));
        QCOMPARE(widget->geometry(),
                 QRect(spec.left / 15, spec.top / 15, spec.width / 15, spec.height / 15));
        QVERIFY2(widget->isVisible() == spec.visible, spec.name);
        QVERIFY2(widget->isEnabled() == spec.enabled, spec.name);
    }
    for (const char* box : {"Chk17", "Chk11", "chkItem", "chkCust", "chkSupply"}) {
        QCOMPARE(t.Find<QCheckBox>(box)->checkState(), Qt::Unchecked);
    }
    QVERIFY(t.Find<QRadioButton>("OptAmount")->isChecked());
    QVERIFY(!t.Find<QRadioButton>("OptPrice")->isChecked());

    auto* notes = t.Find<QLabel>("Label11");
    QCOMPARE(notes->geometry(), QRect(26, 558, 475, 61));
    QVERIFY(notes->wordWrap());
    QCOMPARE(notes->palette().color(QPalette::WindowText), QColor(255, 0, 0));
    QCOMPARE(
        notes->text().split(QStringLiteral("\n\n")),
        QStringList(
            {QStringLiteral(
                 "1.使用此工具前建议先备份账套，取业务空闲时间调整，避免引起业务操作异常;"),
             QStringLiteral("2.需要调整业务单据税率的，请先使用引出按钮引出可调整的数据明细;"),
             QStringLiteral(
                 "3."
                 "引出xls后只需要做删行操作去除不调整的数据行，其他数据不允许做任何其他改动。")}));

    QTimer* timer = w.timer1();
    QCOMPARE(timer->objectName(), QStringLiteral("Timer1"));
    QCOMPARE(timer->interval(), 500);
    QVERIFY(!timer->isActive());

    QCOMPARE(w.state().cutoffDate, std::string("2018-05-01"));
    QVERIFY(t.doubles.prompter->boxes.empty());
}

void MainWindowTest::tabOrderFollowsTheWindow() {
    TempAccount account;
    WindowUnderTest t(account);
    const QStringList expected = {
        "Chk17",   "Chk11",       "txtOld",    "txtNew",      "cmdCancel",
        "cmdFix",  "cmdPreview",  "cmdSORead", "cmdSO",       "txtSOFile",
        "cmdPO",   "cmdPORead",   "txtPOFile", "chkSupply",   "chkCust",
        "chkItem", "cmdHTYFRead", "cmdHTYF",   "txtHTYFFile", "cmdHTYSRead",
        "cmdHTYS", "txtHYSFFile", "Command1",  "OptPrice",    "OptAmount"};
    QStringList chain;
    QWidget* start = t.Find<QWidget>("Chk17");
    QWidget* current = start;
    do {
        if (expected.contains(current->objectName())) chain << current->objectName();
        current = current->nextInFocusChain();
    } while (current != start && chain.size() < expected.size());
    QCOMPARE(chain, expected);
}

void MainWindowTest::accessKeysMarkTheButtons() {
    TempAccount account;
    WindowUnderTest t(account);
    t.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(t.window.get()));
    // Alt+X is the exit button's access key.
    QTest::keyClick(t.window.get(), Qt::Key_X, Qt::AltModifier);
    QTRY_VERIFY(!t.window->isVisible());
}

void MainWindowTest::rateBoxesEnableTheAdjustButton() {
    TempAccount account;
    WindowUnderTest t(account);
    t.window->show();
    auto* chk17 = t.Find<QCheckBox>("Chk17");
    auto* chk11 = t.Find<QCheckBox>("Chk11");
    auto* fix = t.Find<QPushButton>("cmdFix");
    auto* preview = t.Find<QPushButton>("cmdPreview");

    ClickIndicator(chk17);
    QCOMPARE(chk17->checkState(), Qt::Checked);
    QVERIFY(fix->isEnabled());
    QVERIFY(preview->isEnabled());
    ClickIndicator(chk11);
    ClickIndicator(chk17);  // 17 off, 11 still on
    QVERIFY(fix->isEnabled());
    QVERIFY(preview->isEnabled());
    ClickIndicator(chk11);
    QVERIFY(!fix->isEnabled());
    QVERIFY(!preview->isEnabled());

    // A greyed box does not count as ticked.
    chk11->setTristate(true);
    chk11->setCheckState(Qt::PartiallyChecked);
    QVERIFY(!t.window->AnyRateSelected());
    QVERIFY(!fix->isEnabled());
}

void MainWindowTest::widgetsReachTheCoreAsPlainState() {
    TempAccount account;
    WindowUnderTest t(account);
    ClickIndicator(t.Find<QCheckBox>("Chk11"));
    ClickIndicator(t.Find<QCheckBox>("chkItem"));
    auto* cust = t.Find<QCheckBox>("chkCust");
    cust->setTristate(true);
    cust->setCheckState(Qt::PartiallyChecked);
    t.Find<QRadioButton>("OptPrice")->setChecked(true);
    t.Find<QLineEdit>("txtPOFile")->setText(QStringLiteral("/tmp/采购.xls"));
    t.Find<QLineEdit>("txtHYSFFile")->setText(QStringLiteral("/tmp/应收.xlsx"));

    CoreContext context = t.window->Context();
    const WindowState& s = context.state;
    QVERIFY(&s == &t.window->state());
    QVERIFY(s.chk17 == CheckValue::Unchecked);
    QVERIFY(s.chk11 == CheckValue::Checked);
    QVERIFY(s.chkItem == CheckValue::Checked);
    QVERIFY(s.chkCust == CheckValue::Grayed);
    QVERIFY(s.chkSupply == CheckValue::Unchecked);
    QVERIFY(s.adjustmentRule == AdjustmentRule::KeepTaxExclusivePrice);
    QCOMPARE(Q(s.txtPOFile), QStringLiteral("/tmp/采购.xls"));
    QCOMPARE(Q(s.txtSOFile), QString());
    QCOMPARE(Q(s.txtHYSFFile), QStringLiteral("/tmp/应收.xlsx"));
}

void MainWindowTest::discountRefusesOrderWorkbooksOnly() {
    DemoAccountOptions options;
    options.billDiscountOn = true;
    TempAccount account(options);
    WindowUnderTest t(account);
    QVERIFY(t.window->state().billDiscountOn);
    QVERIFY(!t.window->state().discountIncludeTaxOn);
    t.doubles.files->openPath = "/data/edited.xls";
    auto* poBox = t.Find<QLineEdit>("txtPOFile");
    auto* soBox = t.Find<QLineEdit>("txtSOFile");
    poBox->setText(QStringLiteral("earlier.xls"));

    QTest::mouseClick(t.Find<QPushButton>("cmdPORead"), Qt::LeftButton);
    QTest::mouseClick(t.Find<QPushButton>("cmdSORead"), Qt::LeftButton);
    QCOMPARE(t.doubles.files->openCalls, 0);
    QCOMPARE(poBox->text(), QStringLiteral("earlier.xls"));
    QCOMPARE(soBox->text(), QString());
    QCOMPARE(t.doubles.notifier->notices,
             std::vector<std::string>({"系统启用整单折扣，本工具不支持修改采购订单业务。",
                                       "系统启用整单折扣，本工具不支持修改销售订单业务。"}));

    QTest::mouseClick(t.Find<QPushButton>("cmdHTYFRead"), Qt::LeftButton);
    QTest::mouseClick(t.Find<QPushButton>("cmdHTYSRead"), Qt::LeftButton);
    QCOMPARE(t.doubles.files->openCalls, 2);
    QCOMPARE(t.Find<QLineEdit>("txtHTYFFile")->text(), QStringLiteral("/data/edited.xls"));
    QCOMPARE(t.Find<QLineEdit>("txtHYSFFile")->text(), QStringLiteral("/data/edited.xls"));
    QCOMPARE(t.doubles.notifier->notices.size(), size_t{2});
}

void MainWindowTest::readButtonsFillTheirOwnBox() {
    TempAccount account;
    WindowUnderTest t(account);
    t.doubles.files->openPath = "/data/po.xls";
    QTest::mouseClick(t.Find<QPushButton>("cmdPORead"), Qt::LeftButton);
    t.doubles.files->openPath = "/data/so.xlsx";
    QTest::mouseClick(t.Find<QPushButton>("cmdSORead"), Qt::LeftButton);
    QCOMPARE(t.Find<QLineEdit>("txtPOFile")->text(), QStringLiteral("/data/po.xls"));
    QCOMPARE(t.Find<QLineEdit>("txtSOFile")->text(), QStringLiteral("/data/so.xlsx"));
    QVERIFY(t.doubles.notifier->notices.empty());

    // A cancelled dialog keeps the workbook chosen before.
    t.doubles.files->openPath.clear();
    QTest::mouseClick(t.Find<QPushButton>("cmdPORead"), Qt::LeftButton);
    QCOMPARE(t.Find<QLineEdit>("txtPOFile")->text(), QStringLiteral("/data/po.xls"));
}

void MainWindowTest::switchesComeFromTheSystemProfile() {
    // Two matching rows for one key count as on; FValue 0 and other categories do not.
    TempAccount account;
    account.Exec(
        "CREATE TABLE profile_copy AS SELECT * FROM t_SystemProfile;"
        "DROP TABLE t_SystemProfile;"
        "ALTER TABLE profile_copy RENAME TO t_SystemProfile;"
        "DELETE FROM t_SystemProfile WHERE FKey IN ('BillDisCount','DisCountIncludeTax');"
        "INSERT INTO t_SystemProfile(FCategory,FKey,FValue) VALUES"
        " ('IC','DisCountIncludeTax','1'),('IC','DisCountIncludeTax','1'),"
        " ('IC','BillDisCount','0'),('GL','BillDisCount','1');");
    {
        WindowUnderTest t(account);
        QVERIFY(t.window->state().discountIncludeTaxOn);
        QVERIFY(!t.window->state().billDiscountOn);
    }
    account.Exec(
        "UPDATE t_SystemProfile SET FValue='1' WHERE FCategory='IC' AND FKey='BillDisCount';"
        "UPDATE t_SystemProfile SET FValue='0' WHERE FKey='DisCountIncludeTax';");
    WindowUnderTest t(account);
    QVERIFY(t.window->state().billDiscountOn);
    QVERIFY(!t.window->state().discountIncludeTaxOn);
}

void MainWindowTest::backupTablesCreatedOnceAndLeftAlone() {
    TempAccount account;
    const char* const tables[] = {"POOrderEntryTaxRate", "SEOrderEntryTaxRate",
                                  "t_rpContractEntryRate"};
    {
        WindowUnderTest t(account);
        QVERIFY(t.doubles.prompter->boxes.empty());
    }
    for (const char* table : tables) {
        QCOMPARE(account.Count(std::string("SELECT COUNT(*) FROM sqlite_master WHERE name='") +
                               table + "'"),
                 int64_t{1});
    }
    QCOMPARE(account.Columns("POOrderEntryTaxRate").size(), size_t{13});
    QCOMPARE(account.Columns("SEOrderEntryTaxRate").size(), size_t{14});
    QCOMPARE(account.Columns("t_rpContractEntryRate").size(), size_t{13});
    QCOMPARE(account.Columns("POOrderEntryTaxRate").back(), std::string("FDescount"));

    // Present tables keep their rows and their own columns.
    account.Exec(
        "INSERT INTO POOrderEntryTaxRate(FInterID,FEntryID) VALUES (7,1);"
        "DROP TABLE t_rpContractEntryRate;"
        "CREATE TABLE t_rpContractEntryRate(FContractID INT, FNote TEXT);"
        "INSERT INTO t_rpContractEntryRate VALUES (3,'kept');");
    {
        WindowUnderTest t(account);
        QVERIFY(t.doubles.prompter->boxes.empty());
    }
    QCOMPARE(account.Count("SELECT COUNT(*) FROM POOrderEntryTaxRate WHERE FInterID=7"),
             int64_t{1});
    QCOMPARE(account.Columns("t_rpContractEntryRate"),
             std::vector<std::string>({"FContractID", "FNote"}));
    QCOMPARE(account.Count("SELECT COUNT(*) FROM t_rpContractEntryRate"), int64_t{1});
}

void MainWindowTest::refusedLoginDisablesTheFramesAndCloses() {
    TempAccount account;
    Doubles doubles;
    doubles.login->answer = std::nullopt;  // Cancel
    LoginOptions options;
    options.demoDatabasePath = account.Path();
    WindowUnderTest t(options, std::move(doubles));
    QElapsedTimer clock;
    clock.start();
    MainWindow& w = *t.window;
    w.show();
    QCOMPARE(t.doubles.login->calls, 1);

    for (const char* frame : {"framPO", "framSO", "framHTYF", "framHTYS"}) {
        QVERIFY2(!t.Find<QWidget>(frame)->isEnabled(), frame);
    }
    for (const char* name : {"Frame1", "Frame2", "Chk17", "Chk11", "cmdCancel"}) {
        QVERIFY2(t.Find<QWidget>(name)->isEnabled(), name);
    }
    QVERIFY(w.timer1()->isActive());
    QVERIFY(w.state().cutoffDate.empty());
    QVERIFY(t.doubles.prompter->boxes.empty());
    QVERIFY(t.doubles.notifier->notices.empty());

    QTRY_VERIFY_WITH_TIMEOUT(!w.isVisible(), 3000);
    QVERIFY2(clock.elapsed() >= 450, qPrintable(QString::number(clock.elapsed())));
}

void MainWindowTest::startupFailureShowsNumberAndDescription() {
    // An empty file, so an account without the host's tables.
    QTemporaryDir folder;
    const std::string path = folder.filePath(QStringLiteral("empty.db")).toStdString();
    QVERIFY(QFile(QString::fromStdString(path)).open(QIODevice::WriteOnly));
    LoginOptions options;
    options.databaseUrl = "sqlite:" + path;
    WindowUnderTest t(options, Doubles{});
    const auto& requests = t.doubles.prompter->boxes;
    QCOMPARE(requests.size(), size_t{1});
    QCOMPARE(Q(requests[0].title), QStringLiteral("澜石提示"));
    QVERIFY(requests[0].buttons == MessageButtons::Ok);
    QVERIFY(requests[0].icon == MessageIcon::None);
    QVERIFY2(QRegularExpression(QStringLiteral("^-?\\d+ \\(.+\\)$"))
                 .match(Q(requests[0].text))
                 .hasMatch(),
             requests[0].text.c_str());
    // The window opens with everything enabled.
    QVERIFY(t.Find<QWidget>("framPO")->isEnabled());
    QVERIFY(!t.window->timer1()->isActive());
    QCOMPARE(Q(t.window->state().cutoffDate), QStringLiteral("2018-05-01"));
    QVERIFY(!t.window->state().billDiscountOn);
}

void MainWindowTest::missingAccountFileIsRefusedAsOnTheCommandLine() {
    QTemporaryDir folder;
    const std::string path = folder.filePath(QStringLiteral("mistyped.db")).toStdString();
    LoginOptions options;
    options.databaseUrl = "sqlite:" + path;
    WindowUnderTest t(options, Doubles{});
    const auto& requests = t.doubles.prompter->boxes;
    QCOMPARE(requests.size(), size_t{1});
    QCOMPARE(Q(requests[0].text), Q("53 (账套数据库文件不存在：" + path + ")"));
    QVERIFY(!std::filesystem::exists(path));
}

void MainWindowTest::rejectedBackupBatchIsShown() {
    // A view holding the backup table's name: the batch cannot create the table, and without it
    // no line could be backed up, so the operator is told.
    TempAccount account;
    account.Exec("CREATE VIEW POOrderEntryTaxRate AS SELECT 1 AS FInterID;");
    WindowUnderTest t(account);
    const auto& requests = t.doubles.prompter->boxes;
    QCOMPARE(requests.size(), size_t{1});
    QCOMPARE(Q(requests[0].title), QStringLiteral("澜石提示"));
    QVERIFY(requests[0].buttons == MessageButtons::Ok);
    QVERIFY(!requests[0].text.empty());
    QVERIFY(t.Find<QWidget>("framPO")->isEnabled());
}

void MainWindowTest::exportButtonsReachTheExporter() {
    // The buttons hand the window's state to the exporter: the candidates land in the window's
    // recordset and the save dialog is asked for a file.
    TempAccount account;
    WindowUnderTest t(account);
    QVERIFY(!t.window->state().currentRecordset);
    t.doubles.files->savePath = account.Folder() + "/po.xls";
    QTest::mouseClick(t.Find<QPushButton>("cmdPO"), Qt::LeftButton);
    QCOMPARE(t.doubles.files->saveCalls, 1);
    QVERIFY(t.window->state().currentRecordset);
    QVERIFY(t.window->state().currentRecordset->HasField("FBillNo"));

    t.doubles.files->savePath.clear();  // cancelled
    QTest::mouseClick(t.Find<QPushButton>("cmdSO"), Qt::LeftButton);
    QCOMPARE(t.doubles.files->saveCalls, 2);
    QVERIFY(!t.window->RunInProgress());
}

void MainWindowTest::fixAsksThenRunsAndReports() {
    TempAccount account;
    Doubles doubles;
    doubles.prompter->answers = {MessageAnswer::No, MessageAnswer::Yes};
    LoginOptions options;
    options.databaseUrl = account.Url();
    WindowUnderTest t(options, std::move(doubles));
    ClickIndicator(t.Find<QCheckBox>("Chk17"));
    auto* fix = t.Find<QPushButton>("cmdFix");

    QTest::mouseClick(fix, Qt::LeftButton);  // answered No
    QCOMPARE(t.doubles.displays->created, 0);
    QVERIFY(t.doubles.notifier->notices.empty());
    const MessageBoxRequest& question = t.doubles.prompter->boxes.at(0);
    QCOMPARE(Q(question.text), QStringLiteral("是否确定修改，修改后不可恢复，是否确认？"));
    QCOMPARE(Q(question.title), QStringLiteral("系统提示"));

    QTest::mouseClick(fix, Qt::LeftButton);  // answered Yes; all path boxes empty
    QCOMPARE(t.doubles.displays->created, 1);
    QCOMPARE(t.doubles.displays->record.shown, 1);
    QCOMPARE(t.doubles.notifier->notices, std::vector<std::string>({"调整完成"}));
    QVERIFY(!t.window->RunInProgress());
}

namespace {

// Runs `act` on the grid dialog once it is the modal window, then closes it.
void OnGrid(std::function<void(ResultGridDialog&)> act) {
    auto* timer = new QTimer;
    timer->setInterval(20);
    QObject::connect(timer, &QTimer::timeout, [timer, act = std::move(act)] {
        auto* grid = qobject_cast<ResultGridDialog*>(QApplication::activeModalWidget());
        if (!grid) return;
        timer->stop();
        timer->deleteLater();
        act(*grid);
        grid->accept();
    });
    timer->start();
}

}  // namespace

void MainWindowTest::gridNeverSavesOverTheAccount() {
    TempAccount account;
    std::unique_ptr<WindowUnderTest> ready = WindowReadyToConvert(account, GridDisplay::Window);
    WindowUnderTest& t = *ready;
    QFile file(QString::fromStdString(account.Path()));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray before = file.readAll();
    file.close();
    const QString target = QString::fromStdString(account.Path());
    QStringList warnings;
    OnGrid([&](ResultGridDialog& grid) {
        grid.SetCsvPathAsker([&](QWidget*) { return target; });
        grid.SetChangesPathAsker([&](QWidget*) { return target; });
        for (const char* button : {"cmdSaveCsv", "cmdSaveChanges"}) {
            QTimer::singleShot(50, [&] {
                if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                    warnings << box->text();
                    box->accept();
                }
            });
            QTest::mouseClick(grid.findChild<QPushButton*>(QString::fromLatin1(button)),
                              Qt::LeftButton);
        }
    });
    QTest::mouseClick(t.Find<QPushButton>("cmdPreview"), Qt::LeftButton);
    const QString refusal = QStringLiteral("不能写入账套数据库文件：") + target;
    QCOMPARE(warnings, QStringList({refusal, refusal}));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(file.readAll() == before);
}

void MainWindowTest::previewThenRunThenUndoInTheGrid() {
    TempAccount account;
    std::unique_ptr<WindowUnderTest> ready = WindowReadyToConvert(account, GridDisplay::Window);
    WindowUnderTest& t = *ready;
    const std::string atNewRate = "SELECT COUNT(*) FROM POOrderEntry WHERE FCess=16";
    const int64_t before = account.Count(atNewRate);
    const size_t questions = t.doubles.prompter->boxes.size();
    QTemporaryDir folder;
    const QString listPath = folder.filePath(QStringLiteral("changes.csv"));

    // The preview asks nothing, changes nothing, and sums up and lists what the run would do.
    QString previewSummary;
    OnGrid([&](ResultGridDialog& grid) {
        auto* summary = grid.findChild<QLabel*>(QStringLiteral("lblSummary"));
        QVERIFY(summary && !summary->isHidden());
        previewSummary = summary->text();
        QVERIFY(grid.findChild<QPushButton*>(QStringLiteral("cmdUndo"))->isHidden());
        grid.SetChangesPathAsker([&](QWidget*) { return listPath; });
        QTest::mouseClick(grid.findChild<QPushButton*>(QStringLiteral("cmdSaveChanges")),
                          Qt::LeftButton);
    });
    QTest::mouseClick(t.Find<QPushButton>("cmdPreview"), Qt::LeftButton);
    QCOMPARE(t.doubles.prompter->boxes.size(), questions);
    QCOMPARE(Q(t.doubles.notifier->notices.back()), QStringLiteral("预览完成，账套未作任何修改"));
    QCOMPARE(account.Count(atNewRate), before);
    QVERIFY2(previewSummary.startsWith(QStringLiteral("采购订单：调整 ")),
             qPrintable(previewSummary));
    QFile list(listPath);
    QVERIFY(list.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(list.readAll()).split(QStringLiteral("\r\n"));
    QCOMPARE(lines.first(), QStringLiteral("类别,单据,分录,表,字段,修改前,修改后"));
    QVERIFY(lines.size() > 2);

    // The run shows the same figures; undone from its grid, after the question, the lines are
    // back at their old rate.
    QString runSummary;
    bool undoDisabledAfterwards = false;
    OnGrid([&](ResultGridDialog& grid) {
        runSummary = grid.findChild<QLabel*>(QStringLiteral("lblSummary"))->text();
        auto* undo = grid.findChild<QPushButton*>(QStringLiteral("cmdUndo"));
        QVERIFY(undo && !undo->isHidden());
        QTest::mouseClick(undo, Qt::LeftButton);
        undoDisabledAfterwards = !undo->isEnabled();
    });
    QTest::mouseClick(t.Find<QPushButton>("cmdFix"), Qt::LeftButton);
    QCOMPARE(runSummary, previewSummary);
    QVERIFY(undoDisabledAfterwards);
    const auto& boxes = t.doubles.prompter->boxes;
    QCOMPARE(boxes.size(), questions + 2);
    QCOMPARE(Q(boxes.back().text), QStringLiteral("是否撤销第1次调整？"));
    QCOMPARE(account.Count(atNewRate), before);
    QCOMPARE(account.Count("SELECT COUNT(*) FROM POOrderEntryTaxRate"), int64_t{0});
    QCOMPARE(account.Count("SELECT COUNT(*) FROM Q9TaxRateRun WHERE FState='undone'"), int64_t{1});
    QVERIFY(std::any_of(t.doubles.notifier->notices.begin(), t.doubles.notifier->notices.end(),
                        [](const std::string& n) { return n.starts_with("撤销完成：恢复"); }));
}

void MainWindowTest::noSecondRunWhileOneIsInProgress() {
    TempAccount account;
    Doubles doubles;
    doubles.prompter->answers = {MessageAnswer::Yes, MessageAnswer::Yes};
    LoginOptions options;
    options.databaseUrl = account.Url();
    WindowUnderTest t(options, std::move(doubles));
    MainWindow& w = *t.window;
    w.show();
    ClickIndicator(t.Find<QCheckBox>("Chk11"));
    auto* fix = t.Find<QPushButton>("cmdFix");
    auto* poRead = t.Find<QPushButton>("cmdPORead");
    t.doubles.files->openPath = "/data/x.xls";
    bool stillOpenDuringRun = false;
    t.doubles.displays->record.onShow = [&] {
        // Clicks and a close arriving while the run is still on the stack.
        QVERIFY(w.RunInProgress());
        QTest::mouseClick(fix, Qt::LeftButton);
        QTest::mouseClick(poRead, Qt::LeftButton);
        w.close();
        stillOpenDuringRun = w.isVisible();
    };
    QTest::mouseClick(fix, Qt::LeftButton);
    QCOMPARE(t.doubles.displays->created, 1);
    QCOMPARE(t.doubles.prompter->boxes.size(), size_t{1});
    QCOMPARE(t.doubles.files->openCalls, 0);
    QVERIFY(stillOpenDuringRun);
    // The close asked for during the run happens once it is over.
    QTRY_VERIFY(!w.isVisible());
}

void MainWindowTest::closeAskedInTheProgressDialogHappensAfterTheGrid() {
    // The progress dialog is modal: its own button stands for the window's close box, which
    // the window system does not deliver meanwhile.
    TempAccount account;
    std::unique_ptr<WindowUnderTest> ready = WindowReadyToConvert(account);
    WindowUnderTest& t = *ready;
    MainWindow& w = *t.window;
    QVERIFY(QFile::exists(QString::fromStdString(account.Folder() + "/po.xls")));

    QString caption, label;
    bool openAfterAsking = false;
    size_t noticesWhenGridShown = 0;
    t.doubles.displays->record.onShow = [&] {
        auto* progress = w.findChild<QProgressDialog*>();
        QVERIFY(progress);
        auto* close = progress->findChild<QPushButton*>();
        QVERIFY(close);
        caption = close->text();
        QTest::mouseClick(close, Qt::LeftButton);
        label = progress->labelText();
        openAfterAsking = w.isVisible();
        noticesWhenGridShown = t.doubles.notifier->notices.size();
    };
    QTest::mouseClick(t.Find<QPushButton>("cmdFix"), Qt::LeftButton);
    QCOMPARE(t.doubles.displays->record.shown, 1);
    QCOMPARE(caption, QStringLiteral("退出(&X)"));
    QVERIFY2(label.endsWith(QStringLiteral("\n本次运行结束后关闭窗口")), qPrintable(label));
    QVERIFY(openAfterAsking);
    // The run finished first: every line converted and "调整完成" shown, then the close.
    QCOMPARE(t.doubles.notifier->notices.size(), noticesWhenGridShown + 1);
    QCOMPARE(Q(t.doubles.notifier->notices.back()), QStringLiteral("调整完成"));
    QVERIFY(account.Count("SELECT COUNT(*) FROM POOrderEntryTaxRate") > 0);
    QTRY_VERIFY(!w.isVisible());
    QVERIFY(!w.state().currentRecordset);
}

void MainWindowTest::pathBoxTextStaysClearOfItsButton() {
    TempAccount account;
    WindowUnderTest t(account);
    t.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(t.window.get()));
    for (auto [box, button] : {std::pair{"txtPOFile", "cmdPORead"},
                               {"txtSOFile", "cmdSORead"},
                               {"txtHTYFFile", "cmdHTYFRead"},
                               {"txtHYSFFile", "cmdHTYSRead"}}) {
        auto* path = t.Find<QLineEdit>(box);
        auto* read = t.Find<QPushButton>(button);
        path->setText(QStringLiteral("/home/operator/调整/2018/采购订单-第一批-已删行-复核.xls"));
        path->end(false);
        const QRect cursor = path->inputMethodQuery(Qt::ImCursorRectangle).toRect();
        // Siblings in the frame: the button's left edge in the box's coordinates.
        const int buttonLeft = read->geometry().left() - path->geometry().left();
        QVERIFY2(cursor.right() < buttonLeft,
                 qPrintable(
                     QStringLiteral("%1: %2 >= %3").arg(box).arg(cursor.right()).arg(buttonLeft)));
    }
}

void MainWindowTest::hiddenCommand1RunsWithoutQuestion() {
    TempAccount account;
    WindowUnderTest t(account);
    QMetaObject::invokeMethod(t.Find<QPushButton>("Command1"), "click");
    QCOMPARE(t.doubles.displays->created, 1);
    QCOMPARE(t.doubles.displays->record.calls.front(), std::string("Width 15000"));
    QVERIFY(t.doubles.prompter->boxes.empty());
    QVERIFY(t.doubles.notifier->notices.empty());
}

void MainWindowTest::closingReleasesTheRecordset() {
    TempAccount account;
    WindowUnderTest t(account);
    t.window->show();
    t.window->state().currentRecordset = std::make_shared<Recordset>(
        std::vector<std::string>{"F1"}, std::vector<Recordset::Row>{{Value("x")}});
    QTest::mouseClick(t.Find<QPushButton>("cmdCancel"), Qt::LeftButton);
    QVERIFY(!t.window->isVisible());
    QVERIFY(!t.window->state().currentRecordset);
}

void MainWindowTest::debugLogFailureIsShown() {
    TempAccount account;
    WindowUnderTest t(account);
    t.window->DebugLog("1");
    QCOMPARE(t.doubles.log->lines, std::vector<std::string>({"1"}));
    t.doubles.log->failWith = Error{70, "Permission denied"};
    t.window->DebugLog("2");
    QCOMPARE(t.doubles.prompter->boxes.size(), size_t{1});
    QCOMPARE(Q(t.doubles.prompter->boxes[0].text), QStringLiteral("Permission denied"));
    QVERIFY(t.doubles.prompter->boxes[0].buttons == MessageButtons::Ok);
}

void MainWindowTest::saveChoiceSplitsIntoFolderAndName() {
    TempAccount account;
    WindowUnderTest t(account);
    std::string name = "unchanged";
    t.doubles.files->savePath = "/d/a/b/c.xlsx";
    QCOMPARE(Q(t.window->ChooseSaveFile(name)), QStringLiteral("/d/a/b/"));
    QCOMPARE(Q(name), QStringLiteral("c.xlsx"));
    name = "unchanged";
    t.doubles.files->savePath.clear();
    QCOMPARE(Q(t.window->ChooseSaveFile(name)), QString());
    QCOMPARE(Q(name), QStringLiteral("unchanged"));
    t.doubles.files->savePath = "c.xls";
    QCOMPARE(Q(t.window->ChooseSaveFile(name)), QString());
    QCOMPARE(Q(name), QStringLiteral("c.xls"));
}

}  // namespace q9::app::test
