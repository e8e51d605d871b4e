#include "host/path_list.h"

#include <algorithm>

namespace q9 {

namespace {

constexpr char kSeparator = ';';
constexpr char kQuote = '"';

bool IsSpace(char c) {
    return c == ' ' || c == '\t';
}

bool NeedsQuotes(std::string_view path) {
    return path.find_first_of(";\"") != std::string_view::npos;
}

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && IsSpace(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsSpace(text.back())) text.remove_suffix(1);
    return text;
}

}  // namespace

std::vector<std::string> SplitPathList(std::string_view box) {
    std::vector<std::string> paths;
    size_t at = 0;
    while (at < box.size()) {
        size_t first = at;
        while (first < box.size() && IsSpace(box[first])) ++first;
        std::string path;
        if (first < box.size() && box[first] == kQuote) {
            for (at = first + 1; at < box.size(); ++at) {
                if (box[at] != kQuote) {
                    path += box[at];
                } else if (at + 1 < box.size() && box[at + 1] == kQuote) {
                    path += kQuote;
                    ++at;
                } else {
                    ++at;
                    break;
                }
            }
            // Whatever follows the closing quote up to the separator belongs to the same path.
            const size_t end = std::min(box.find(kSeparator, at), box.size());
            path += Trimmed(box.substr(at, end - at));
            at = end;
        } else {
            // Taken as it stands, as a box holding one path always was: blanks are a path too.
            const size_t end = std::min(box.find(kSeparator, at), box.size());
            path = box.substr(at, end - at);
            at = end;
        }
        if (!path.empty()) paths.push_back(std::move(path));
        if (at < box.size()) ++at;  // the separator
    }
    return paths;
}

std::string JoinPathList(const std::vector<std::string>& paths) {
    std::string box;
    for (const std::string& path : paths) {
        if (path.empty()) continue;
        if (!box.empty()) box += kSeparator;
        if (!NeedsQuotes(path)) {
            box += path;
            continue;
        }
        box += kQuote;
        for (char c : path) {
            if (c == kQuote) box += kQuote;
            box += c;
        }
        box += kQuote;
    }
    return box;
}

}  // namespace q9
