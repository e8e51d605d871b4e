#include "host/db/odbc_connection_string.h"

#include "host/recordset.h"

namespace q9::odbc {
namespace {

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    return text;
}

}  // namespace

std::string MaskPasswords(std::string_view connectionString) {
    std::string result;
    size_t i = 0;
    while (i < connectionString.size()) {
        const size_t equals = connectionString.find('=', i);
        if (equals == std::string_view::npos) {
            result += connectionString.substr(i);
            break;
        }
        const std::string_view key = connectionString.substr(i, equals - i);
        // A value in braces may hold ';' and ends at the first '}' not doubled.
        size_t end = equals + 1;
        while (end < connectionString.size() && connectionString[end] == ' ') ++end;
        if (end < connectionString.size() && connectionString[end] == '{') {
            ++end;
            while (end < connectionString.size()) {
                if (connectionString[end] == '}') {
                    if (end + 1 < connectionString.size() && connectionString[end + 1] == '}') {
                        end += 2;
                        continue;
                    }
                    ++end;
                    break;
                }
                ++end;
            }
        }
        end = connectionString.find(';', end);
        if (end == std::string_view::npos) end = connectionString.size();
        const std::string_view name = Trimmed(key);
        result += key;
        result += '=';
        if (EqualsIgnoringCase(name, "PWD") || EqualsIgnoringCase(name, "Password")) {
            result += "***";
        } else {
            result += connectionString.substr(equals + 1, end - equals - 1);
        }
        if (end < connectionString.size()) result += ';';
        i = end + 1;
    }
    return result;
}

}  // namespace q9::odbc
