#include <QApplication>
#include <cstdio>

#include "app_look.h"
#include "app_options.h"
#include "main_window.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    std::vector<std::string> arguments;
    const QStringList qtLeft = QApplication::arguments();
    for (qsizetype i = 1; i < qtLeft.size(); ++i) arguments.push_back(qtLeft[i].toStdString());

    const q9::app::AppOptions options = q9::app::ParseAppArguments(arguments);
    if (!options.error.empty()) {
        std::fprintf(stderr, "q9taxrate: %s\nusage: %s", options.error.c_str(), q9::app::kAppUsage);
        return 2;
    }
    if (options.help) {
        std::fputs(q9::app::kAppUsage, stdout);
        return 0;
    }
    if (options.version) {
        std::puts("q9taxrate " Q9_VERSION);
        return 0;
    }

    q9::app::ApplyLook(application);
    q9::app::MainWindow window(options.login);
    window.show();
    return QApplication::exec();
}
