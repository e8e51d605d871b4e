#include "host/db/sqlite_engine.h"

#include <algorithm>
#include <charconv>

#include "host/db/engine_factory.h"
#include "host/db/sqlite_catalog.h"
#include "host/db/sqlite_value.h"
#include "host/db/tsql_tokens.h"

namespace q9 {

namespace {

constexpr size_t kPreparedCapacity = 256;

// The host's catalogue view as far as the tool asks it: which tables exist.
constexpr const char* kSysObjectsView =
    "CREATE TEMP VIEW IF NOT EXISTS sysobjects AS SELECT name COLLATE NOCASE AS name, "
    "CASE type WHEN 'table' THEN 'U' ELSE 'V' END COLLATE NOCASE AS xtype "
    "FROM main.sqlite_master WHERE type IN ('table','view')";

// Leaves a statement reusable (and its read lock released) however the step ended, without
// the literals it was bound to (they go with the batch).
class ResetOnExit {
  public:
    explicit ResetOnExit(sqlite3_stmt* statement) : statement_(statement) {}
    ~ResetOnExit() {
        sqlite3_reset(statement_);
        sqlite3_clear_bindings(statement_);
    }
    ResetOnExit(const ResetOnExit&) = delete;
    ResetOnExit& operator=(const ResetOnExit&) = delete;

  private:
    sqlite3_stmt* statement_;
};

void BindLiteral(sqlite3* db, sqlite3_stmt* statement, int index, const tsql::Literal& literal) {
    int rc = SQLITE_OK;
    const char* first = literal.text.data();
    const char* last = first + literal.text.size();
    switch (literal.kind) {
        case tsql::Literal::Kind::Integer: {
            int64_t number = 0;
            std::from_chars(first, last, number);
            rc = sqlite3_bind_int64(statement, index, number);
            break;
        }
        case tsql::Literal::Kind::Float: {
            double number = 0;
            std::from_chars(first, last, number);
            rc = sqlite3_bind_double(statement, index, number);
            break;
        }
        // A decimal literal keeps its digits: the decimal functions read them exactly. Not
        // copied: the batch's literals outlive the run, and the next run binds afresh.
        case tsql::Literal::Kind::Real:
        case tsql::Literal::Kind::Text:
            rc = sqlite3_bind_text(statement, index, literal.text.data(),
                                   static_cast<int>(literal.text.size()), SQLITE_STATIC);
            break;
    }
    if (rc != SQLITE_OK) throw HostError(sqlite::LastError(db));
}

constexpr size_t kRowsPerBoundInsert = 16;

// Where the literal's INSERT would store exactly the value bound: the translation converts
// values only for decimal columns, and a literal of an integer or a text is bound as that.
bool BindsAsItsLiteral(const Value& value, const tsql::SqlType& column) {
    if (!column.Is(tsql::SqlType::Kind::Integer) && !column.Is(tsql::SqlType::Kind::Text)) {
        return false;
    }
    return value.IsNull() || value.kind() == Value::Kind::Integer || value.IsText();
}

}  // namespace

class SqliteEngine::Scope final : public SavepointScope {
  public:
    explicit Scope(SqliteEngine& engine)
        : SavepointScope(SavepointDialect::Standard), engine_(engine) {}

    RecordsetPtr Query(const std::string& sql) override {
        RecordsetPtr rows;
        engine_.RunBatch(sql, &rows);
        if (!rows) throw HostError(error_number::kDatabase, "该SQL没有返回记录");
        return rows;
    }
    int64_t Execute(const std::string& sql) override {
        int64_t changed = 0;
        int64_t last = 0;
        engine_.RunBatch(sql, nullptr, &changed, &last);
        return last;
    }

    RowsInsert InsertRows(const std::string& table, const std::vector<std::string>& columns,
                          const std::vector<std::vector<Value>>& rows) override {
        return engine_.InsertRows(table, columns, rows);
    }

    std::unique_ptr<ChangeWatch> WatchChanges(const std::vector<RowFilter>& filters) override {
        return engine_.Watch(filters);
    }

  protected:
    void SendControl(const std::string& sql) override {
        // A failure that made the database end the whole transaction leaves none for a savepoint
        // to join: one set now would open a transaction of its own, and its unit would commit
        // alone while the caller takes it for part of the enclosing one.
        if (sqlite3_get_autocommit(engine_.db_.get())) {
            throw HostError(error_number::kDatabase, "数据库已回滚整个事务");
        }
        engine_.RunControl(sql);
    }

  private:
    SqliteEngine& engine_;
};

SqliteEngine::SqliteEngine(const std::string& path)
    : path_(path), db_(sqlite::OpenExistingAccount(path)) {
    sqlite::ExecuteScript(db_.get(), kSysObjectsView);
    begin_ = sqlite::Prepare(db_.get(), "BEGIN IMMEDIATE");
    commit_ = sqlite::Prepare(db_.get(), "COMMIT");
    rollback_ = sqlite::Prepare(db_.get(), "ROLLBACK");
    translations_.SetCatalog(sqlite::ReadCatalog(db_.get()));
}

size_t SqliteEngine::TranslationHits() const {
    std::lock_guard lock(mutex_);
    return translations_.hits();
}

size_t SqliteEngine::TranslationMisses() const {
    std::lock_guard lock(mutex_);
    return translations_.misses();
}

SqliteEngine::Prepared& SqliteEngine::PreparedFor(const std::string& text) {
    auto found = prepared_.find(text);
    if (found == prepared_.end()) {
        sqlite::StatementPtr fresh = sqlite::Prepare(db_.get(), text);
        if (prepared_.size() >= kPreparedCapacity) prepared_.clear();
        found = prepared_.emplace(text, Prepared{std::move(fresh), nullptr, {}, -1}).first;
    }
    return found->second;
}

SqliteEngine::Prepared& SqliteEngine::PrepareBound(const tsql::TranslatedStatement& statement,
                                                   const std::vector<tsql::Literal>& literals) {
    std::string rendered;
    if (!statement.bindLiterals) rendered = tsql::Render(statement, literals);
    const std::string& text = statement.bindLiterals ? statement.sql : rendered;
    Prepared& entry = PreparedFor(text);
    sqlite3_stmt* prepared = entry.statement.get();
    sqlite3_reset(prepared);
    if (statement.bindLiterals) {
        for (size_t i = 0; i < statement.parameters.size(); ++i) {
            BindLiteral(db_.get(), prepared, static_cast<int>(i + 1),
                        literals.at(static_cast<size_t>(statement.parameters[i])));
        }
    }
    return entry;
}

bool SqliteEngine::YieldsRow(sqlite3_stmt* statement) {
    ResetOnExit reset(statement);
    const int rc = sqlite3_step(statement);
    if (rc == SQLITE_ROW) return true;
    if (rc == SQLITE_DONE) return false;
    throw HostError(sqlite::LastError(db_.get()));
}

void SqliteEngine::Describe(Prepared& prepared) {
    sqlite3_stmt* const statement = prepared.statement.get();
    const int columns = sqlite3_column_count(statement);
    const int reprepared = sqlite3_stmt_status(statement, SQLITE_STMTSTATUS_REPREPARE, 0);
    if (prepared.names && prepared.describedAt == reprepared &&
        prepared.declaredDecimal.size() == static_cast<size_t>(columns)) {
        return;
    }
    // Names and declarations stay with the prepared text; only expressions' types vary.
    prepared.declaredDecimal.clear();
    prepared.describedAt = reprepared;
    auto names = std::make_shared<std::vector<std::string>>();
    for (int c = 0; c < columns; ++c) {
        const char* name = sqlite3_column_name(statement, c);
        names->emplace_back(name ? name : "");
        const char* declared = sqlite3_column_decltype(statement, c);
        signed char isDecimal = -1;
        if (declared) {
            auto [found, added] = decimalDeclarations_.try_emplace(declared, false);
            if (added) {
                found->second = tsql::StoredColumnType(declared).Is(tsql::SqlType::Kind::Decimal);
            }
            isDecimal = found->second ? 1 : 0;
        }
        prepared.declaredDecimal.push_back(isDecimal);
    }
    prepared.names = std::move(names);
}

void SqliteEngine::Run(Prepared& prepared, const tsql::TranslatedStatement& typed,
                       RecordsetPtr* rows) {
    sqlite3_stmt* const statement = prepared.statement.get();
    ResetOnExit reset(statement);
    const int columns = sqlite3_column_count(statement);
    const bool collect = rows && !*rows && columns > 0;
    std::vector<Recordset::Row> collected;
    std::vector<bool> decimal;
    if (collect) {
        Describe(prepared);
        decimal.resize(static_cast<size_t>(columns));
        const bool typedColumns = typed.columnTypes.size() == static_cast<size_t>(columns);
        for (size_t k = 0; k < decimal.size(); ++k) {
            const signed char declared = prepared.declaredDecimal[k];
            // Which result columns hold decimals: by the column's declaration where the value
            // comes straight from one, else by the type the translation gave the expression.
            decimal[k] = declared >= 0 ? declared == 1
                                       : typedColumns &&
                                             typed.columnTypes[k].Is(tsql::SqlType::Kind::Decimal);
        }
    }
    for (;;) {
        const int rc = sqlite3_step(statement);
        if (rc == SQLITE_DONE) break;
        if (rc != SQLITE_ROW) throw HostError(sqlite::LastError(db_.get()));
        if (!collect) continue;
        Recordset::Row row;
        row.reserve(static_cast<size_t>(columns));
        for (int c = 0; c < columns; ++c)
            row.push_back(StoredValue(statement, c, decimal[static_cast<size_t>(c)]));
        collected.push_back(std::move(row));
    }
    if (collect) *rows = std::make_shared<Recordset>(prepared.names, std::move(collected));
}

void SqliteEngine::RunControl(const std::string& sql) {
    // A savepoint is set and released for every line: prepared once, as the statements are.
    size_t start = 0;
    while (start < sql.size()) {
        size_t end = sql.find(';', start);
        if (end == std::string::npos) end = sql.size();
        RunFixed(PreparedFor(sql.substr(start, end - start)).statement.get());
        start = end + 1;
    }
}

void SqliteEngine::RunFixed(sqlite3_stmt* statement) {
    ResetOnExit reset(statement);
    if (sqlite3_step(statement) != SQLITE_DONE) throw HostError(sqlite::LastError(db_.get()));
}

void SqliteEngine::RunBatch(const std::string& sql, RecordsetPtr* rows, int64_t* changed,
                            int64_t* lastChanged) {
    const std::shared_ptr<const tsql::Shape> shaped = shapes_.Of(sql);
    const tsql::Shape& shape = *shaped;
    const std::shared_ptr<const tsql::TranslatedBatch> batch = translations_.Get(sql, shape);
    for (const tsql::TranslatedStatement& statement : batch->statements) {
        if (statement.unlessExists &&
            YieldsRow(PrepareBound(*statement.unlessExists, shape.literals).statement.get())) {
            continue;
        }
        Run(PrepareBound(statement, shape.literals), statement, rows);
        if (changed && (statement.keyword == "UPDATE" || statement.keyword == "INSERT" ||
                        statement.keyword == "DELETE")) {
            // The statement's own rows; trigger work is not counted.
            *changed += sqlite3_changes64(db_.get());
            if (lastChanged) *lastChanged = sqlite3_changes64(db_.get());
        }
        // A new table: later texts are typed by its columns.
        if (statement.keyword == "CREATE") translations_.SetCatalog(sqlite::ReadCatalog(db_.get()));
    }
}

RowsInsert SqliteEngine::InsertRows(const std::string& table,
                                    const std::vector<std::string>& columns,
                                    const std::vector<std::vector<Value>>& rows) {
    const tsql::TableDef* def = translations_.catalog().Find(table);
    if (!def || columns.empty()) return RowsInsert::NotSupported;
    std::vector<const tsql::SqlType*> types;
    std::string sql = "INSERT INTO " + tsql::QuotedName(def->name) + "(";
    std::string marks;
    for (const std::string& name : columns) {
        const tsql::ColumnDef* column = def->Find(name);
        if (!column) return RowsInsert::NotSupported;
        types.push_back(&column->type);
        sql += (marks.empty() ? "" : ",") + tsql::QuotedName(column->name);
        marks += marks.empty() ? "?" : ",?";
    }
    for (const std::vector<Value>& row : rows) {
        if (row.size() != columns.size()) return RowsInsert::NotSupported;
        for (size_t c = 0; c < row.size(); ++c) {
            if (!BindsAsItsLiteral(row[c], *types[c])) return RowsInsert::NotSupported;
        }
    }
    // A few rows to a statement: one program start for all of them, and few texts to prepare.
    const auto parameters =
        static_cast<size_t>(sqlite3_limit(db_.get(), SQLITE_LIMIT_VARIABLE_NUMBER, -1));
    const size_t perStatement =
        std::max<size_t>(1, std::min(kRowsPerBoundInsert, parameters / columns.size()));
    sql += ") VALUES ";
    for (size_t at = 0; at < rows.size(); at += perStatement) {
        const size_t count = std::min(perStatement, rows.size() - at);
        std::string text = sql;
        for (size_t r = 0; r < count; ++r) text += (r ? ",(" : "(") + marks + ")";
        sqlite3_stmt* const statement = PreparedFor(text).statement.get();
        ResetOnExit reset(statement);
        int index = 0;
        for (size_t r = at; r < at + count; ++r) {
            for (const Value& value : rows[r])
                BindStoredValue(db_.get(), statement, ++index, value);
        }
        if (sqlite3_step(statement) != SQLITE_DONE) throw HostError(sqlite::LastError(db_.get()));
    }
    return RowsInsert::Inserted;
}

RecordsetPtr SqliteEngine::Query(const std::string& sql, Error* error) {
    Error ignored;
    Error& target = error ? *error : ignored;
    if (workThread_.IsCurrent()) {
        target = CalledInsideWork();
        return nullptr;
    }
    std::lock_guard lock(mutex_);
    try {
        RecordsetPtr rows;
        RunBatch(sql, &rows);
        if (!rows) target = Error{error_number::kDatabase, "该SQL没有返回记录"};
        return rows;
    } catch (...) {
        target = CurrentExceptionError();
    }
    return nullptr;
}

Outcome SqliteEngine::Execute(const std::string& sql) {
    if (workThread_.IsCurrent()) return Outcome::Failure(CalledInsideWork());
    std::lock_guard lock(mutex_);
    try {
        RunBatch(sql, nullptr);
        return Outcome::Success();
    } catch (...) {
        return Outcome::Failure(CurrentExceptionError());
    }
}

Outcome SqliteEngine::ExecuteAtomic(const std::vector<std::string>& batches) {
    std::vector<AtomicBatch> unguarded;
    unguarded.reserve(batches.size());
    for (const std::string& sql : batches) unguarded.push_back(AtomicBatch{sql, false});
    return Outcome{ExecuteAtomicGuarded(unguarded).error};
}

AtomicOutcome SqliteEngine::ExecuteAtomicGuarded(const std::vector<AtomicBatch>& batches) {
    if (workThread_.IsCurrent()) return {CalledInsideWork()};
    std::lock_guard lock(mutex_);
    try {
        RunFixed(begin_.get());
    } catch (const HostError& e) {
        return {e.error()};
    }
    AtomicOutcome outcome;
    try {
        for (const AtomicBatch& batch : batches) {
            int64_t changed = 0;
            RunBatch(batch.sql, nullptr, &changed);
            if (batch.mustChangeRows && changed == 0) {
                outcome.unchanged = true;
                RollBackIfOpen();
                return outcome;
            }
        }
        RunFixed(commit_.get());
        return outcome;
    } catch (...) {
        outcome.error = CurrentExceptionError();
    }
    RollBackIfOpen();
    return outcome;
}

TransactionOutcome SqliteEngine::RunTransaction(const TransactionWork& work, TransactionRetry) {
    if (workThread_.IsCurrent()) return {CalledInsideWork()};
    std::lock_guard lock(mutex_);
    try {
        RunFixed(begin_.get());
    } catch (const HostError& e) {
        return {e.error()};
    }
    ++transactions_;
    WorkThread::Claim claim(workThread_);
    TransactionOutcome outcome;
    try {
        Scope scope(*this);
        outcome.end = work(scope);
        if (outcome.end == TransactionEnd::Commit) {
            RunFixed(commit_.get());
            return outcome;
        }
    } catch (...) {
        outcome.error = CurrentExceptionError();
    }
    RollBackIfOpen();
    return outcome;
}

void SqliteEngine::RollBackIfOpen() {
    // A failed statement may already have ended the transaction itself.
    if (!sqlite3_get_autocommit(db_.get())) {
        sqlite3_reset(rollback_.get());
        sqlite3_step(rollback_.get());
        sqlite3_reset(rollback_.get());
    }
}

std::shared_ptr<DatabaseEngine> OpenSqliteEngine(const std::string& path) {
    return std::make_shared<SqliteEngine>(path);
}

}  // namespace q9
