#include "journal/change_capture.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <map>
#include <utility>

#include "journal/sql_literal.h"

namespace q9 {

namespace {

struct TableKeys {
    const char* table;
    std::vector<std::string> keys;
};

const std::vector<TableKeys>& WrittenTables() {
    static const std::vector<TableKeys> tables = {
        {"POOrderEntry", {"FInterID", "FEntryID"}},
        {"SEOrderEntry", {"FInterID", "FEntryID"}},
        {"t_RPContractEntry", {"FContractID", "FEntryID"}},
        {"t_RPContract", {"FContractID"}},
        {"t_RPContractScheme", {"FContractID", "FEntryID"}},
        {"t_ICItemMaterial", {"FItemID"}},
        {"t_Organization", {"FItemID"}},
        {"t_Supplier", {"FItemID"}},
        {"t_ItemPropDesc", {"FItemClassID", "FSQLColumnName"}},
    };
    return tables;
}

// Where the key columns stand in the rows.
std::vector<int> KeyIndexes(const Recordset& rows, const std::vector<std::string>& keys) {
    std::vector<int> indexes;
    for (const std::string& key : keys) {
        const int index = rows.FieldIndex(key);
        if (index < 0)
            throw HostError(CatalogError(error_number::kItemNotFound, "没有键列%1", {key}));
        indexes.push_back(index);
    }
    return indexes;
}

// "FInterID=1;FEntryID=2": a row's keys as the journal holds them.
std::string KeysText(const std::vector<std::string>& keys, const std::vector<int>& keyIndexes,
                     const Recordset::Row& row) {
    std::string text;
    for (size_t k = 0; k < keys.size(); ++k) {
        if (k > 0) text += ";";
        text += keys[k] + "=" + SqlLiteral(row[static_cast<size_t>(keyIndexes[k])]);
    }
    return text;
}

// Each row by its keys text.
std::map<std::string, size_t> RowsByKeys(const Recordset& rows,
                                         const std::vector<std::string>& keys) {
    const std::vector<int> keyIndexes = KeyIndexes(rows, keys);
    std::map<std::string, size_t> byKeys;
    for (size_t r = 0; r < rows.Rows().size(); ++r)
        byKeys.emplace(KeysText(keys, keyIndexes, rows.Rows()[r]), r);
    return byKeys;
}

// The rows of one prepared statement share their names.
bool SameNames(const Recordset& a, const Recordset& b) {
    return &a.FieldNames() == &b.FieldNames() || a.FieldNames() == b.FieldNames();
}

// Values that give the same literal without forming it: most of a row is unchanged.
bool SameValue(const Value& a, const Value& b) {
    if (a.kind() == Value::Kind::Floating && b.kind() == Value::Kind::Floating)
        return std::bit_cast<uint64_t>(a.AsFloating()) == std::bit_cast<uint64_t>(b.AsFloating());
    return a.kind() != Value::Kind::Object && a == b;
}

void AddRowChanges(const std::string& table, const std::string& keysText,
                   const std::vector<std::string>& names, const Recordset::Row& was,
                   const Recordset::Row& is, std::vector<ChangedValue>* changes) {
    for (size_t c = 0; c < was.size(); ++c) {
        if (SameValue(was[c], is[c])) continue;
        const std::string beforeText = SqlLiteral(was[c]);
        std::string afterText = SqlLiteral(is[c]);
        if (beforeText == afterText) continue;
        changes->push_back({table, keysText, names[c], beforeText, std::move(afterText)});
    }
}

// A line's own row, read once before and once after: no look-up by keys needed when its keys
// stayed as they were.
bool AddSingleRowChanges(const std::string& table, const std::vector<std::string>& keys,
                         const Recordset& oldRows, const Recordset& newRows,
                         std::vector<ChangedValue>* changes) {
    if (oldRows.Rows().size() != 1 || newRows.Rows().size() != 1 || !SameNames(oldRows, newRows)) {
        return false;
    }
    const std::vector<int> keyIndexes = KeyIndexes(oldRows, keys);
    const Recordset::Row& was = oldRows.Rows().front();
    const Recordset::Row& is = newRows.Rows().front();
    for (const int k : keyIndexes) {
        if (!SameValue(was[static_cast<size_t>(k)], is[static_cast<size_t>(k)])) return false;
    }
    AddRowChanges(table, KeysText(keys, keyIndexes, was), oldRows.FieldNames(), was, is, changes);
    return true;
}

}  // namespace

std::string EntryTable(DocumentKind kind) {
    switch (kind) {
        case DocumentKind::PurchaseOrder:
            return "POOrderEntry";
        case DocumentKind::SalesOrder:
            return "SEOrderEntry";
        case DocumentKind::PayableContract:
        case DocumentKind::ReceivableContract:
            break;
    }
    return "t_RPContractEntry";
}

const std::vector<std::string>& KeyColumns(const std::string& table) {
    for (const TableKeys& t : WrittenTables()) {
        if (EqualsIgnoringCase(t.table, table)) return t.keys;
    }
    throw HostError(CatalogError(error_number::kItemNotFound, "本工具不修改表%1", {table}));
}

std::string CaptureQuery(const CaptureTarget& target) {
    return "SELECT * FROM " + target.table + " WHERE " + target.condition;
}

std::vector<CaptureTarget> LineTargets(DocumentKind kind, int32_t id, int32_t entryId,
                                       bool withTotals) {
    const std::string table = EntryTable(kind);
    const std::string idColumn = KeyColumns(table).front();
    std::vector<CaptureTarget> targets{
        {table,
         idColumn + "=" + std::to_string(id) + " AND FEntryID=" + std::to_string(entryId),
         {{idColumn, id}, {"FEntryID", entryId}}}};
    if (withTotals) {
        targets.push_back(
            {"t_RPContract", "FContractID=" + std::to_string(id), {{"FContractID", id}}});
        targets.push_back(
            {"t_RPContractScheme", "FContractID=" + std::to_string(id), {{"FContractID", id}}});
    }
    return targets;
}

std::vector<CaptureTarget> MasterDataTargets(const WindowState& state) {
    std::vector<CaptureTarget> targets;
    if (!state.AnyRateSelected()) return targets;
    const struct {
        CheckValue WindowState::*box;
        const char* table;
        int itemClass;
    } kinds[] = {{&WindowState::chkItem, "t_ICItemMaterial", 4},
                 {&WindowState::chkCust, "t_Organization", 1},
                 {&WindowState::chkSupply, "t_Supplier", 8}};
    for (const auto& kind : kinds) {
        if (!IsTicked(state.*kind.box)) continue;
        // The whole table: the rows a rate change moves must be found again afterwards.
        targets.push_back({kind.table, "1=1"});
        targets.push_back({"t_ItemPropDesc", "FItemClassID=" + std::to_string(kind.itemClass)});
    }
    return targets;
}

std::vector<RecordsetPtr> Capture(TransactionScope& scope,
                                  const std::vector<CaptureTarget>& targets) {
    std::vector<RecordsetPtr> captured;
    captured.reserve(targets.size());
    for (const CaptureTarget& target : targets)
        captured.push_back(scope.Query(CaptureQuery(target)));
    return captured;
}

namespace {

// Filters for the engine to watch, or none when a target is not a matter of equal columns.
std::vector<RowFilter> FiltersOf(const std::vector<CaptureTarget>& targets) {
    std::vector<RowFilter> filters;
    for (const CaptureTarget& target : targets) {
        if (target.equal.empty()) return {};
        filters.push_back({target.table, target.equal, KeyColumns(target.table)});
    }
    return filters;
}

}  // namespace

TargetCapture::TargetCapture(TransactionScope& scope, const std::vector<CaptureTarget>& targets)
    : scope_(scope), targets_(targets), watch_(scope.WatchChanges(FiltersOf(targets))) {
    if (!watch_) before_ = Capture(scope, targets);
}

std::vector<ChangedValue> TargetCapture::Finish() {
    if (!watch_) return ChangedValues(targets_, before_, Capture(scope_, targets_));
    std::vector<RecordsetPtr> before;
    std::vector<RecordsetPtr> after;
    for (WatchedRows& rows : watch_->Take()) {
        before.push_back(std::move(rows.before));
        after.push_back(std::move(rows.after));
    }
    watch_.reset();
    return ChangedValues(targets_, before, after);
}

std::vector<ChangedValue> ChangedValues(const std::vector<CaptureTarget>& targets,
                                        const std::vector<RecordsetPtr>& before,
                                        const std::vector<RecordsetPtr>& after) {
    std::vector<ChangedValue> changes;
    changes.reserve(16);  // a line changes about ten values
    for (size_t t = 0; t < targets.size(); ++t) {
        const std::string& table = targets[t].table;
        const std::vector<std::string>& keys = KeyColumns(table);
        const Recordset& oldRows = *before.at(t);
        const Recordset& newRows = *after.at(t);
        if (AddSingleRowChanges(table, keys, oldRows, newRows, &changes)) continue;
        const std::map<std::string, size_t> now = RowsByKeys(newRows, keys);
        const std::map<std::string, size_t> old = RowsByKeys(oldRows, keys);
        if (old.size() != now.size() || !SameNames(oldRows, newRows)) {
            throw HostError(
                CatalogError(error_number::kDatabase, "修改期间表%1的行有增减", {table}));
        }
        // In the order the rows were read.
        std::vector<std::pair<size_t, const std::string*>> order;
        for (const auto& [keysText, row] : old) order.emplace_back(row, &keysText);
        std::sort(order.begin(), order.end());
        for (const auto& [row, keysText] : order) {
            const auto found = now.find(*keysText);
            if (found == now.end()) {
                throw HostError(CatalogError(error_number::kDatabase, "修改期间表%1的行%2不见了",
                                             {table, *keysText}));
            }
            AddRowChanges(table, *keysText, oldRows.FieldNames(), oldRows.Rows()[row],
                          newRows.Rows()[found->second], &changes);
        }
    }
    return changes;
}

}  // namespace q9
