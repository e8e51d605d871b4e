// Any text as the tool's T-SQL: the translator must answer a translation or a database error,
// nothing else; every translated statement, typed by the host schema's decimal columns, must be
// exactly one SQLite statement, and it must run (or fail cleanly) on the host schema inside a
// transaction that is rolled back.
#include <sqlite3.h>

#include <cstdint>
#include <memory>
#include <new>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "host/db/host_schema.h"
#include "host/db/sqlite_catalog.h"
#include "host/db/sqlite_handles.h"
#include "host/db/tsql_tokens.h"
#include "host/db/tsql_translator.h"
#include "host/error.h"

namespace {

// The tool's texts are a few kilobytes; longer inputs only slow the search down.
constexpr size_t kMaxInput = 8192;
constexpr int kMaxSteps = 64;
// Virtual-machine steps between progress calls and calls before a statement is interrupted.
constexpr int kProgressPeriod = 1000;
constexpr int kProgressBudget = 200;

// The backup tables the tool's start-up batch creates, so that its INSERTs reach real tables.
constexpr const char* kBackupTables =
    "CREATE TABLE POOrderEntryTaxRate(FInterID INT,FEntryID INT,FCess DECIMAL(23,10),FTaxAmount "
    "DECIMAL(23,10),FAmount DECIMAL(23,10),FAuxPrice DECIMAL(23,10),FPrice DECIMAL(23,10),"
    "FAuxTaxPrice DECIMAL(23,10),FTaxPrice DECIMAL(23,10),FAuxPriceDiscount DECIMAL(23,10),"
    "FPriceDiscount DECIMAL(23,10),FAllAmount DECIMAL(23,10),FDescount DECIMAL(23,10)) "
    "CREATE TABLE SEOrderEntryTaxRate(FInterID INT,FEntryID INT,FCess DECIMAL(23,10),FTaxAmt "
    "DECIMAL(23,10),FAmount DECIMAL(23,10),FAuxPrice DECIMAL(23,10),FPrice DECIMAL(23,10),"
    "FAuxTaxPrice DECIMAL(23,10),FTaxPrice DECIMAL(23,10),FAuxPriceDiscount DECIMAL(23,10),"
    "FPriceDiscount DECIMAL(23,10),FTaxAmount DECIMAL(23,10),FAllAmount DECIMAL(23,10),"
    "FAllStdAmount DECIMAL(23,10)) "
    "CREATE TABLE t_rpContractEntryRate(FContractID INT,FEntryID INT,FTaxRate DECIMAL(23,10),"
    "FAmount DECIMAL(23,10),FAmountFor DECIMAL(23,10),FTaxFor DECIMAL(23,10),FTax "
    "DECIMAL(23,10),FPriceFor DECIMAL(23,10),FPrice DECIMAL(23,10),FTaxPriceFor DECIMAL(23,10),"
    "FTaxPrice DECIMAL(23,10),FAmountIncludeTaxFor DECIMAL(23,10),FAmountIncludeTax "
    "DECIMAL(23,10))";
constexpr const char* kSysObjects =
    "CREATE TEMP VIEW sysobjects AS SELECT name COLLATE NOCASE AS name, CASE type WHEN 'table' "
    "THEN 'U' ELSE 'V' END COLLATE NOCASE AS xtype FROM main.sqlite_master WHERE type IN "
    "('table','view');";

int CountProgress(void* calls) {
    return ++*static_cast<int*>(calls) > kProgressBudget ? 1 : 0;
}

struct Database {
    q9::sqlite::ConnectionPtr db;
    q9::tsql::Catalog catalog;
    int progressCalls = 0;
};

Database& AccountDatabase() {
    static Database database;
    if (!database.db) {
        sqlite3_hard_heap_limit64(256LL << 20);
        database.db = q9::sqlite::OpenConnection(":memory:", true);
        sqlite3* db = database.db.get();
        q9::CreateHostSchema(db);
        const q9::tsql::Shape backup = q9::tsql::ShapeOf(kBackupTables);
        for (const auto& statement : q9::tsql::Translate(kBackupTables).statements)
            q9::sqlite::ExecuteScript(db, q9::tsql::Render(statement, backup.literals));
        q9::sqlite::ExecuteScript(db, kSysObjects);
        // Typed by the account's real columns, as the engine translates.
        database.catalog = q9::sqlite::ReadCatalog(db);
        sqlite3_limit(db, SQLITE_LIMIT_LENGTH, 1 << 20);
        sqlite3_limit(db, SQLITE_LIMIT_SQL_LENGTH, 1 << 16);
        sqlite3_limit(db, SQLITE_LIMIT_EXPR_DEPTH, 200);
        sqlite3_progress_handler(db, kProgressPeriod, CountProgress, &database.progressCalls);
    }
    return database;
}

bool IsBlank(std::string_view text) {
    for (char c : text) {
        if (c != ' ' && c != '\t' && c != '\r' && c != '\n') return false;
    }
    return true;
}

// Prepares and steps one translated statement; true when it yielded a row.
bool RunStatement(sqlite3* db, const std::string& text) {
    sqlite3_stmt* raw = nullptr;
    const char* tail = nullptr;
    const int rc = sqlite3_prepare_v2(db, text.c_str(), static_cast<int>(text.size()), &raw, &tail);
    q9::sqlite::StatementPtr statement(raw);
    // A translation that SQLite reads as two statements would run text nobody translated.
    if (rc == SQLITE_OK && tail && !IsBlank(tail)) __builtin_trap();
    if (rc != SQLITE_OK || !statement) return false;
    bool yielded = false;
    for (int step = 0; step < kMaxSteps; ++step) {
        const int stepped = sqlite3_step(statement.get());
        if (stepped != SQLITE_ROW) break;
        yielded = true;
    }
    return yielded;
}

void RunTranslated(const q9::tsql::TranslatedBatch& batch,
                   const std::vector<q9::tsql::Literal>& literals) {
    Database& database = AccountDatabase();
    sqlite3* db = database.db.get();
    database.progressCalls = 0;
    if (sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr) != SQLITE_OK) __builtin_trap();
    for (const q9::tsql::TranslatedStatement& statement : batch.statements) {
        if (statement.unlessExists &&
            RunStatement(db, q9::tsql::Render(*statement.unlessExists, literals))) {
            continue;
        }
        RunStatement(db, q9::tsql::Render(statement, literals));
    }
    if (!sqlite3_get_autocommit(db)) sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
    // Nothing of the input may outlive its transaction.
    if (!sqlite3_get_autocommit(db)) __builtin_trap();
}

void CheckStatement(const q9::tsql::TranslatedStatement& statement, size_t literalCount) {
    // The bound form: one "?" per parameter, each naming a literal of the text.
    size_t marks = 0;
    bool quotedName = false;
    for (char c : statement.sql) {
        if (c == '"') quotedName = !quotedName;
        if (c == '?' && !quotedName) ++marks;
    }
    if (statement.bindLiterals && marks != statement.parameters.size()) __builtin_trap();
    for (int parameter : statement.parameters) {
        if (parameter < 0 || static_cast<size_t>(parameter) >= literalCount) __builtin_trap();
    }
    if (statement.unlessExists) CheckStatement(*statement.unlessExists, literalCount);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > kMaxInput) return 0;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    try {
        const q9::tsql::Shape shape = q9::tsql::ShapeOf(text);
        // The shape's scan skips what cannot hold a literal; the translation numbers the
        // literals of the full scan, and the shape's are the ones bound.
        std::vector<q9::tsql::Literal> tokenized;
        try {
            (void)q9::tsql::Tokenize(text, &tokenized);
        } catch (const q9::HostError&) {
            __builtin_trap();  // one scan refused what the other took
        }
        if (tokenized.size() != shape.literals.size()) __builtin_trap();
        // Each input is a mutation of earlier ones: the remembered shapes resume their scans
        // where the texts part, and must come to the same shape.
        static q9::tsql::RecentShapes recent;
        const std::shared_ptr<const q9::tsql::Shape> resumed = recent.Of(text);
        if (resumed->key != shape.key || resumed->literals.size() != shape.literals.size())
            __builtin_trap();
        for (size_t i = 0; i < shape.literals.size(); ++i) {
            if (resumed->literals[i].kind != shape.literals[i].kind ||
                resumed->literals[i].text != shape.literals[i].text) {
                __builtin_trap();
            }
        }
        for (size_t i = 0; i < tokenized.size(); ++i) {
            if (tokenized[i].kind != shape.literals[i].kind ||
                tokenized[i].text != shape.literals[i].text) {
                __builtin_trap();
            }
        }
        q9::tsql::TranslationCache cache(4);
        cache.SetCatalog(AccountDatabase().catalog);
        const std::shared_ptr<const q9::tsql::TranslatedBatch> batch = cache.Get(text, shape);
        // The same shape must come back from the cache, not be translated again.
        if (cache.Get(text, shape) != batch || cache.hits() != 1) __builtin_trap();
        for (const q9::tsql::TranslatedStatement& statement : batch->statements)
            CheckStatement(statement, shape.literals.size());
        (void)q9::tsql::TranslateToText(text);
        (void)q9::tsql::TranslateToText(text, &AccountDatabase().catalog);
        RunTranslated(*batch, shape.literals);
    } catch (const q9::HostError& error) {
        if (error.error().number != q9::error_number::kDatabase) __builtin_trap();
    } catch (const std::bad_alloc&) {
        __builtin_trap();
    } catch (const std::logic_error&) {
        // stoi/at on a mark the translator wrote itself: a translator fault.
        __builtin_trap();
    }
    return 0;
}
