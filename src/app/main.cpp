#include <QApplication>
#include <QMessageBox>
#include <cstdio>
#include <string>
#include <vector>

#include "app_look.h"
#include "app_options.h"
#include "main_window.h"

namespace {

// Help and version need no display, so they are answered before Qt starts.
bool AnswersWithoutWindow(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--help" || argument == "-h") {
            std::fputs(q9::app::kAppUsage, stdout);
            return true;
        }
        if (argument == "--version") {
            std::puts("q9taxrate " Q9_VERSION);
            return true;
        }
    }
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    if (AnswersWithoutWindow(argc, argv)) return 0;
    QApplication application(argc, argv);
    // Qt took its own options out; the rest are ours.
    std::vector<std::string> arguments;
    const QStringList left = QApplication::arguments();
    for (qsizetype i = 1; i < left.size(); ++i) arguments.push_back(left[i].toStdString());

    const q9::app::AppOptions options = q9::app::ParseAppArguments(arguments);
    if (!options.error.empty()) {
        std::fprintf(stderr, "q9taxrate: %s\nusage: %s", options.error.c_str(), q9::app::kAppUsage);
        return 2;
    }

    if (!options.profileRefusal.empty()) {
        // Refused before any account is opened or any file written.
        QMessageBox::critical(nullptr, QStringLiteral("税率调整工具"),
                              QString::fromStdString(options.profileRefusal));
        std::fprintf(stderr, "q9taxrate: %s\n", options.profileRefusal.c_str());
        return 2;
    }

    q9::app::ApplyLook(application);
    q9::app::MainWindow window(options.login);
    window.show();
    return QApplication::exec();
}
