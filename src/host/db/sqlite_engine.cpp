#include "host/db/sqlite_engine.h"

#include <charconv>

#include "host/db/engine_factory.h"
#include "host/db/exact_decimal.h"
#include "host/db/sqlite_catalog.h"

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

// A decimal reaches the tool as the host's driver hands it over: a double while 15 significant
// digits hold it exactly, its text beyond.
Value DecimalValue(sqlite3_stmt* statement, int column) {
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, column));
    const std::string_view digits(text ? text : "",
                                  static_cast<size_t>(sqlite3_column_bytes(statement, column)));
    const std::optional<decimal::Decimal> value = decimal::Parse(digits);
    if (!value) return Value(std::string(digits));
    if (decimal::SignificantDigits(*value) > 15) return Value(decimal::ToText(*value));
    if (value->IsZero()) return Value(0.0);
    // Exact in 15 digits: the stored text reads as the same double as its shortest form.
    double number = 0;
    const char* const last = digits.data() + digits.size();
    if (const auto read = std::from_chars(digits.data(), last, number);
        read.ec == std::errc{} && read.ptr == last) {
        return Value(number);
    }
    return Value(decimal::ToDouble(*value));
}

Value ColumnValue(sqlite3_stmt* statement, int column, bool decimal) {
    switch (sqlite3_column_type(statement, column)) {
        case SQLITE_INTEGER:
            if (decimal) return Value(static_cast<double>(sqlite3_column_int64(statement, column)));
            return Value(static_cast<int64_t>(sqlite3_column_int64(statement, column)));
        case SQLITE_FLOAT:
            return Value(sqlite3_column_double(statement, column));
        case SQLITE_NULL:
            return Value();
        default: {
            if (decimal) return DecimalValue(statement, column);
            const auto* text =
                reinterpret_cast<const char*>(sqlite3_column_text(statement, column));
            return Value(std::string(text ? text : "", sqlite3_column_bytes(statement, column)));
        }
    }
}

// Which result columns hold decimals: by the column's declaration where the value comes
// straight from one, else by the type the translation gave the expression.
std::vector<bool> DecimalColumns(sqlite3_stmt* statement, const tsql::TranslatedStatement& typed,
                                 std::unordered_map<std::string, bool>& declarations) {
    const int columns = sqlite3_column_count(statement);
    std::vector<bool> decimal(static_cast<size_t>(columns), false);
    for (int c = 0; c < columns; ++c) {
        const char* declared = sqlite3_column_decltype(statement, c);
        const size_t k = static_cast<size_t>(c);
        if (declared) {
            auto [found, added] = declarations.try_emplace(declared, false);
            if (added) {
                found->second = tsql::StoredColumnType(declared).Is(tsql::SqlType::Kind::Decimal);
            }
            decimal[k] = found->second;
        } else if (typed.columnTypes.size() == static_cast<size_t>(columns)) {
            decimal[k] = typed.columnTypes[k].Is(tsql::SqlType::Kind::Decimal);
        }
    }
    return decimal;
}

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

  protected:
    void SendControl(const std::string& sql) override {
        sqlite::ExecuteScript(engine_.db_.get(), sql);
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

sqlite3_stmt* SqliteEngine::PrepareBound(const tsql::TranslatedStatement& statement,
                                         const std::vector<tsql::Literal>& literals) {
    const std::string text =
        statement.bindLiterals ? statement.sql : tsql::Render(statement, literals);
    auto found = prepared_.find(text);
    if (found == prepared_.end()) {
        sqlite::StatementPtr fresh = sqlite::Prepare(db_.get(), text);
        if (prepared_.size() >= kPreparedCapacity) prepared_.clear();
        found = prepared_.emplace(text, std::move(fresh)).first;
    }
    sqlite3_stmt* prepared = found->second.get();
    sqlite3_reset(prepared);
    if (statement.bindLiterals) {
        for (size_t i = 0; i < statement.parameters.size(); ++i) {
            BindLiteral(db_.get(), prepared, static_cast<int>(i + 1),
                        literals.at(static_cast<size_t>(statement.parameters[i])));
        }
    }
    return prepared;
}

bool SqliteEngine::YieldsRow(sqlite3_stmt* statement) {
    ResetOnExit reset(statement);
    const int rc = sqlite3_step(statement);
    if (rc == SQLITE_ROW) return true;
    if (rc == SQLITE_DONE) return false;
    throw HostError(sqlite::LastError(db_.get()));
}

void SqliteEngine::Run(sqlite3_stmt* statement, const tsql::TranslatedStatement& typed,
                       RecordsetPtr* rows) {
    ResetOnExit reset(statement);
    const int columns = sqlite3_column_count(statement);
    const bool collect = rows && !*rows && columns > 0;
    std::vector<std::string> names;
    std::vector<Recordset::Row> collected;
    std::vector<bool> decimal;
    if (collect) {
        decimal = DecimalColumns(statement, typed, decimalDeclarations_);
        for (int c = 0; c < columns; ++c) {
            const char* name = sqlite3_column_name(statement, c);
            names.emplace_back(name ? name : "");
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
            row.push_back(ColumnValue(statement, c, decimal[static_cast<size_t>(c)]));
        collected.push_back(std::move(row));
    }
    if (collect) *rows = std::make_shared<Recordset>(std::move(names), std::move(collected));
}

void SqliteEngine::RunFixed(sqlite3_stmt* statement) {
    ResetOnExit reset(statement);
    if (sqlite3_step(statement) != SQLITE_DONE) throw HostError(sqlite::LastError(db_.get()));
}

void SqliteEngine::RunBatch(const std::string& sql, RecordsetPtr* rows, int64_t* changed,
                            int64_t* lastChanged) {
    const tsql::Shape shape = tsql::ShapeOf(sql);
    const std::shared_ptr<const tsql::TranslatedBatch> batch = translations_.Get(sql, shape);
    for (const tsql::TranslatedStatement& statement : batch->statements) {
        if (statement.unlessExists &&
            YieldsRow(PrepareBound(*statement.unlessExists, shape.literals))) {
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
