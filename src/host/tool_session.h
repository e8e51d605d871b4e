#pragma once

#include <memory>
#include <string>

#include "host/db/database_engine.h"
#include "host/gateway.h"
#include "host/session.h"
#include "host/texts.h"

namespace q9 {

// One run of the tool: the host session, the gateway on the session's account database and the
// texts in the session's language. Both front ends create one.
class ToolSession {
  public:
    ToolSession(LoginOptions options, Notifier& notifier);

    HostSession& session() { return session_; }
    Gateway& gateway() { return gateway_; }
    Texts& texts() { return texts_; }

    // The engine of the session's account database, opened on first use (the demo account is
    // created when it is missing). Throws HostError when it cannot be opened.
    std::shared_ptr<DatabaseEngine> Engine();

    // Replaces the engine, e.g. by a fault-injecting wrapper in tests.
    void SetEngine(std::shared_ptr<DatabaseEngine> engine) {
        engine_ = std::move(engine);
        injected_ = true;
    }

  private:
    LoginOptions options_;
    HostSession session_;
    Gateway gateway_;
    Texts texts_;
    std::shared_ptr<DatabaseEngine> engine_;
    std::string engineUrl_;
    bool injected_ = false;
};

// Paths of the tool's files on this platform.
std::string DemoDatabasePath();  // $XDG_DATA_HOME/q9taxrate/demo.db
std::string AccountsFilePath();  // $XDG_CONFIG_HOME/q9taxrate/accounts.ini
std::string DebugLogPath();      // $XDG_STATE_HOME/q9taxrate/logq9.txt
std::string LastLoginPath();     // $XDG_STATE_HOME/q9taxrate/last-login

// Appends "date time: message" CR LF to a file.
class FileDebugLog : public DebugLog {
  public:
    explicit FileDebugLog(std::string path = DebugLogPath()) : path_(std::move(path)) {}
    void Write(const std::string& message) override;
    const std::string& path() const { return path_; }

  private:
    std::string path_;
};

}  // namespace q9
