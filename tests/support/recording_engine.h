#pragma once

// An account database that writes what reaches it into a harness's events ("query SQL",
// "execute", "atomic") and fails the statements that contain a chosen text.

#include <memory>
#include <string>
#include <vector>

#include "host/db/database_engine.h"
#include "support/core_doubles.h"

namespace q9::testing {

class RecordingEngine : public DatabaseEngine {
  public:
    explicit RecordingEngine(Events& events) : events_(events) {}

    std::string failOn;  // a statement containing it fails (when set)
    std::string failure = "table is locked";
    ErrorKind failureKind = ErrorKind::Statement;
    std::vector<std::string> executed;
    std::vector<std::vector<std::string>> atomic;

    RecordsetPtr Query(const std::string& sql, Error* error) override {
        events_.push_back("query " + sql);
        if (Outcome o = Result(sql); !o.ok()) {
            if (error) *error = o.error;
            return nullptr;
        }
        return std::make_shared<Recordset>(std::vector<std::string>{"X"},
                                           std::vector<Recordset::Row>{});
    }
    Outcome Execute(const std::string& sql) override {
        events_.push_back("execute");
        executed.push_back(sql);
        return Result(sql);
    }
    Outcome ExecuteAtomic(const std::vector<std::string>& batches) override {
        events_.push_back("atomic");
        atomic.push_back(batches);
        for (const auto& batch : batches) {
            if (Outcome o = Result(batch); !o.ok()) return o;
        }
        return Outcome::Success();
    }

  private:
    Outcome Result(const std::string& sql) const {
        if (!failOn.empty() && sql.find(failOn) != std::string::npos) {
            return Outcome::Failure(Error{error_number::kDatabase, failure, failureKind});
        }
        return Outcome::Success();
    }
    Events& events_;
};

// The core harness on a RecordingEngine of its own, writing into the harness's events.
struct RecordingHarness : CoreHarness<RecordingEngine> {
    RecordingHarness() { engine = std::make_shared<RecordingEngine>(events); }
};

}  // namespace q9::testing
