#include "host/db/odbc_connection_string.h"

#include <algorithm>
#include <cctype>
#include <functional>

#include "host/recordset.h"

namespace q9::odbc {
namespace {

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    return text;
}

struct Attribute {
    std::string_view key;    // as written, blanks included
    std::string_view value;  // as written, braces included
    bool last = false;       // no ";" follows
};

// Calls `visit` for each key=value of the string; text without "=" at the end goes to
// `visitRest`.
void ForEachAttribute(std::string_view text, const std::function<void(const Attribute&)>& visit,
                      const std::function<void(std::string_view)>& visitRest = {}) {
    size_t i = 0;
    while (i < text.size()) {
        const size_t equals = text.find('=', i);
        if (equals == std::string_view::npos) {
            if (visitRest) visitRest(text.substr(i));
            return;
        }
        // A value in braces may hold ';' and ends at the first '}' not doubled.
        size_t end = equals + 1;
        while (end < text.size() && text[end] == ' ') ++end;
        if (end < text.size() && text[end] == '{') {
            ++end;
            while (end < text.size()) {
                if (text[end] == '}') {
                    if (end + 1 < text.size() && text[end + 1] == '}') {
                        end += 2;
                        continue;
                    }
                    ++end;
                    break;
                }
                ++end;
            }
        }
        end = text.find(';', end);
        if (end == std::string_view::npos) end = text.size();
        visit(Attribute{text.substr(i, equals - i), text.substr(equals + 1, end - equals - 1),
                        end >= text.size()});
        i = end + 1;
    }
}

bool Contains(std::string_view text, std::string_view part) {
    return std::search(text.begin(), text.end(), part.begin(), part.end(), [](char a, char b) {
               return std::tolower(static_cast<unsigned char>(a)) ==
                      std::tolower(static_cast<unsigned char>(b));
           }) != text.end();
}

bool IsPasswordKey(std::string_view key) {
    const std::string_view name = Trimmed(key);
    return EqualsIgnoringCase(name, "PWD") || EqualsIgnoringCase(name, "Password");
}

}  // namespace

std::string MaskPasswords(std::string_view connectionString) {
    std::string result;
    ForEachAttribute(
        connectionString,
        [&result](const Attribute& a) {
            result += a.key;
            result += '=';
            result += IsPasswordKey(a.key) ? std::string_view("***") : a.value;
            if (!a.last) result += ';';
        },
        [&result](std::string_view rest) { result += rest; });
    return result;
}

std::string WithDriverDefaults(std::string_view connectionString) {
    bool freeTds = false;
    bool versionChosen = false;
    ForEachAttribute(connectionString, [&](const Attribute& a) {
        const std::string_view name = Trimmed(a.key);
        if (EqualsIgnoringCase(name, "Driver")) {
            freeTds = Contains(a.value, "FreeTDS") || Contains(a.value, "libtdsodbc");
        }
        // A DSN or a freetds.conf server entry brings its own protocol version.
        if (EqualsIgnoringCase(name, "DSN") || EqualsIgnoringCase(name, "Servername") ||
            EqualsIgnoringCase(name, "TDS_Version")) {
            versionChosen = true;
        }
    });
    // In front: a value whose braces never close would swallow anything after it.
    if (freeTds && !versionChosen) return "TDS_Version=7.4;" + std::string(connectionString);
    return std::string(connectionString);
}

bool HoldsPassword(std::string_view connectionString) {
    bool holds = false;
    ForEachAttribute(connectionString, [&holds](const Attribute& a) {
        if (IsPasswordKey(a.key)) holds = true;
    });
    return holds;
}

bool NeedsPassword(std::string_view connectionString) {
    bool elsewhere = false;
    ForEachAttribute(connectionString, [&elsewhere](const Attribute& a) {
        const std::string_view name = Trimmed(a.key);
        const std::string_view value = Trimmed(a.value);
        const bool integrated =
            (EqualsIgnoringCase(name, "Trusted_Connection") ||
             EqualsIgnoringCase(name, "Trusted")) &&
            (EqualsIgnoringCase(value, "yes") || EqualsIgnoringCase(value, "true"));
        if (IsPasswordKey(a.key) || EqualsIgnoringCase(name, "DSN") ||
            EqualsIgnoringCase(name, "FILEDSN") || integrated) {
            elsewhere = true;
        }
    });
    return !elsewhere;
}

std::string WithPassword(std::string_view connectionString, std::string_view password) {
    // In front, as the driver defaults: an unclosed brace later would swallow it.
    std::string result = "PWD={";
    for (char c : password) {
        result += c;
        if (c == '}') result += '}';
    }
    result += "};";
    result += connectionString;
    return result;
}

}  // namespace q9::odbc
