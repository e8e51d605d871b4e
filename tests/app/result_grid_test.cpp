#include "result_grid_test.h"

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QHeaderView>
#include <QScreen>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "app_options.h"
#include "qt_result_display.h"
#include "result_grid_dialog.h"
#include "result_table.h"

namespace q9::app::test {

namespace {

ResultGridDialog::Translate Identity() {
    return [](const char* text) { return QString::fromUtf8(text); };
}

ResultTable SampleTable() {
    ResultTable table;
    table.widthTwips = 15000;
    table.titles = {"单据", "备注"};
    table.columnTwips = {3000, 11000};
    table.rows = {{"CG001 分录:3", "xls上该行数据的税率不是17或11，该行数据不处理"},
                  {"HT,07 分录:1", "say \"no\""},
                  {" 分录:", ""}};
    return table;
}

}  // namespace

void ResultGridTest::displayTextsSplitIntoColumns() {
    using V = std::vector<std::string>;
    QCOMPARE(SplitDisplayText("CG001 分录:3|原因|", 2), V({"CG001 分录:3", "原因"}));
    QCOMPARE(SplitDisplayText("单据|备注|", 2), V({"单据", "备注"}));
    QCOMPARE(SplitDisplayText("a|b", 2), V({"a", "b"}));      // no closing bar
    QCOMPARE(SplitDisplayText("only|", 2), V({"only", ""}));  // padded
    QCOMPARE(SplitDisplayText("a|b|c|", 2), V({"a", "b"}));   // cut to the columns
    QCOMPARE(SplitDisplayText("||", 2), V({"", ""}));
    QCOMPARE(SplitDisplayText("", 2), V({"", ""}));
}

void ResultGridTest::displayCollectsTheRunsSettings() {
    bool beforeShowCalled = false;
    ResultTable shown;
    QtResultDisplayFactory factory(
        nullptr, Identity(), [&] { beforeShowCalled = true; },
        [&](ResultGridDialog& dialog) {
            shown = ResultTable{};
            QCOMPARE(dialog.table()->columnCount(), 2);
            QCOMPARE(dialog.table()->horizontalHeaderItem(0)->text(), QStringLiteral("单据"));
            QCOMPARE(dialog.table()->horizontalHeaderItem(1)->text(), QStringLiteral("备注"));
            QCOMPARE(dialog.table()->columnWidth(0), 200);
            QCOMPARE(dialog.table()->rowCount(), 1);
            QCOMPARE(dialog.table()->item(0, 1)->text(), QStringLiteral("原因"));
            QTimer::singleShot(0, &dialog, &QDialog::accept);
        });
    std::unique_ptr<ResultDisplay> display = factory.CreateDisplay();
    display->SetWidth(15000);
    display->SetCols(2);
    display->SetTitles("单据|备注|");
    display->SetColWidth(1, 3000);
    display->SetColWidth(2, 11000);
    display->SetColWidth(3, 500);  // no such column: ignored
    display->Add("CG001 分录:3|原因|");
    const ResultTable& table = static_cast<QtResultDisplay&>(*display).table();
    QCOMPARE(table.widthTwips, 15000);
    QCOMPARE(table.columnTwips, std::vector<int>({3000, 11000}));
    display->Show(1);
    QVERIFY(beforeShowCalled);
}

void ResultGridTest::gridShowsTitlesAndRowsAndCopiesSelection() {
    ResultGridDialog dialog(SampleTable(), Identity());
    QTableWidget* grid = dialog.table();
    QCOMPARE(grid->rowCount(), 3);
    QCOMPARE(grid->item(1, 0)->text(), QStringLiteral("HT,07 分录:1"));
    QVERIFY(!(grid->item(0, 0)->flags() & Qt::ItemIsEditable));
    QCOMPARE(grid->columnWidth(0) * 11000 / 3000, 733);  // proportions of the widths
    // 15000 twips, unless the screen is narrower.
    const int screenWidth = QGuiApplication::primaryScreen()->availableGeometry().width();
    QCOMPARE(dialog.width(), std::min(1000, screenWidth - 40));

    grid->setRangeSelected(QTableWidgetSelectionRange(0, 0, 1, 1), true);
    dialog.show();
    grid->setFocus();
    QApplication::clipboard()->clear();
    QTest::keyClick(grid, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QApplication::clipboard()->text(),
             QStringLiteral("CG001 分录:3\txls上该行数据的税率不是17或11，该行数据不处理\n"
                            "HT,07 分录:1\tsay \"no\"\n"));

    grid->clearSelection();
    grid->setRangeSelected(QTableWidgetSelectionRange(2, 0, 2, 0), true);
    grid->setRangeSelected(QTableWidgetSelectionRange(0, 1, 0, 1), true);
    QCOMPARE(dialog.SelectedCellsAsText(),
             QStringLiteral("xls上该行数据的税率不是17或11，该行数据不处理\n 分录:\n"));
}

void ResultGridTest::gridSavesCsvWithQuoting() {
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("report.csv"));
    ResultGridDialog dialog(SampleTable(), Identity());
    dialog.SetCsvPathAsker([&](QWidget*) { return path; });
    QVERIFY(dialog.SaveAsCsv());
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromUtf8(file.readAll()),
             QStringLiteral("单据,备注\r\n"
                            "CG001 分录:3,xls上该行数据的税率不是17或11，该行数据不处理\r\n"
                            "\"HT,07 分录:1\",\"say \"\"no\"\"\"\r\n"
                            " 分录:,\r\n"));

    dialog.SetCsvPathAsker([](QWidget*) { return QString(); });  // cancelled
    QVERIFY(!dialog.SaveAsCsv());
}

void ResultGridTest::gridCsvKeepsFormulasAsText() {
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("report.csv"));
    ResultTable table = SampleTable();
    table.rows = {{"=HYPERLINK(\"http://x\") 分录:1", "-1"}};
    ResultGridDialog dialog(table, Identity());
    dialog.SetCsvPathAsker([&](QWidget*) { return path; });
    QVERIFY(dialog.SaveAsCsv());
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromUtf8(file.readAll()),
             QStringLiteral("单据,备注\r\n\"'=HYPERLINK(\"\"http://x\"\") 分录:1\",'-1\r\n"));
}

void ResultGridTest::gridFitsItsColumnsWithoutScrollingSideways() {
    // Widths as the batch run asks for them: together wider than the grid's viewport.
    ResultGridDialog dialog(SampleTable(), Identity());
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QTableWidget* grid = dialog.table();
    QTRY_VERIFY(grid->viewport()->width() > 0);
    QTRY_VERIFY2(!grid->horizontalScrollBar()->isVisible(),
                 qPrintable(QStringLiteral("columns %1 + %2 in %3")
                                .arg(grid->columnWidth(0))
                                .arg(grid->columnWidth(1))
                                .arg(grid->viewport()->width())));
    QCOMPARE(grid->columnWidth(0), 200);
    QCOMPARE(grid->columnWidth(0) + grid->columnWidth(1), grid->viewport()->width());
}

void ResultGridTest::commandLineOptions() {
    AppOptions none = ParseAppArguments({});
    QVERIFY(none.error.empty());
    QVERIFY(none.login.databaseUrl.empty());
    QCOMPARE(QString::fromStdString(none.login.language), QStringLiteral("chs"));

    AppOptions all =
        ParseAppArguments({"--db", "sqlite:/tmp/a.db", "--user", "王", "--lang", "en"});
    QVERIFY(all.error.empty());
    QCOMPARE(QString::fromStdString(all.login.databaseUrl), QStringLiteral("sqlite:/tmp/a.db"));
    QCOMPARE(QString::fromStdString(all.login.userName), QStringLiteral("王"));
    QCOMPARE(QString::fromStdString(all.login.language), QStringLiteral("en"));

    QVERIFY(!ParseAppArguments({"--db"}).error.empty());
    QVERIFY(!ParseAppArguments({"--bogus"}).error.empty());
    QVERIFY(ParseAppArguments({"--help"}).help);
}

}  // namespace q9::app::test
