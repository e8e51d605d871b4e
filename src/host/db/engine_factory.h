#pragma once

#include <chrono>
#include <memory>
#include <string>

#include "host/db/database_engine.h"

namespace q9 {

// "sqlite:PATH" opens an existing embedded account database;
// "odbc:CONNECTION-STRING" connects to SQL Server. Throws HostError when it cannot.
std::shared_ptr<DatabaseEngine> OpenDatabaseEngine(const std::string& url);

// Engines, each in its own module.
std::shared_ptr<DatabaseEngine> OpenSqliteEngine(const std::string& path);
// How long an ODBC connection may take: the login and every later request of the connection
// (`login`), each batch (`query`); a driver that overruns the login by `grace` is given up.
struct OdbcTimeouts {
    std::chrono::seconds login{15};
    std::chrono::seconds grace{3};
    std::chrono::seconds query{120};
};
std::shared_ptr<DatabaseEngine> OpenOdbcEngine(const std::string& connectionString,
                                               OdbcTimeouts timeouts = {});

}  // namespace q9
