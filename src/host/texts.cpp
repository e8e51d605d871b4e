#include "host/texts.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace q9 {

namespace {

constexpr std::string_view kPieceSeparator = "^|^";
constexpr std::string_view kTranslateMarker = "~$~";

std::string TrimBlanks(const std::string& s) {
    size_t begin = s.find_first_not_of(' ');
    if (begin == std::string::npos) return {};
    size_t end = s.find_last_not_of(' ');
    return s.substr(begin, end - begin + 1);
}

std::string Unescape(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\\' && i + 1 < s.size()) {
            char c = s[i + 1];
            if (c == 'n' || c == 'r' || c == 't' || c == '\\') {
                out.push_back(c == 'n' ? '\n' : c == 'r' ? '\r' : c == 't' ? '\t' : '\\');
                ++i;
                continue;
            }
        }
        out.push_back(s[i]);
    }
    return out;
}

}  // namespace

ResourceLoader::ResourceLoader(std::string catalogDirectory)
    : directory_(std::move(catalogDirectory)) {}

const std::map<std::string, std::string>& ResourceLoader::Catalog() {
    std::string fileName = baseName_ + "." + language_ + ".tsv";
    auto found = catalogs_.find(fileName);
    if (found != catalogs_.end()) return found->second;
    std::map<std::string, std::string>& catalog = catalogs_[fileName];
    std::ifstream in(std::filesystem::path(directory_) / fileName, std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line.front() == '#') continue;
        auto tab = line.find('\t');
        if (tab == std::string::npos) continue;
        catalog.emplace(Unescape(std::string_view(line).substr(0, tab)),
                        Unescape(std::string_view(line).substr(tab + 1)));
    }
    return catalog;
}

std::string ResourceLoader::LoadString(const std::string& key) {
    if (language_.empty()) return key;
    const auto& catalog = Catalog();
    auto found = catalog.find(key);
    return found == catalog.end() ? key : found->second;
}

std::string DefaultCatalogDirectory() {
    if (const char* dir = std::getenv("Q9_RESOURCE_DIR"); dir && *dir) return dir;
    std::error_code ec;
    auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (!ec) {
        auto beside = exe.parent_path() / "i18n";
        if (std::filesystem::is_directory(beside, ec)) return beside.string();
    }
    return std::string(Q9_SOURCE_DIR) + "/resources/i18n";
}

Texts::Texts(std::function<std::string()> languageOfSession, Notifier& notifier,
             std::string catalogDirectory)
    : languageOfSession_(std::move(languageOfSession)),
      notifier_(notifier),
      catalogDirectory_(std::move(catalogDirectory)) {}

ResourceLoader& Texts::Loader() {
    if (sessionLanguage_.empty() && languageOfSession_) sessionLanguage_ = languageOfSession_();
    if (!loader_) loader_ = std::make_unique<ResourceLoader>(catalogDirectory_);
    loader_->SetResFileBaseName("Q9INDUSTRY");
    loader_->SetLanguageID(sessionLanguage_);
    return *loader_;
}

std::string Texts::LoadText(const std::string& key) {
    std::string current = key;
    try {
        ResourceLoader& loader = Loader();
        current = TrimBlanks(key);
        if (current.find(kPieceSeparator) != std::string::npos) return ComposeText(current);
        if (current.empty()) return {};
        return loader.LoadString(current);
    } catch (...) {
        return current;
    }
}

std::string Texts::Translated(const std::string& text) {
    try {
        return text.empty() ? text : Loader().LoadString(text);
    } catch (...) {
        return text;
    }
}

std::string Texts::Describe(const Error& error) {
    if (error.source == ErrorSource::Database) {
        return FormatText("数据库报告：%1", {Value(Translated(error.description))});
    }
    if (error.textKey.empty()) return Translated(error.description);
    std::vector<Value> arguments;
    arguments.reserve(error.arguments.size());
    for (const std::string& argument : error.arguments)
        arguments.emplace_back(Translated(argument));
    if (error.cause && !arguments.empty()) arguments.back() = Value(Describe(*error.cause));
    return FormatText(error.textKey, arguments);
}

std::string Texts::DescribeWithNumber(const Error& error) {
    return std::to_string(error.number) + " (" + Describe(error) + ")";
}

std::string Texts::DescribeAfterLeadIn(const Error& error) {
    return error.source == ErrorSource::Database ? Translated(error.description) : Describe(error);
}

std::string DescribeInLanguage(const std::string& language, const Error& error) {
    class NoNotices : public Notifier {
        void ShowNotice(const std::string&) override {}
    } noNotices;
    Texts texts([&] { return language; }, noNotices);
    return texts.Describe(error);
}

std::string Texts::Describe(const Failure& failure) {
    const std::string text = Describe(failure.error);
    return failure.where.file.empty() ? text : "[" + failure.where.file + "]" + text;
}

std::string Texts::ComposeText(const std::string& compositeKey) {
    std::string result;
    size_t start = 0;
    while (true) {
        size_t end = compositeKey.find(kPieceSeparator, start);
        std::string piece =
            compositeKey.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (piece.starts_with(kTranslateMarker)) {
            result += LoadText(piece.substr(kTranslateMarker.size()));
        } else {
            result += piece;
        }
        if (end == std::string::npos) break;
        start = end + kPieceSeparator.size();
    }
    return result;
}

std::string Texts::FormatText(const std::string& templateKey, const std::vector<Value>& values) {
    try {
        std::string templateText = LoadText(templateKey);
        std::vector<std::string> texts;
        texts.reserve(values.size());
        for (const Value& v : values) texts.push_back(TextOrEmpty(v));
        return FillTemplate(templateText, texts);
    } catch (...) {
        return {};
    }
}

}  // namespace q9
