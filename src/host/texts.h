#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "host/ports.h"
#include "host/value.h"

namespace q9 {

// The resource loader: catalogs resources/i18n/<base>.<language>.tsv (key, tab, text). A key
// without a translation comes back unchanged.
class ResourceLoader {
  public:
    explicit ResourceLoader(std::string catalogDirectory);

    void SetResFileBaseName(const std::string& name) { baseName_ = name; }
    void SetLanguageID(const std::string& language) { language_ = language; }
    std::string LoadString(const std::string& key);

  private:
    const std::map<std::string, std::string>& Catalog();

    std::string directory_;
    std::string baseName_;
    std::string language_;
    std::map<std::string, std::map<std::string, std::string>> catalogs_;  // by file name
};

// Where the catalogs are: $Q9_RESOURCE_DIR, else beside the executable, else the source tree.
std::string DefaultCatalogDirectory();

// Looks texts up in the session's language, composes and fills templates, shows notices.
//
// The host's text calls leave an error the caller is handling untouched. Here errors travel as
// exceptions, so nothing is pending between calls: LoadText and FormatText never throw, and a
// caller's exception in flight is never replaced by one of theirs.
class Texts {
  public:
    // `languageOfSession` answers the session property "LANGUAGE".
    Texts(std::function<std::string()> languageOfSession, Notifier& notifier,
          std::string catalogDirectory = DefaultCatalogDirectory());

    std::string LoadText(const std::string& key);
    // Pieces joined by "^|^"; a piece beginning with "~$~" is translated.
    std::string ComposeText(const std::string& compositeKey);
    // "%1", "%2", … replaced by the values; nulls fill as empty text.
    std::string FormatText(const std::string& templateKey, const std::vector<Value>& values);

    void ShowNotice(const std::string& message) { notifier_.ShowNotice(message); }
    // ShowNotice(LoadText(key)), for the tool's fixed notices.
    void Notice(const std::string& key) { ShowNotice(LoadText(key)); }

    const std::string& SessionLanguage() const { return sessionLanguage_; }

  private:
    std::function<std::string()> languageOfSession_;
    Notifier& notifier_;
    std::string catalogDirectory_;
    std::string sessionLanguage_;
    std::unique_ptr<ResourceLoader> loader_;
};

// Replaces each "%" followed by a number n with the n-th value's text; other text unchanged.
// Markers beyond the values stay as they are.
std::string FillTemplate(const std::string& templateText, const std::vector<std::string>& values);

}  // namespace q9
