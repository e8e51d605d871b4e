#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "host/failure.h"
#include "host/ports.h"
#include "host/text_template.h"
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

    // What a failure says, in the session's language: a text of the tool's catalog with its
    // arguments translated, or a database's own message after the catalog's lead-in.
    std::string Describe(const Error& error);
    // "NUMBER (DESCRIPTION)", the form of the start-up's failure box, described as above.
    std::string DescribeWithNumber(const Error& error);
    // What the failure says after a lead-in of the caller's own: a database's message as it came.
    std::string DescribeAfterLeadIn(const Error& error);
    // The same as Describe, after the file it happened in: "[FILE]DESCRIPTION".
    std::string Describe(const Failure& failure);

    void ShowNotice(const std::string& message) { notifier_.ShowNotice(message); }
    // ShowNotice(LoadText(key)), for the tool's fixed notices.
    void Notice(const std::string& key) { ShowNotice(LoadText(key)); }

    const std::string& SessionLanguage() const { return sessionLanguage_; }

  private:
    ResourceLoader& Loader();
    // `text` translated when the catalog holds it, else as it is.
    std::string Translated(const std::string& text);

    std::function<std::string()> languageOfSession_;
    Notifier& notifier_;
    std::string catalogDirectory_;
    std::string sessionLanguage_;
    std::unique_ptr<ResourceLoader> loader_;
};

// What `error` says in `language`, for failures found before any session exists.
std::string DescribeInLanguage(const std::string& language, const Error& error);

}  // namespace q9
