#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "host/db/demo_account.h"
#include "host/db/engine_factory.h"
#include "host/recordset.h"
#include "support/temp_folder.h"

namespace q9::testing {

// A fresh demo account in a temporary folder, opened on the embedded engine.
class EmbeddedAccount {
  public:
    explicit EmbeddedAccount(const DemoAccountOptions& options = {},
                             const std::string& name = "demo")
        : folder_("q9-sqlite-" + name), path_(folder_.File("account.db")) {
        CreateDemoAccount(path_, options);
        engine_ = OpenSqliteEngine(path_);
    }
    EmbeddedAccount(const EmbeddedAccount&) = delete;
    EmbeddedAccount& operator=(const EmbeddedAccount&) = delete;

    DatabaseEngine& engine() { return *engine_; }
    const std::string& path() const { return path_; }

    RecordsetPtr Query(const std::string& sql) {
        Error error;
        RecordsetPtr rows = engine_->Query(sql, &error);
        EXPECT_TRUE(rows) << error.description << "\n" << sql;
        return rows;
    }
    void Execute(const std::string& sql) {
        const Outcome outcome = engine_->Execute(sql);
        ASSERT_TRUE(outcome.ok()) << outcome.error.description << "\n" << sql;
    }
    // The one value of a one-row query.
    Value Scalar(const std::string& sql) {
        RecordsetPtr rows = Query(sql);
        if (!rows || rows->RecordCount() != 1) {
            ADD_FAILURE() << "expected one row: " << sql;
            return Value();
        }
        return rows->FieldAt(0);
    }
    double Number(const std::string& sql) {
        const Value value = Scalar(sql);
        return value.IsNumber() ? value.NumberAsDouble() : -999999;
    }
    int Count(const std::string& sql) {
        RecordsetPtr rows = Query(sql);
        return rows ? rows->RecordCount() : -1;
    }

  private:
    TempFolder folder_;  // outlives the engine
    std::string path_;
    std::shared_ptr<DatabaseEngine> engine_;
};

}  // namespace q9::testing
