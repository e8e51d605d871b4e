#pragma once

#include <memory>
#include <string>

#include "host/db/database_engine.h"

namespace q9 {

// "sqlite:PATH" opens (creating when missing) an embedded account database;
// "odbc:CONNECTION-STRING" connects to SQL Server. Throws HostError when it cannot.
std::shared_ptr<DatabaseEngine> OpenDatabaseEngine(const std::string& url);

// Engines, each in its own module.
std::shared_ptr<DatabaseEngine> OpenSqliteEngine(const std::string& path);
std::shared_ptr<DatabaseEngine> OpenOdbcEngine(const std::string& connectionString);

}  // namespace q9
