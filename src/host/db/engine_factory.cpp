#include "host/db/engine_factory.h"

#include "host/db/odbc_connection_string.h"

namespace q9 {

std::shared_ptr<DatabaseEngine> OpenDatabaseEngine(const std::string& url) {
    constexpr std::string_view kSqlite = "sqlite:";
    constexpr std::string_view kOdbc = "odbc:";
    if (url.starts_with(kSqlite)) return OpenSqliteEngine(url.substr(kSqlite.size()));
    if (url.starts_with(kOdbc)) return OpenOdbcEngine(url.substr(kOdbc.size()));
    // Masked: a mistyped "ODBC:" address still carries its password.
    throw HostError(CatalogError(error_number::kTypeMismatch,
                                 "无法识别的数据库地址“%1”：应为 sqlite:路径 或 odbc:连接串",
                                 {odbc::MaskPasswords(url)}));
}

}  // namespace q9
