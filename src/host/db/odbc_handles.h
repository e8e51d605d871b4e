#pragma once

// ODBC handles that free themselves: an environment, a connection that disconnects before it is
// freed, and statements.

#include <sql.h>
#include <sqlext.h>

#include <utility>

namespace q9::odbc {

template <SQLSMALLINT HandleType>
class Handle {
  public:
    Handle() = default;
    ~Handle() { Reset(); }
    Handle(Handle&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
    Handle& operator=(Handle&& other) noexcept {
        if (this != &other) {
            Reset();
            handle_ = std::exchange(other.handle_, nullptr);
        }
        return *this;
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;

    // A new handle under `parent` (SQL_NULL_HANDLE for an environment); the ODBC return code.
    SQLRETURN Allocate(SQLHANDLE parent) {
        Reset();
        return SQLAllocHandle(HandleType, parent, &handle_);
    }
    void Reset() {
        if (handle_ != SQL_NULL_HANDLE) {
            SQLFreeHandle(HandleType, handle_);
            handle_ = SQL_NULL_HANDLE;
        }
    }
    SQLHANDLE get() const { return handle_; }
    explicit operator bool() const { return handle_ != SQL_NULL_HANDLE; }

  private:
    SQLHANDLE handle_ = SQL_NULL_HANDLE;
};

using EnvironmentHandle = Handle<SQL_HANDLE_ENV>;
using StatementHandle = Handle<SQL_HANDLE_STMT>;

// A connection handle; once connected it is disconnected before being freed.
class ConnectionHandle {
  public:
    ConnectionHandle() = default;
    ~ConnectionHandle() { Reset(); }
    ConnectionHandle(const ConnectionHandle&) = delete;
    ConnectionHandle& operator=(const ConnectionHandle&) = delete;
    ConnectionHandle(ConnectionHandle&& other) noexcept
        : handle_(std::move(other.handle_)), connected_(std::exchange(other.connected_, false)) {}
    ConnectionHandle& operator=(ConnectionHandle&& other) noexcept {
        if (this != &other) {
            Reset();
            handle_ = std::move(other.handle_);
            connected_ = std::exchange(other.connected_, false);
        }
        return *this;
    }

    SQLRETURN Allocate(SQLHENV environment) {
        Reset();
        return handle_.Allocate(environment);
    }
    void MarkConnected() { connected_ = true; }
    bool connected() const { return connected_; }
    void Reset() {
        if (connected_) {
            SQLDisconnect(handle_.get());
            connected_ = false;
        }
        handle_.Reset();
    }
    SQLHDBC get() const { return handle_.get(); }

  private:
    Handle<SQL_HANDLE_DBC> handle_;
    bool connected_ = false;
};

}  // namespace q9::odbc
