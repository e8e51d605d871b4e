// Pictures of Qt's own dialogs as the operator meets them during an export, in a Chinese and in
// an English session (run under xvfb-run): the save dialog and the overwrite question.
#include <QApplication>
#include <QDir>
#include <QImage>
#include <QSet>
#include <cstdio>

#include "app_look.h"
#include "export_dialog_tour.h"

namespace {

bool SaveDrawn(QWidget& dialog, const QString& path) {
    const QImage picture = dialog.grab().toImage();
    QSet<QRgb> colours;
    for (int y = 0; y < picture.height(); y += 2) {
        for (int x = 0; x < picture.width(); x += 2) colours.insert(picture.pixel(x, y));
    }
    std::printf("%s: %dx%d, %d colours\n", path.toUtf8().constData(), picture.width(),
                picture.height(), static_cast<int>(colours.size()));
    return colours.size() >= 8 && picture.save(path);
}

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    if (argc < 2) {
        std::fputs("usage: app_dialog_screenshots OUTPUT-FOLDER\n", stderr);
        return 2;
    }
    q9::app::ApplyLook(application);
    const QString folder = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(folder);

    int failures = 0;
    for (const char* language : {"chs", "en"}) {
        const QString suffix = QStringLiteral("-%1.png").arg(QString::fromLatin1(language));
        bool saved = true;
        q9::app::test::ExportDialogTour tour;
        tour.onSaveDialog = [&](QFileDialog& dialog) {
            saved &= SaveDrawn(dialog, folder + QStringLiteral("/save-dialog") + suffix);
        };
        tour.onQuestion = [&](QMessageBox& box) {
            saved &= SaveDrawn(box, folder + QStringLiteral("/overwrite-question") + suffix);
        };
        if (!tour.Run(language) || !saved) {
            std::fprintf(stderr, "app_dialog_screenshots: the %s dialogs were not pictured\n",
                         language);
            ++failures;
        }
    }
    return failures == 0 ? 0 : 1;
}
