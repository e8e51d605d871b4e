#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "host/db/database_engine.h"
#include "host/db/savepoint_scope.h"
#include "host/db/sqlite_handles.h"
#include "host/db/tsql_translator.h"

namespace q9 {

// The embedded account database: SQLite running the tool's T-SQL through the translator, with
// translations and prepared statements reused for texts of the same shape.
class SqliteEngine final : public DatabaseEngine {
  public:
    // Opens an existing account database file; a missing file or one without the host tables is
    // refused unchanged. Throws HostError.
    explicit SqliteEngine(const std::string& path);

    std::string DatabaseFile() const override { return path_; }
    // A commit writes every page the line touched into the WAL: several times a line's work.
    LineCommits LineCommitting() const override { return LineCommits::InShortGroups; }
    RecordsetPtr Query(const std::string& sql, Error* error) override;
    Outcome Execute(const std::string& sql) override;
    Outcome ExecuteAtomic(const std::vector<std::string>& batches) override;
    AtomicOutcome ExecuteAtomicGuarded(const std::vector<AtomicBatch>& batches) override;
    // A lost connection cannot happen to a file: `retry` has nothing to do here.
    TransactionOutcome RunTransaction(const TransactionWork& work,
                                      TransactionRetry retry = TransactionRetry::Never) override;

    size_t TranslationHits() const;
    size_t TranslationMisses() const;

  private:
    class Scope;

    // Runs every statement of a batch; the rows of its first query go to `rows` when given, and
    // the rows its INSERT, UPDATE and DELETE statements changed are added to `changed`.
    // `lastChanged`, when given, receives the rows of the last of those statements.
    void RunBatch(const std::string& sql, RecordsetPtr* rows, int64_t* changed = nullptr,
                  int64_t* lastChanged = nullptr);
    void RollBackIfOpen();
    RowsInsert InsertRows(const std::string& table, const std::vector<std::string>& columns,
                          const std::vector<std::vector<Value>>& rows);
    // A prepared statement and what its results look like, found out on its first result.
    struct Prepared {
        sqlite::StatementPtr statement;
        Recordset::FieldNameList names;
        // By result column: 1 declared as a decimal column, 0 declared otherwise, -1 an
        // expression (typed by its translation).
        std::vector<signed char> declaredDecimal;
        // SQLite's count of the statement's re-preparations when it was described: a changed
        // schema may have changed its columns.
        int describedAt = -1;
        // The transaction in which a table's shape was last read through this statement.
        uint64_t shapeReadIn = 0;
    };
    // The statement of this text, prepared once while the cache holds it.
    Prepared& PreparedFor(const std::string& text);
    // Its columns' names and declared decimals, read again where SQLite prepared it anew.
    void Describe(Prepared& prepared);
    class ChangeWatcher;
    // Null where this SQLite cannot tell changes as it makes them, or another watch is on.
    std::unique_ptr<ChangeWatch> Watch(const std::vector<RowFilter>& filters);
    Prepared& PrepareBound(const tsql::TranslatedStatement& statement,
                           const std::vector<tsql::Literal>& literals);
    void Run(Prepared& prepared, const tsql::TranslatedStatement& typed, RecordsetPtr* rows);
    bool YieldsRow(sqlite3_stmt* statement);
    void RunFixed(sqlite3_stmt* statement);
    // Runs the savepoint statements of a unit of work, ';'-separated.
    void RunControl(const std::string& sql);

    std::string path_;
    mutable std::mutex mutex_;
    sqlite::ConnectionPtr db_;
    sqlite::StatementPtr begin_;
    sqlite::StatementPtr commit_;
    sqlite::StatementPtr rollback_;
    tsql::RecentShapes shapes_;
    tsql::TranslationCache translations_;
    std::unordered_map<std::string, Prepared> prepared_;
    // Whether a column declared so holds decimals, by its declaration: asked of every column of
    // every result.
    std::unordered_map<std::string, bool> decimalDeclarations_;
    WorkThread workThread_;
    bool watching_ = false;
    uint64_t transactions_ = 0;  // begun by RunTransaction
};

}  // namespace q9
