#include "host/db/odbc_connect.h"

#include <condition_variable>
#include <mutex>
#include <thread>

#include "host/db/odbc_connection_string.h"
#include "host/db/odbc_diagnostics.h"
#include "host/db/odbc_text.h"

namespace q9::odbc {
namespace {

SQLPOINTER AsAttribute(SQLULEN value) {
    return reinterpret_cast<SQLPOINTER>(value);
}

// What the connecting thread and the caller share; whoever leaves last frees it.
struct Attempt {
    std::shared_ptr<EnvironmentHandle> environment;  // outlives the connection handle
    ConnectionHandle connection;
    std::mutex mutex;
    std::condition_variable finished;
    bool done = false;
    bool abandoned = false;
    bool connected = false;
    Error cause;
};

void Connect(const std::shared_ptr<Attempt>& attempt, std::string connectionString) {
    WideText text = Utf8ToWide(connectionString);
    text.push_back(0);
    const SQLRETURN rc = SQLDriverConnectW(attempt->connection.get(), nullptr, text.data(), SQL_NTS,
                                           nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT);
    Error cause;
    if (!SQL_SUCCEEDED(rc)) {
        cause = ErrorFromDiagnostics(ReadDiagnostics(SQL_HANDLE_DBC, attempt->connection.get()),
                                     "驱动程序没有给出原因");
    }
    std::lock_guard lock(attempt->mutex);
    attempt->done = true;
    attempt->connected = SQL_SUCCEEDED(rc);
    if (attempt->connected) attempt->connection.MarkConnected();
    attempt->cause = std::move(cause);
    // Nobody waits any more: the late connection is closed here.
    if (attempt->abandoned) attempt->connection.Reset();
    attempt->finished.notify_all();
}

}  // namespace

Error ConnectWithin(const std::shared_ptr<EnvironmentHandle>& environment,
                    const std::string& connectionString, std::chrono::seconds loginTimeout,
                    std::chrono::seconds grace, ConnectionHandle* connection) {
    const std::string shown = MaskPasswords(connectionString);
    auto attempt = std::make_shared<Attempt>();
    attempt->environment = environment;
    if (!SQL_SUCCEEDED(attempt->connection.Allocate(environment->get()))) {
        Error error = ErrorFromDiagnostics(ReadDiagnostics(SQL_HANDLE_ENV, environment->get()),
                                           "不能分配ODBC连接句柄");
        error.number = error_number::kCannotCreateObject;
        return error;
    }
    // Drivers that do not know an attribute refuse it; connecting still works without it.
    const auto seconds = static_cast<SQLULEN>(loginTimeout.count());
    SQLSetConnectAttr(attempt->connection.get(), SQL_ATTR_LOGIN_TIMEOUT, AsAttribute(seconds), 0);
    SQLSetConnectAttr(attempt->connection.get(), SQL_ATTR_CONNECTION_TIMEOUT, AsAttribute(seconds),
                      0);

    std::thread(Connect, attempt, connectionString).detach();
    std::unique_lock lock(attempt->mutex);
    if (!attempt->finished.wait_for(lock, loginTimeout + grace, [&] { return attempt->done; })) {
        attempt->abandoned = true;
        return CatalogError(error_number::kCannotCreateObject,
                            "不能连接账套数据库（%1）：服务器在%2秒内没有应答",
                            {shown, std::to_string((loginTimeout + grace).count())});
    }
    if (!attempt->connected) {
        return ExplainedBy(attempt->cause, error_number::kCannotCreateObject,
                           "不能连接账套数据库（%1）：%2", {shown});
    }
    *connection = std::move(attempt->connection);
    return {};
}

}  // namespace q9::odbc
