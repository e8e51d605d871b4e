// Renders the window on a real display (run under xvfb-run), saves it as a PNG and checks that the
// picture holds something and that the Chinese face resolved.
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QFontInfo>
#include <QImage>
#include <QSet>
#include <QTest>
#include <QTimer>
#include <cstdio>
#include <cstdlib>

#include "app_look.h"
#include "app_test_support.h"
#include "qt_login_prompt.h"
#include "qt_result_display.h"
#include "rates/rate_profile.h"
#include "support/change_rows.h"

namespace {

int Fail(const char* what) {
    std::fprintf(stderr, "app_screenshot: %s\n", what);
    return 1;
}

bool LooksDrawn(const QImage& image, int* distinctColours, int* redPixels) {
    QSet<QRgb> colours;
    int red = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb pixel = image.pixel(x, y);
            colours.insert(pixel);
            if (qRed(pixel) > 200 && qGreen(pixel) < 80 && qBlue(pixel) < 80) ++red;
        }
    }
    *distinctColours = static_cast<int>(colours.size());
    *redPixels = red;
    return colours.size() >= 8 && red > 50;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    if (argc < 2) return Fail("usage: app_screenshot OUTPUT.png [GRID.png]");
    q9::app::ApplyLook(application);

    q9::app::test::TempAccount account;
    q9::LoginOptions options;
    options.databaseUrl = account.Url();
    if (const char* name = std::getenv("Q9_SCREENSHOT_PROFILE")) {
        q9::RateProfileRequest request;
        request.name = name;
        const q9::RateProfileResult profile = q9::ResolveRateProfile(request, "profile");
        if (!profile.ok()) return Fail(profile.error.description.c_str());
        options.rateProfile = profile.profile;
    }
    q9::app::MainWindow window(options);
    window.show();
    if (!QTest::qWaitForWindowExposed(&window)) return Fail("window never exposed");
    QTest::qWait(200);

    const QString family = QFontInfo(window.font()).family();
    std::printf("window font: %s\n", family.toUtf8().constData());
    if (!family.contains(QStringLiteral("CJK"))) return Fail("the CJK face did not resolve");

    const QImage picture = window.grab().toImage();
    const QString output = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(QFileInfo(output).absolutePath());
    if (!picture.save(output)) return Fail("cannot save the picture");
    int colours = 0;
    int red = 0;
    const bool drawn = LooksDrawn(picture, &colours, &red);
    std::printf("%s: %dx%d, %d colours, %d red pixels\n", output.toUtf8().constData(),
                picture.width(), picture.height(), colours, red);
    if (!drawn) return Fail("the picture looks blank");

    if (argc >= 3) {
        // The result grid as the operator sees it after a run.
        const QString gridOutput = QString::fromLocal8Bit(argv[2]);
        q9::app::QtResultDisplayFactory factory(
            &window, [](const char* text) { return QString::fromUtf8(text); }, {},
            [&](q9::app::ResultGridDialog& dialog) {
                dialog.SetRunUndoer([](int32_t) { return q9::UndoResult::Declined; });
                QTimer::singleShot(300, &dialog, [&dialog, gridOutput] {
                    dialog.grab().save(gridOutput);
                    dialog.accept();
                });
            });
        auto display = factory.CreateDisplay();
        display->SetWidth(15000);
        display->SetCols(2);
        display->SetTitles("单据|备注|");
        display->SetColWidth(1, 3000);
        display->SetColWidth(2, 11000);
        display->Add("POORD000001 分录:2|xls上该行数据的税率不是17或11，该行数据不处理|");
        display->Add(
            "HT000003 "
            "分录:1|xls上该行数据的关联金额大于金额或者收付款计划数据有多条分录，该行数据不处理|");
        q9::RunReport report;
        report.kinds = {{q9::DocumentKind::PurchaseOrder, 118, 1, 2, "20434.19", "19232.18"},
                        {q9::DocumentKind::PayableContract, 40, 1, 0, "6917.95", "6511.01"}};
        report.changes = q9::testing::StoreOf(
            {{"采购订单",
              "POORD000001",
              {"POOrderEntry", "FInterID=1;FEntryID=1", "FCess", "17", "16"}}});
        report.undoableRun = 3;
        display->SetReport(report);
        display->Show(1);
    }
    if (argc >= 4) {
        // The login dialog as a session without --db shows it.
        const QString loginOutput = QString::fromLocal8Bit(argv[3]);
        QTimer::singleShot(300, [loginOutput] {
            if (QWidget* dialog = QApplication::activeModalWidget()) {
                dialog->grab().save(loginOutput);
                dialog->close();
            }
        });
        q9::app::QtLoginPrompt prompt;
        prompt.SetParent(&window);
        prompt.AskLogin({{"财务账套", "sqlite:/srv/finance.db"}}, "operator",
                        {q9::BuiltInRateProfiles(), q9::StandardRateProfile(), {}});
    }
    return 0;
}
