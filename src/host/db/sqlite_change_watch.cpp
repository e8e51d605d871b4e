// SQLite declares its pre-update hook only for those who ask; Debian's library has it.
#if Q9_HAVE_PREUPDATE_HOOK
#define SQLITE_ENABLE_PREUPDATE_HOOK 1
#endif
#include <sqlite3.h>

#include <cstring>
#include <exception>
#include <map>

#include "host/db/sqlite_engine.h"
#include "host/db/sqlite_value.h"
#include "host/db/tsql_tokens.h"

namespace q9 {

#if Q9_HAVE_PREUPDATE_HOOK

// The rows of a line, told by SQLite as its statements change them: no reading of them before
// and after, which cost a quarter of a line's time.
class SqliteEngine::ChangeWatcher final : public ChangeWatch {
  public:
    ChangeWatcher(SqliteEngine& engine, const std::vector<RowFilter>& filters) : engine_(engine) {
        for (const RowFilter& filter : filters) {
            Prepared& shape =
                engine.PreparedFor("SELECT * FROM " + tsql::QuotedName(filter.table) + " WHERE 0");
            // Inside one transaction only this connection can change a table, and that expires
            // its statements: read once a transaction, stepped so that SQLite sees a new schema.
            if (shape.shapeReadIn != engine.transactions_ ||
                sqlite3_expired(shape.statement.get())) {
                (void)engine.YieldsRow(shape.statement.get());
                engine.Describe(shape);
                shape.shapeReadIn = engine.transactions_;
            }
            Table table{filter.table, shape.names, {}, {}, {}, {}};
            for (signed char d : shape.declaredDecimal) table.decimal.push_back(d == 1);
            const auto indexOf = [&](const std::string& column) {
                const int index = NameIndex(*shape.names, column);
                if (index < 0) {
                    throw HostError(
                        CatalogError(error_number::kItemNotFound, "没有键列%1", {column}));
                }
                return index;
            };
            table.key.assign(table.decimal.size(), false);
            for (const std::string& column : filter.keys)
                table.key[static_cast<size_t>(indexOf(column))] = true;
            for (const auto& [column, value] : filter.equal)
                table.equal.emplace_back(indexOf(column), value);
            tables_.push_back(std::move(table));
        }
        engine_.watching_ = true;
        sqlite3_preupdate_hook(engine_.db_.get(), &ChangeWatcher::OnChange, this);
    }

    ~ChangeWatcher() override {
        sqlite3_preupdate_hook(engine_.db_.get(), nullptr, nullptr);
        engine_.watching_ = false;
    }

    ChangeWatcher(const ChangeWatcher&) = delete;
    ChangeWatcher& operator=(const ChangeWatcher&) = delete;

    std::vector<WatchedRows> Take() override {
        if (failure_.IsSet()) throw HostError(failure_);
        std::vector<WatchedRows> taken;
        for (Table& table : tables_) {
            std::vector<Recordset::Row> before;
            std::vector<Recordset::Row> after;
            for (auto& [rowid, row] : table.rows) {
                if (row.hadBefore) before.push_back(std::move(row.before));
                if (row.hasAfter) after.push_back(std::move(row.after));
            }
            table.rows.clear();
            taken.push_back({std::make_shared<Recordset>(table.names, std::move(before)),
                             std::make_shared<Recordset>(table.names, std::move(after))});
        }
        return taken;
    }

  private:
    struct Changed {
        bool hadBefore = false;
        bool hasAfter = false;
        Recordset::Row before;
        Recordset::Row after;
        // Of a row updated in place, the columns read so far; the others are null in both.
        // Empty when both rows are whole.
        std::vector<bool> read;
    };
    struct Table {
        std::string name;
        Recordset::FieldNameList names;
        std::vector<bool> decimal;
        std::vector<bool> key;
        std::vector<std::pair<int, int64_t>> equal;  // column, value
        std::map<sqlite3_int64, Changed> rows;       // by rowid, as a plain read finds them
    };
    using ReadValue = int (*)(sqlite3*, int, sqlite3_value**);

    static void OnChange(void* self, sqlite3* db, int op, const char* database, const char* table,
                         sqlite3_int64 oldKey, sqlite3_int64 newKey) {
        auto* watcher = static_cast<ChangeWatcher*>(self);
        // Nothing may be thrown through SQLite: kept for Take.
        try {
            watcher->Record(db, op, database, table, oldKey, newKey);
        } catch (const HostError& e) {
            if (!watcher->failure_.IsSet()) watcher->failure_ = e.error();
        } catch (const std::exception&) {
            if (!watcher->failure_.IsSet()) {
                watcher->failure_ =
                    CatalogError(error_number::kDatabase, "不能记下表%1修改的行", {table});
            }
        }
    }

    static bool Matches(sqlite3* db, ReadValue read, const Table& table) {
        for (const auto& [column, wanted] : table.equal) {
            sqlite3_value* value = nullptr;
            if (read(db, column, &value) != SQLITE_OK || !value) return false;
            const int type = sqlite3_value_type(value);
            if (type == SQLITE_INTEGER ? sqlite3_value_int64(value) != wanted
                : type == SQLITE_FLOAT ? sqlite3_value_double(value) != static_cast<double>(wanted)
                                       : true) {
                return false;
            }
        }
        return true;
    }

    static sqlite3_value* Column(sqlite3* db, ReadValue read, size_t column) {
        sqlite3_value* value = nullptr;
        if (read(db, static_cast<int>(column), &value) != SQLITE_OK || !value)
            throw HostError(sqlite::LastError(db));
        return value;
    }

    static Recordset::Row ReadRow(sqlite3* db, ReadValue read, const Table& table) {
        Recordset::Row row;
        row.reserve(table.decimal.size());
        for (size_t c = 0; c < table.decimal.size(); ++c)
            row.push_back(StoredValue(Column(db, read, c), table.decimal[c]));
        return row;
    }

    // Bytes alike: the same value read alike.
    static bool SameStored(sqlite3_value* a, sqlite3_value* b) {
        const int type = sqlite3_value_type(a);
        if (type != sqlite3_value_type(b)) return false;
        switch (type) {
            case SQLITE_NULL:
                return true;
            case SQLITE_INTEGER:
                return sqlite3_value_int64(a) == sqlite3_value_int64(b);
            case SQLITE_FLOAT: {
                const double x = sqlite3_value_double(a);
                const double y = sqlite3_value_double(b);
                return std::memcmp(&x, &y, sizeof x) == 0;
            }
            default: {
                const void* x = sqlite3_value_blob(a);
                const int size = sqlite3_value_bytes(a);
                const void* y = sqlite3_value_blob(b);
                return size == sqlite3_value_bytes(b) &&
                       (size == 0 || std::memcmp(x, y, size) == 0);
            }
        }
    }

    // An update of a row that stays in place: only the keys and the columns it changes are
    // converted, most of a row being left as it was. A column changed first now held its first
    // value until now.
    static void ReadUpdate(sqlite3* db, const Table& table, Changed& row) {
        const size_t columns = table.decimal.size();
        if (row.read.empty()) {
            row.read.assign(columns, false);
            row.before.assign(columns, Value());
            row.after.assign(columns, Value());
        }
        for (size_t c = 0; c < columns; ++c) {
            sqlite3_value* was = Column(db, sqlite3_preupdate_old, c);
            sqlite3_value* is = Column(db, sqlite3_preupdate_new, c);
            const bool same = SameStored(was, is);
            if (!row.read[c]) {
                if (same && !table.key[c]) continue;
                row.before[c] = StoredValue(was, table.decimal[c]);
                row.after[c] = same ? row.before[c] : StoredValue(is, table.decimal[c]);
                row.read[c] = true;
            } else if (!same) {
                row.after[c] = StoredValue(is, table.decimal[c]);
            }
        }
        row.hasAfter = true;
    }

    // The columns of a row updated in place that were never read: as they were, since nothing
    // changed them.
    static void ReadRest(sqlite3* db, const Table& table, Changed& row) {
        for (size_t c = 0; c < row.read.size(); ++c) {
            if (row.read[c]) continue;
            row.before[c] = StoredValue(Column(db, sqlite3_preupdate_old, c), table.decimal[c]);
        }
        row.read.clear();
    }

    void Record(sqlite3* db, int op, const char* database, const char* name, sqlite3_int64 oldKey,
                sqlite3_int64 newKey) {
        if (std::strcmp(database, "main") != 0) return;
        for (Table& table : tables_) {
            if (!EqualsIgnoringCase(table.name, name)) continue;
            if (sqlite3_preupdate_count(db) != static_cast<int>(table.decimal.size())) {
                throw HostError(
                    CatalogError(error_number::kDatabase, "修改期间表%1的列有变", {table.name}));
            }
            const bool oldMatch = op != SQLITE_INSERT && Matches(db, sqlite3_preupdate_old, table);
            const bool newMatch = op != SQLITE_DELETE && Matches(db, sqlite3_preupdate_new, table);
            if (!oldMatch && !newMatch) continue;
            auto found = table.rows.find(oldKey);
            const bool fresh = found == table.rows.end();
            if (fresh) {
                found = table.rows.emplace(oldKey, Changed{}).first;
                found->second.hadBefore = oldMatch;
            }
            Changed& row = found->second;
            const bool partial = !row.read.empty();
            if (op == SQLITE_UPDATE && oldMatch && newMatch && (fresh || partial)) {
                ReadUpdate(db, table, row);
            } else {
                if (partial) ReadRest(db, table, row);  // it goes: its row before in whole
                if (fresh && oldMatch) row.before = ReadRow(db, sqlite3_preupdate_old, table);
                row.hasAfter = newMatch;
                row.after = newMatch ? ReadRow(db, sqlite3_preupdate_new, table) : Recordset::Row{};
            }
            if (op == SQLITE_UPDATE && newKey != oldKey) {
                Changed moved = std::move(row);
                table.rows.erase(found);
                table.rows[newKey] = std::move(moved);
            }
        }
    }

    SqliteEngine& engine_;
    std::vector<Table> tables_;
    Error failure_;
};

std::unique_ptr<ChangeWatch> SqliteEngine::Watch(const std::vector<RowFilter>& filters) {
    if (filters.empty() || watching_) return nullptr;
    return std::make_unique<ChangeWatcher>(*this, filters);
}

#else

std::unique_ptr<ChangeWatch> SqliteEngine::Watch(const std::vector<RowFilter>&) {
    return nullptr;
}

#endif

}  // namespace q9
