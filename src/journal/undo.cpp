#include "journal/undo.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <optional>

#include "journal/change_capture.h"
#include "journal/sql_literal.h"

namespace q9 {

const char* BackupTableOf(const std::string& table) {
    if (EqualsIgnoringCase(table, "POOrderEntry")) return "POOrderEntryTaxRate";
    if (EqualsIgnoringCase(table, "SEOrderEntry")) return "SEOrderEntryTaxRate";
    if (EqualsIgnoringCase(table, "t_RPContractEntry")) return "t_rpContractEntryRate";
    return nullptr;
}

namespace {

std::string TextOf(const Recordset& rows, const char* field) {
    return TextOrEmpty(rows.Field(field));
}

int32_t NumberOf(const Recordset& rows, const char* field) {
    const Value& value = rows.Field(field);
    return value.IsNull() ? 0 : static_cast<int32_t>(value.NumberAsDouble());
}

bool IsName(const std::string& text) {
    if (text.empty() || std::isdigit(static_cast<unsigned char>(text[0]))) return false;
    for (char c : text) {
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_') return false;
    }
    return true;
}

Error Damaged(const std::string& what) {
    return CatalogError(error_number::kDatabase, "调整日志已损坏：%1", {what});
}

// "FInterID=1001;FEntryID=2" as the WHERE condition of the row, checked against the table's keys.
std::string KeyCondition(const std::string& table, const std::string& keys) {
    const std::vector<std::string>& columns = KeyColumns(table);
    std::string condition;
    size_t at = 0;
    for (size_t k = 0; k < columns.size(); ++k) {
        const size_t equals = keys.find('=', at);
        if (equals == std::string::npos || keys.compare(at, equals - at, columns[k]) != 0) {
            throw HostError(Damaged(table + " " + keys));
        }
        size_t end = equals + 1;
        if (keys.compare(end, 2, "N'") == 0) {
            end += 2;
            while (end < keys.size() &&
                   !(keys[end] == '\'' && (end + 1 >= keys.size() || keys[end + 1] != '\''))) {
                end += keys[end] == '\'' ? 2 : 1;
            }
            ++end;
        } else {
            end = std::min(keys.find(';', equals), keys.size());
        }
        const std::string literal = keys.substr(equals + 1, end - equals - 1);
        if (!IsSqlLiteral(literal) || literal == "NULL") {
            throw HostError(Damaged(table + " " + keys));
        }
        if (k > 0) condition += " AND ";
        condition += columns[k] + "=" + literal;
        at = end + 1;
        if (k + 1 == columns.size() && end != keys.size()) {
            throw HostError(Damaged(table + " " + keys));
        }
    }
    return condition;
}

struct JournalValue {
    int32_t seq = 0;
    std::string column, before, after;
};

// The values of one row of one table that a unit of work changed.
struct RowChange {
    std::string kind, billNo, table, keys;
    std::vector<JournalValue> values;
};

struct Line {
    int32_t number = 0;
    std::vector<RowChange> rows;
};

std::vector<Line> ReadLines(Gateway& gateway, int32_t runId) {
    Error error;
    RecordsetPtr rows = gateway.TryOpenRecordset(JournalRowsQuery(runId), &error);
    if (!rows) throw HostError(error);
    std::vector<Line> lines;
    for (; !rows->Eof(); rows->MoveNext()) {
        const int32_t number = NumberOf(*rows, "FLine");
        if (lines.empty() || lines.back().number != number) lines.push_back({number, {}});
        JournalValue value{NumberOf(*rows, "FSeq"), TextOf(*rows, "FColumn"),
                           TextOf(*rows, "FBefore"), TextOf(*rows, "FAfter")};
        if (!IsName(value.column) || !IsSqlLiteral(value.before) || !IsSqlLiteral(value.after)) {
            throw HostError(Damaged(std::to_string(number)));
        }
        const std::string table = TextOf(*rows, "FTable");
        const std::string keys = TextOf(*rows, "FKeys");
        std::vector<RowChange>& changes = lines.back().rows;
        if (changes.empty() || changes.back().table != table || changes.back().keys != keys) {
            changes.push_back({TextOf(*rows, "FKind"), TextOf(*rows, "FBillNo"), table, keys, {}});
        }
        changes.back().values.push_back(std::move(value));
    }
    return lines;
}

bool StillAsLeft(TransactionScope& scope, const RowChange& row) {
    std::string columns;
    for (const JournalValue& v : row.values) columns += (columns.empty() ? "" : ",") + v.column;
    RecordsetPtr present = scope.Query("SELECT " + columns + " FROM " + row.table + " WHERE " +
                                       KeyCondition(row.table, row.keys));
    if (present->RecordCount() != 1) return false;
    for (size_t i = 0; i < row.values.size(); ++i) {
        if (SqlLiteral(present->FieldAt(i)) != row.values[i].after) return false;
    }
    return true;
}

void PutBack(TransactionScope& scope, const RowChange& row) {
    std::string assignments;
    for (const JournalValue& v : row.values) {
        assignments += (assignments.empty() ? "" : ",") + v.column + "=" + v.before;
    }
    scope.Execute("UPDATE " + row.table + " SET " + assignments + " WHERE " +
                  KeyCondition(row.table, row.keys));
}

// The backup row the line's conversion made: same keys, and every column it holds either the
// value the line had before or left empty by the rule.
void RemoveBackupRow(TransactionScope& scope, const RowChange& row) {
    const char* backup = BackupTableOf(row.table);
    if (!backup) return;
    RecordsetPtr shape = scope.Query(std::string("SELECT * FROM ") + backup + " WHERE 1=0");
    std::string condition = KeyCondition(row.table, row.keys);
    for (const JournalValue& v : row.values) {
        if (!shape->HasField(v.column)) continue;
        condition += " AND (" + v.column + "=" + v.before + " OR " + v.column + " IS NULL)";
    }
    scope.Execute(std::string("DELETE FROM ") + backup + " WHERE " + condition);
}

std::vector<int32_t> Seqs(const RowChange& row) {
    std::vector<int32_t> seqs;
    for (const JournalValue& v : row.values) seqs.push_back(v.seq);
    return seqs;
}

RunRecord RunFrom(const Recordset& rows) {
    RunRecord run;
    run.id = NumberOf(rows, "FRunID");
    run.startTime = TextOf(rows, "FStartTime");
    run.endTime = TextOf(rows, "FEndTime");
    run.user = TextOf(rows, "FUser");
    run.account = TextOf(rows, "FAccount");
    run.profile = TextOf(rows, "FProfile");
    run.rule = TextOf(rows, "FRule");
    run.masterData = TextOf(rows, "FMasterData");
    run.lines = NumberOf(rows, "FLines");
    run.refused = NumberOf(rows, "FRefused");
    run.masterRows = NumberOf(rows, "FMasterRows");
    run.state = RunStateFromCode(TextOf(rows, "FState"));
    return run;
}

bool HasJournal(Gateway& gateway) {
    Error error;
    RecordsetPtr tables = gateway.TryOpenRecordset(JournalTablesQuery(), &error);
    if (!tables) throw HostError(error);
    return tables->RecordCount() == 2;
}

}  // namespace

RunState EffectiveState(const RunRecord& run, const std::string& now) {
    if (run.state != RunState::Running) return run.state;
    const std::optional<int64_t> last = RunTimeSeconds(run.endTime);
    const std::optional<int64_t> current = RunTimeSeconds(now);
    if (!last || !current) return RunState::Interrupted;
    return *current - *last > kRunningTimeoutSeconds ? RunState::Interrupted : RunState::Running;
}

std::vector<RunRecord> ListRuns(Gateway& gateway) {
    if (!HasJournal(gateway)) return {};
    Error error;
    RecordsetPtr rows = gateway.TryOpenRecordset(RunsQuery(), &error);
    if (!rows) throw HostError(error);
    std::vector<RunRecord> runs;
    for (; !rows->Eof(); rows->MoveNext()) runs.push_back(RunFrom(*rows));
    // A run's row is written every thousand lines or so; the journal knows the lines of one cut
    // off.
    for (RunRecord& run : runs) {
        if (run.state != RunState::Running) continue;
        RecordsetPtr lines = gateway.TryOpenRecordset(RunLinesQuery(run.id), &error);
        if (!lines) throw HostError(error);
        if (!lines->Eof()) run.lines = std::max(run.lines, NumberOf(*lines, "FLine"));
    }
    return runs;
}

UndoOutcome UndoRun(Gateway& gateway, int32_t runId, const std::string& now) {
    UndoOutcome outcome;
    try {
        if (!HasJournal(gateway)) return {UndoResult::NoJournal};
        std::optional<RunRecord> target;
        for (const RunRecord& run : ListRuns(gateway)) {
            if (EffectiveState(run, now) == RunState::Running) return {UndoResult::RunInProgress};
            if (run.id == runId) target = run;
        }
        if (!target) return {UndoResult::UnknownRun};
        if (target->state == RunState::Undone) return {UndoResult::AlreadyUndone};

        for (const Line& line : ReadLines(gateway, runId)) {
            std::vector<KeptLine> kept;
            int32_t restored = 0;
            const TransactionOutcome unit = gateway.RunTransaction(
                [&](TransactionScope& scope) {
                    kept.clear();
                    restored = 0;
                    for (const RowChange& row : line.rows) {
                        if (StillAsLeft(scope, row)) continue;
                        kept.push_back({row.kind, row.billNo, row.table, row.keys});
                        // A document line is one whole: changed anywhere, it stays as it is.
                        if (line.number > 0) return TransactionEnd::RollBack;
                    }
                    for (const RowChange& row : line.rows) {
                        if (line.number == 0 && !StillAsLeft(scope, row)) continue;
                        PutBack(scope, row);
                        RemoveBackupRow(scope, row);
                        scope.Execute(JournalValuesUndoneSql(runId, line.number, Seqs(row)));
                        if (line.number == 0) ++restored;
                    }
                    if (line.number > 0) restored = 1;
                    return TransactionEnd::Commit;
                },
                TransactionRetry::AfterLostConnection);
            if (unit.error.IsSet()) {
                outcome.result = UndoResult::Failed;
                outcome.error = unit.error;
                return outcome;
            }
            if (!unit.committed()) restored = 0;
            outcome.restored += restored;
            for (KeptLine& k : kept) outcome.kept.push_back(std::move(k));
        }
        target->state = RunState::Undone;
        const Outcome marked = gateway.Execute(RunUpdateSql(*target));
        if (!marked.ok()) {
            outcome.result = UndoResult::Failed;
            outcome.error = marked.error;
        }
    } catch (const HostError& e) {
        outcome.result = UndoResult::Failed;
        outcome.error = e.error();
    }
    return outcome;
}

}  // namespace q9
