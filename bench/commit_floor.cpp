#include "commit_floor.h"

#include <cstdio>
#include <memory>
#include <vector>

#include "bench_support.h"
#include "journal/journal_sql.h"
#include "journal/sql_literal.h"
#include "journal/undo.h"

namespace q9::bench {

namespace {

struct ValueFree {
    void operator()(sqlite3_value* value) const { sqlite3_value_free(value); }
};
using OwnedValue = std::unique_ptr<sqlite3_value, ValueFree>;
using OwnedRow = std::vector<OwnedValue>;

OwnedRow CurrentRow(sqlite3_stmt* cursor, int from) {
    OwnedRow row;
    for (int c = from; c < sqlite3_column_count(cursor); ++c)
        row.emplace_back(sqlite3_value_dup(sqlite3_column_value(cursor, c)));
    return row;
}

void Step(sqlite3* db, sqlite3_stmt* statement) {
    if (const int rc = sqlite3_step(statement); rc != SQLITE_DONE && rc != SQLITE_ROW) {
        std::fprintf(stderr, "floor: %s\n", sqlite3_errmsg(db));
        std::exit(1);
    }
    sqlite3_reset(statement);
}

// A journal literal bound as the value it writes.
void BindLiteral(sqlite3_stmt* statement, int at, const std::string& literal) {
    if (literal == "NULL") {
        sqlite3_bind_null(statement, at);
        return;
    }
    const std::string text = LiteralDisplay(literal);
    sqlite3_bind_text(statement, at, text.c_str(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
}

std::string Placeholders(size_t count) {
    std::string text;
    for (size_t i = 0; i < count; ++i) text += i ? ",?" : "?";
    return text;
}

// One row's new values, told by the journal.
struct RowUpdate {
    std::string table;
    std::vector<std::pair<std::string, std::string>> keys;  // column, literal
    std::vector<std::pair<std::string, std::string>> values;
};

std::vector<std::pair<std::string, std::string>> KeyPairs(const std::string& keys) {
    std::vector<std::pair<std::string, std::string>> pairs;
    size_t at = 0;
    while (at < keys.size()) {
        size_t end = keys.find(';', at);
        if (end == std::string::npos) end = keys.size();
        const std::string pair = keys.substr(at, end - at);
        const size_t equals = pair.find('=');
        pairs.emplace_back(pair.substr(0, equals), pair.substr(equals + 1));
        at = end + 1;
    }
    return pairs;
}

const char* Text(sqlite3_stmt* cursor, int column) {
    const unsigned char* text = sqlite3_column_text(cursor, column);
    return text ? reinterpret_cast<const char*>(text) : "";
}

}  // namespace

CommitFloor::CommitFloor(const std::filesystem::path& converted,
                         const std::filesystem::path& untouched)
    : converted_(converted),
      from_(sqlite::OpenConnection(converted.string(), false)),
      to_(sqlite::OpenConnection(untouched.string(), false)) {}

std::optional<CommitFloor::Difference> CommitFloor::FirstDifference() {
    const sqlite::StatementPtr attach =
        sqlite::Prepare(to_.get(), "ATTACH DATABASE ? AS converted");
    const std::string path = converted_.string();
    sqlite3_bind_text(attach.get(), 1, path.c_str(), -1, SQLITE_TRANSIENT);
    Step(to_.get(), attach.get());
    const sqlite::StatementPtr tables = sqlite::Prepare(
        to_.get(), std::string("SELECT name FROM main.sqlite_master WHERE type='table' AND "
                               "name<>'") +
                       kRunTable + "' ORDER BY name");
    std::optional<Difference> found;
    while (!found && sqlite3_step(tables.get()) == SQLITE_ROW) {
        const std::string table = Text(tables.get(), 0);
        const std::string one = "SELECT * FROM main." + table,
                          other = "SELECT * FROM converted." + table;
        const sqlite::StatementPtr count = sqlite::Prepare(
            to_.get(), "SELECT (SELECT COUNT(*) FROM (" + one + " EXCEPT " + other +
                           "))+(SELECT COUNT(*) FROM (" + other + " EXCEPT " + one + "))");
        if (sqlite3_step(count.get()) != SQLITE_ROW) {
            std::fprintf(stderr, "floor: %s\n", sqlite3_errmsg(to_.get()));
            std::exit(1);
        }
        if (const long long rows = sqlite3_column_int64(count.get(), 0); rows != 0)
            found = Difference{table, rows};
    }
    return found;
}

sqlite3_stmt* CommitFloor::Statement(const std::string& sql) {
    sqlite::StatementPtr& statement = statements_[sql];
    if (!statement) statement = sqlite::Prepare(to_.get(), sql);
    return statement.get();
}

sqlite3_stmt* CommitFloor::NextBackup(const std::string& backupTable) {
    sqlite::StatementPtr& cursor = backupCursors_[backupTable];
    if (!cursor)
        cursor = sqlite::Prepare(from_.get(), "SELECT * FROM " + backupTable + " ORDER BY rowid");
    if (sqlite3_step(cursor.get()) != SQLITE_ROW) {
        std::fprintf(stderr, "floor: fewer backup rows in %s than lines\n", backupTable.c_str());
        std::exit(1);
    }
    return cursor.get();
}

double CommitFloor::Replay(const std::string& kindText, int& lines) {
    lines = 0;
    const sqlite::StatementPtr journal = sqlite::Prepare(
        from_.get(), std::string("SELECT FLine,FTable,FKeys,FColumn,FAfter,* FROM ") +
                         kJournalTable + " WHERE FKind=? ORDER BY FRunID,FLine,FSeq");
    sqlite3_bind_text(journal.get(), 1, kindText.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_stmt* begin = Statement("BEGIN IMMEDIATE");
    sqlite3_stmt* commit = Statement("COMMIT");
    sqlite3_stmt* journalInsert = nullptr;

    double seconds = 0;
    bool more = sqlite3_step(journal.get()) == SQLITE_ROW;
    while (more) {
        // Read the line's rows from the converted account: not timed.
        const int line = sqlite3_column_int(journal.get(), 0);
        std::vector<OwnedRow> journalRows;
        std::vector<RowUpdate> updates;
        while (more && sqlite3_column_int(journal.get(), 0) == line) {
            const std::string table = Text(journal.get(), 1);
            auto keys = KeyPairs(Text(journal.get(), 2));
            if (updates.empty() || updates.back().table != table || updates.back().keys != keys)
                updates.push_back({table, std::move(keys), {}});
            updates.back().values.emplace_back(Text(journal.get(), 3), Text(journal.get(), 4));
            journalRows.push_back(CurrentRow(journal.get(), 5));
            more = sqlite3_step(journal.get()) == SQLITE_ROW;
        }
        if (!journalInsert) {
            journalInsert = Statement(std::string("INSERT INTO ") + kJournalTable + " VALUES(" +
                                      Placeholders(journalRows.front().size()) + ")");
        }
        // The entry row's backup, made by the same transaction.
        const char* backupTable = nullptr;
        for (const RowUpdate& update : updates) {
            if (!backupTable) backupTable = BackupTableOf(update.table);
        }
        if (!backupTable) {
            std::fprintf(stderr, "floor: line %d of %s changes no entry\n", line, kindText.c_str());
            std::exit(1);
        }
        const OwnedRow backup = CurrentRow(NextBackup(backupTable), 0);
        sqlite3_stmt* backupInsert = Statement(std::string("INSERT INTO ") + backupTable +
                                               " VALUES(" + Placeholders(backup.size()) + ")");
        std::vector<sqlite3_stmt*> updateStatements;
        for (const RowUpdate& update : updates) {
            std::string sql = "UPDATE " + update.table + " SET ";
            for (size_t v = 0; v < update.values.size(); ++v)
                sql += (v ? "," : "") + update.values[v].first + "=?";
            for (size_t k = 0; k < update.keys.size(); ++k)
                sql += (k ? " AND " : " WHERE ") + update.keys[k].first + "=?";
            updateStatements.push_back(Statement(sql));
        }

        const auto start = Clock::now();
        Step(to_.get(), begin);
        for (size_t c = 0; c < backup.size(); ++c)
            sqlite3_bind_value(backupInsert, static_cast<int>(c) + 1, backup[c].get());
        Step(to_.get(), backupInsert);
        for (size_t u = 0; u < updates.size(); ++u) {
            int at = 0;
            for (const auto& [column, literal] : updates[u].values)
                BindLiteral(updateStatements[u], ++at, literal);
            for (const auto& [column, literal] : updates[u].keys)
                BindLiteral(updateStatements[u], ++at, literal);
            Step(to_.get(), updateStatements[u]);
        }
        for (const OwnedRow& row : journalRows) {
            for (size_t c = 0; c < row.size(); ++c)
                sqlite3_bind_value(journalInsert, static_cast<int>(c) + 1, row[c].get());
            Step(to_.get(), journalInsert);
        }
        Step(to_.get(), commit);
        seconds += SecondsSince(start);
        ++lines;
    }
    return seconds;
}

}  // namespace q9::bench
