#include "qt_translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>

namespace q9::app {

namespace {

// qtbase holds the texts of the widgets' standard dialogs.
constexpr const char* kQtCatalogs[] = {"qtbase"};

}  // namespace

QString QtLocaleName(const std::string& sessionLanguage) {
    const QString language = QString::fromStdString(sessionLanguage).trimmed().toLower();
    if (language.isEmpty() || language == QLatin1String("chs")) return QStringLiteral("zh_CN");
    if (language == QLatin1String("cht")) return QStringLiteral("zh_TW");
    return language;
}

QtTranslations::QtTranslations(const std::string& sessionLanguage) {
    const QLocale locale(QtLocaleName(sessionLanguage));
    QLocale::setDefault(locale);
    if (locale.language() == QLocale::English || !QCoreApplication::instance()) return;
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    for (const char* catalog : kQtCatalogs) {
        auto translator = std::make_unique<QTranslator>();
        if (translator->load(locale, QString::fromLatin1(catalog), QStringLiteral("_"), folder) &&
            QCoreApplication::installTranslator(translator.get())) {
            translators_.push_back(std::move(translator));
        }
    }
}

QtTranslations::~QtTranslations() {
    for (const auto& translator : translators_)
        QCoreApplication::removeTranslator(translator.get());
    QLocale::setDefault(previousLocale_);
}

}  // namespace q9::app
