#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "host/db/sql_type.h"
#include "host/db/tsql_catalog.h"

namespace q9::tsql {

// A number or text literal of the tool's SQL, lifted out so that texts differing only in their
// literals share one translation and one prepared statement.
struct Literal {
    // Real: a number with a point (the host's exact decimal); Float: one with an exponent.
    enum class Kind { Integer, Real, Float, Text };
    Kind kind = Kind::Integer;
    std::string text;  // digits as written; for text the content without quotes
};

// The SQLite form of one T-SQL statement, with literals referred to by their index in the batch.
struct TranslatedStatement {
    // SQLite text with one "?" per entry of `parameters`, the index of its literal.
    std::string sql;
    std::vector<int> parameters;
    // The same text with "\x01N\x01" marks where literal N stands (see Render).
    std::string templateSql;
    // False for definitions and orderings, which cannot take parameters: run Render's text.
    bool bindLiterals = true;
    // Run only when this query yields no row (the host's IF NOT EXISTS(...)).
    std::shared_ptr<const TranslatedStatement> unlessExists;
    std::string keyword;  // the statement's first keyword in capitals, e.g. "UPDATE"
    // A query's result columns as the host server types them; empty when a '*' leaves them to
    // the columns' declarations.
    std::vector<SqlType> columnTypes;
};

struct TranslatedBatch {
    std::vector<TranslatedStatement> statements;
};

// The literals of a text and its shape: the text with every literal replaced by "?". Throws
// HostError for characters that the tool's SQL never holds.
struct Shape {
    std::string key;
    std::vector<Literal> literals;
};
Shape ShapeOf(std::string_view tsql);

// ShapeOf for a stream of texts most of which differ from a recent one only near their end, as
// a line's statements differ from the last line's in its keys: the common beginning is compared,
// not scanned again. Thread-compatible (callers serialise).
class RecentShapes {
  public:
    // Equal to ShapeOf(tsql).
    std::shared_ptr<const Shape> Of(std::string_view tsql);

    // Where a literal starts in the text, and the length of the key before its mark.
    struct Mark {
        size_t start = 0;
        size_t keyLength = 0;
    };

  private:
    struct Entry {
        std::string text;
        std::shared_ptr<const Shape> shape;
        std::vector<Mark> marks;
    };
    static constexpr size_t kEntries = 8;
    std::vector<Entry> entries_;
    size_t next_ = 0;  // the entry a text like none of them replaces
};

// Translates a batch of the tool's T-SQL for an account with these tables (none: every column
// of unknown type). Decimal arithmetic, comparisons, ROUND and aggregates are typed as the host
// server types them and computed exactly; assignments store values at their column's type.
// Throws HostError naming the first construct it does not handle; nothing is ever passed on
// untranslated.
TranslatedBatch Translate(std::string_view tsql, const Catalog* catalog = nullptr);

// The statement's SQLite text with the literals written in (for definitions, tests and logs);
// decimal literals as quoted text, as the engine binds them.
std::string Render(const TranslatedStatement& statement, const std::vector<Literal>& literals);

// Translate + Render of every statement: what the embedded engine runs, guards as "IF NOT
// EXISTS(...) " prefixes. For tests and diagnostics.
std::vector<std::string> TranslateToText(std::string_view tsql, const Catalog* catalog = nullptr);

// Translations by shape, bounded; thread-compatible (callers serialise).
class TranslationCache {
  public:
    explicit TranslationCache(size_t capacity = 512) : capacity_(capacity) {}
    // The translation of `shape.key`, translating `tsql` on a miss.
    std::shared_ptr<const TranslatedBatch> Get(std::string_view tsql, const Shape& shape);
    // The account's tables changed: translations made before are dropped.
    void SetCatalog(Catalog catalog);
    const Catalog& catalog() const { return catalog_; }
    size_t hits() const { return hits_; }
    size_t misses() const { return misses_; }

  private:
    size_t capacity_;
    Catalog catalog_;
    size_t hits_ = 0;
    size_t misses_ = 0;
    std::unordered_map<std::string, std::shared_ptr<const TranslatedBatch>> byShape_;
};

}  // namespace q9::tsql
