#pragma once

#include <chrono>
#include <memory>
#include <string>

#include "host/db/odbc_handles.h"
#include "host/error.h"

namespace q9::odbc {

// Connects a new handle of `environment` and hands it over in `connection`. The driver is
// given `loginTimeout` for the login and for every later request on the connection; a driver
// that has still not answered `grace` after that is left behind on a thread of its own (its
// handle is freed if it ever returns), so that no driver can hold the caller for longer.
// The error names the connection string with its passwords masked.
Error ConnectWithin(const std::shared_ptr<EnvironmentHandle>& environment,
                    const std::string& connectionString, std::chrono::seconds loginTimeout,
                    std::chrono::seconds grace, ConnectionHandle* connection);

}  // namespace q9::odbc
