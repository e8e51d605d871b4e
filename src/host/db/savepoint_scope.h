#pragma once

// What the engines share in running units of work: nested units as savepoints, and the guard
// that keeps the engine from being called past an open unit of work.

#include <atomic>
#include <string>
#include <thread>

#include "host/db/database_engine.h"

namespace q9 {

// The savepoint statements of one SQL dialect.
enum class SavepointDialect {
    Standard,   // SAVEPOINT, ROLLBACK TO SAVEPOINT, RELEASE SAVEPOINT (SQLite, PostgreSQL)
    SqlServer,  // SAVE TRANSACTION, ROLLBACK TRANSACTION; nothing to release
};

std::string SaveText(SavepointDialect dialect, const std::string& name);
// Back to the savepoint, and off the savepoint stack where the dialect keeps one.
std::string UndoText(SavepointDialect dialect, const std::string& name);
// Empty when the dialect has nothing to send.
std::string ReleaseText(SavepointDialect dialect, const std::string& name);

// A transaction scope whose nested units are savepoints.
class SavepointScope : public TransactionScope {
  public:
    explicit SavepointScope(SavepointDialect dialect) : dialect_(dialect) {}
    TransactionEnd RunNested(const TransactionWork& work) final;

  protected:
    // Sends a savepoint statement as it stands; throws HostError.
    virtual void SendControl(const std::string& sql) = 0;

  private:
    SavepointDialect dialect_;
    int depth_ = 0;
};

// The thread that runs an engine's open unit of work. The engine's mutex is not re-entrant, so
// a call made from inside the work is answered with a failure instead of a deadlock.
class WorkThread {
  public:
    bool IsCurrent() const { return owner_.load() == std::this_thread::get_id(); }

    class Claim {
      public:
        explicit Claim(WorkThread& thread) : thread_(thread) {
            thread_.owner_.store(std::this_thread::get_id());
        }
        ~Claim() { thread_.owner_.store(std::thread::id()); }
        Claim(const Claim&) = delete;
        Claim& operator=(const Claim&) = delete;

      private:
        WorkThread& thread_;
    };

  private:
    std::atomic<std::thread::id> owner_{};
};

// The failure a call past an open unit of work gets.
Error CalledInsideWork();

}  // namespace q9
