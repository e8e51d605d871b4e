#include "commit_floor.h"

#include <cstdio>
#include <memory>
#include <vector>

#include "bench_support.h"
#include "journal/journal_sql.h"

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

// A journal literal bound as the value it writes: NULL, N'text' or a number's digits.
void BindLiteral(sqlite3_stmt* statement, int at, const std::string& literal) {
    if (literal == "NULL") {
        sqlite3_bind_null(statement, at);
        return;
    }
    std::string text = literal;
    if (text.size() >= 3 && text.compare(0, 2, "N'") == 0) {
        text = text.substr(2, text.size() - 3);
        for (size_t quote = text.find("''"); quote != std::string::npos;
             quote = text.find("''", quote + 1))
            text.erase(quote, 1);
    }
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

long long CommitFloor::RowsDiffering(const std::string& table) {
    if (!attached_) {
        const sqlite::StatementPtr attach =
            sqlite::Prepare(to_.get(), "ATTACH DATABASE ? AS converted");
        const std::string path = converted_.string();
        sqlite3_bind_text(attach.get(), 1, path.c_str(), -1, SQLITE_TRANSIENT);
        Step(to_.get(), attach.get());
        attached_ = true;
    }
    const std::string one = "SELECT * FROM main." + table,
                      other = "SELECT * FROM converted." + table;
    const sqlite::StatementPtr count = sqlite::Prepare(
        to_.get(), "SELECT (SELECT COUNT(*) FROM (" + one + " EXCEPT " + other +
                       "))+(SELECT COUNT(*) FROM (" + other + " EXCEPT " + one + "))");
    if (sqlite3_step(count.get()) != SQLITE_ROW) {
        std::fprintf(stderr, "floor: %s\n", sqlite3_errmsg(to_.get()));
        std::exit(1);
    }
    return sqlite3_column_int64(count.get(), 0);
}

sqlite3_stmt* CommitFloor::Statement(const std::string& sql) {
    sqlite::StatementPtr& statement = statements_[sql];
    if (!statement) statement = sqlite::Prepare(to_.get(), sql);
    return statement.get();
}

double CommitFloor::Replay(const std::string& kindText, const std::string& backupTable,
                           int& lines) {
    lines = 0;
    const sqlite::StatementPtr journal = sqlite::Prepare(
        from_.get(), std::string("SELECT FLine,FTable,FKeys,FColumn,FAfter,* FROM ") +
                         kJournalTable + " WHERE FKind=? ORDER BY FRunID,FLine,FSeq");
    sqlite3_bind_text(journal.get(), 1, kindText.c_str(), -1, SQLITE_TRANSIENT);
    const sqlite::StatementPtr backups = sqlite::Prepare(
        from_.get(), "SELECT rowid,* FROM " + backupTable + " WHERE rowid>? ORDER BY rowid");
    sqlite3_bind_int64(backups.get(), 1, backupRowsTaken_[backupTable]);
    const int backupColumns = sqlite3_column_count(backups.get()) - 1;
    sqlite3_stmt* begin = Statement("BEGIN IMMEDIATE");
    sqlite3_stmt* commit = Statement("COMMIT");
    sqlite3_stmt* backupInsert = Statement("INSERT INTO " + backupTable + " VALUES(" +
                                           Placeholders(static_cast<size_t>(backupColumns)) + ")");
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
            const std::string keys = Text(journal.get(), 2);
            if (updates.empty() || updates.back().table != table ||
                updates.back().keys != KeyPairs(keys))
                updates.push_back({table, KeyPairs(keys), {}});
            updates.back().values.emplace_back(Text(journal.get(), 3), Text(journal.get(), 4));
            journalRows.push_back(CurrentRow(journal.get(), 5));
            more = sqlite3_step(journal.get()) == SQLITE_ROW;
        }
        if (!journalInsert) {
            journalInsert = Statement(std::string("INSERT INTO ") + kJournalTable + " VALUES(" +
                                      Placeholders(journalRows.front().size()) + ")");
        }
        if (sqlite3_step(backups.get()) != SQLITE_ROW) {
            std::fprintf(stderr, "floor: line %d of %s has no backup row\n", line,
                         kindText.c_str());
            std::exit(1);
        }
        backupRowsTaken_[backupTable] = sqlite3_column_int64(backups.get(), 0);
        const OwnedRow backup = CurrentRow(backups.get(), 1);
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
        for (int c = 0; c < backupColumns; ++c)
            sqlite3_bind_value(backupInsert, c + 1, backup[static_cast<size_t>(c)].get());
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
