#include "host/account_profile_memory.h"

#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "host/recordset.h"

namespace q9 {

namespace {

struct Line {
    std::string text;  // without its line break
    std::string end;   // "\n", "\r\n" or "" for a last line without one
};

std::vector<Line> SplitLines(const std::string& text) {
    std::vector<Line> lines;
    for (size_t start = 0; start < text.size();) {
        const size_t newline = text.find('\n', start);
        if (newline == std::string::npos) {
            lines.push_back({text.substr(start), ""});
            break;
        }
        const bool crlf = newline > start && text[newline - 1] == '\r';
        const size_t length = newline - start - (crlf ? 1 : 0);
        lines.push_back({text.substr(start, length), crlf ? "\r\n" : "\n"});
        start = newline + 1;
    }
    return lines;
}

std::string Trim(const std::string& text) {
    const size_t begin = text.find_first_not_of(" \t\r");
    if (begin == std::string::npos) return {};
    return text.substr(begin, text.find_last_not_of(" \t\r") - begin + 1);
}

bool IsSection(const std::string& trimmed) {
    return trimmed.size() >= 2 && trimmed.front() == '[' && trimmed.back() == ']';
}

// The key of a "key = value" line; empty for comments, sections and other lines.
std::string KeyOf(const std::string& trimmed) {
    if (trimmed.empty() || trimmed[0] == ';' || trimmed[0] == '#') return {};
    const size_t eq = trimmed.find('=');
    return eq == std::string::npos ? std::string() : Trim(trimmed.substr(0, eq));
}

bool IsProfileKey(const std::string& key) {
    return EqualsIgnoringCase(key, "profile") || EqualsIgnoringCase(key, "changes") ||
           EqualsIgnoringCase(key, "cutoff");
}

std::vector<std::string> ProfileLines(const RateProfileRequest& request) {
    std::vector<std::string> lines;
    if (!request.name.empty()) lines.push_back("profile=" + request.name);
    if (!request.changes.empty()) {
        std::string changes;
        for (const std::string& change : request.changes) {
            changes += (changes.empty() ? "" : ",") + change;
        }
        lines.push_back("changes=" + changes);
    }
    if (request.cutoff) lines.push_back("cutoff=" + *request.cutoff);
    return lines;
}

}  // namespace

std::optional<std::string> WithAccountRateProfile(const std::string& fileText,
                                                  const std::string& accountName,
                                                  const RateProfileRequest& request) {
    std::vector<Line> lines = SplitLines(fileText);
    size_t header = lines.size();
    for (size_t i = 0; i < lines.size() && header == lines.size(); ++i) {
        const std::string trimmed = Trim(lines[i].text);
        if (IsSection(trimmed) && Trim(trimmed.substr(1, trimmed.size() - 2)) == accountName) {
            header = i;
        }
    }
    if (header == lines.size()) return std::nullopt;

    size_t end = header + 1;  // one past the section's last line
    while (end < lines.size() && !IsSection(Trim(lines[end].text))) ++end;
    std::optional<size_t> firstProfileKey;
    size_t lastKey = header;
    for (size_t i = header + 1; i < end; ++i) {
        const std::string key = KeyOf(Trim(lines[i].text));
        if (IsProfileKey(key)) {
            if (!firstProfileKey) firstProfileKey = i;
        } else if (!key.empty()) {
            lastKey = i;
        }
    }

    // Rebuilt with the profile lines in place, in the line breaks the file already uses.
    const size_t insertAt = firstProfileKey ? *firstProfileKey : lastKey + 1;
    const std::string breakStyle = lines[header].end.empty() ? "\n" : lines[header].end;
    std::string result;
    auto insert = [&] {
        for (const std::string& line : ProfileLines(request)) result += line + breakStyle;
    };
    for (size_t i = 0; i < lines.size(); ++i) {
        if (i == insertAt) insert();
        if (i > header && i < end && IsProfileKey(KeyOf(Trim(lines[i].text)))) continue;
        // A last line without a break gets one when lines follow it.
        const bool linesFollow = i + 1 < lines.size() || insertAt == lines.size();
        result += lines[i].text + (lines[i].end.empty() && linesFollow ? breakStyle : lines[i].end);
    }
    if (insertAt == lines.size()) insert();
    return result;
}

Outcome RememberAccountRateProfile(const std::string& path, const std::string& accountName,
                                   const RateProfileRequest& request) {
    const std::string where = "accounts file " + path;
    std::ifstream in(path, std::ios::binary);
    if (!in) return Outcome::Failure({error_number::kFileNotFound, where + ": cannot be read"});
    std::ostringstream text;
    text << in.rdbuf();
    const std::optional<std::string> written =
        WithAccountRateProfile(text.str(), accountName, request);
    if (!written) {
        return Outcome::Failure(
            {error_number::kItemNotFound, where + ": no account [" + accountName + "]"});
    }
    if (*written == text.str()) return Outcome::Success();

    const std::filesystem::path target(path);
    const std::filesystem::path beside = target.string() + ".new";
    {
        std::ofstream out(beside, std::ios::binary | std::ios::trunc);
        out << *written;
        out.close();
        if (!out) {
            std::error_code ignored;
            std::filesystem::remove(beside, ignored);
            return Outcome::Failure({error_number::kPathFileAccess, where + ": cannot be written"});
        }
    }
    std::error_code ec;
    std::filesystem::permissions(beside, std::filesystem::status(target, ec).permissions(), ec);
    std::filesystem::rename(beside, target, ec);
    if (ec) {
        std::error_code ignored;
        std::filesystem::remove(beside, ignored);
        return Outcome::Failure({error_number::kPathFileAccess, where + ": " + ec.message()});
    }
    return Outcome::Success();
}

}  // namespace q9
