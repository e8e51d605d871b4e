#pragma once

#include <QLocale>
#include <QTranslator>
#include <memory>
#include <string>
#include <vector>

namespace q9::app {

// Qt's own texts (standard buttons, the file dialogs) and its locale in the session's language,
// for as long as this object lives. English needs no catalog: Qt's texts are English.
class QtTranslations {
  public:
    explicit QtTranslations(const std::string& sessionLanguage);
    ~QtTranslations();
    QtTranslations(const QtTranslations&) = delete;
    QtTranslations& operator=(const QtTranslations&) = delete;

    // The catalogs found and installed (none for English or an unknown language).
    int InstalledCount() const { return static_cast<int>(translators_.size()); }

  private:
    QLocale previousLocale_;
    std::vector<std::unique_ptr<QTranslator>> translators_;
};

// Qt's locale name for a session LANGUAGE: chs → zh_CN, cht → zh_TW, en → en; any other value
// is taken as a locale name itself.
QString QtLocaleName(const std::string& sessionLanguage);

}  // namespace q9::app
