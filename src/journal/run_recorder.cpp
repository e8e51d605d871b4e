#include "journal/run_recorder.h"

#include <algorithm>
#include <optional>

#include "journal/undo.h"

namespace q9 {

namespace {

// SQL Server takes at most 1000 rows in one VALUES list.
constexpr size_t kRowsPerInsert = 500;

// Well within the time after which others take a silent run as cut off, and never a wall-clock
// matter in a short run, whose statements stay the same from one run to the next.
constexpr int32_t kLinesPerRowWrite = 1000;
constexpr int64_t kSecondsPerRowWrite = kRunningTimeoutSeconds / 4;

}  // namespace

RunRecorder::RunRecorder(RunRecord run, JournalMode mode, std::function<std::string()> clock)
    : run_(std::move(run)), mode_(mode), clock_(std::move(clock)) {
    run_.startTime = run_.endTime = clock_();
    run_.state = RunState::Running;
}

bool RunRecorder::Journal(TransactionScope& scope, int32_t line, const std::string& kind,
                          const std::string& billNo, const std::vector<ChangedValue>& values,
                          RunRecord& after, RunRowWrite rowWrite) {
    if (mode_ == JournalMode::Off) return false;
    // Each attempt of the unit asks again: a retried one may find another id free.
    const bool first = run_.id == 0;
    if (first) {
        const Value last = scope.Query(LastRunIdQuery())->Rows().at(0).at(0);
        after.id = last.IsNull() ? 1 : static_cast<int32_t>(last.NumberAsDouble()) + 1;
    }
    std::vector<std::vector<Value>> rows;
    rows.reserve(values.size());
    int32_t seq = 0;
    for (const ChangedValue& v : values) {
        rows.push_back(JournalValues(
            after.id, {line, ++seq, kind, billNo, v.table, v.keys, v.column, v.before, v.after}));
    }
    if (!rows.empty() &&
        scope.InsertRows(kJournalTable, JournalColumns(), rows) == RowsInsert::NotSupported) {
        for (size_t at = 0; at < rows.size(); at += kRowsPerInsert) {
            const size_t end = std::min(rows.size(), at + kRowsPerInsert);
            scope.Execute(JournalInsertSql({rows.begin() + static_cast<ptrdiff_t>(at),
                                            rows.begin() + static_cast<ptrdiff_t>(end)}));
        }
    }
    if (!first && rowWrite == RunRowWrite::WhenDue && !RowDue(after)) return false;
    scope.Execute(first ? RunInsertSql(after) : RunUpdateSql(after));
    return true;
}

bool RunRecorder::RowDue(const RunRecord& after) const {
    if (after.lines - rowWritten_.lines >= kLinesPerRowWrite) return true;
    const std::optional<int64_t> now = RunTimeSeconds(after.endTime);
    const std::optional<int64_t> written = RunTimeSeconds(rowWritten_.endTime);
    return !now || !written || *now - *written >= kSecondsPerRowWrite;
}

AtomicOutcome RunRecorder::WriteLine(Gateway& gateway, DocumentKind kind, const std::string& billNo,
                                     int32_t id, int32_t entryId, const LineStatements& line) {
    // A line converted now would be missing from the list.
    if (changes_->failure().IsSet()) throw HostError(changes_->failure());
    const std::vector<CaptureTarget> targets = LineTargets(kind, id, entryId, !line.totals.empty());
    const std::string kindText = KindText(kind);
    std::vector<ChangedValue> values;
    RunRecord after = run_;
    ++after.lines;
    after.endTime = clock_();
    bool rowWritten = false;
    const TransactionOutcome outcome = gateway.RunTransaction(
        [&](TransactionScope& scope) {
            TargetCapture capture(scope, targets);
            scope.Execute(line.backupInsert);
            // The line is no longer at its old rate, or lacks its header or material.
            if (scope.Execute(line.update) == 0) return TransactionEnd::RollBack;
            if (!line.totals.empty()) scope.Execute(line.totals);
            values = capture.Finish();
            rowWritten =
                Journal(scope, nextLine_, kindText, billNo, values, after, RunRowWrite::WhenDue);
            return TransactionEnd::Commit;
        },
        TransactionRetry::AfterLostConnection);
    AtomicOutcome result;
    result.error = outcome.error;
    result.unchanged = !outcome.error.IsSet() && !outcome.committed();
    if (outcome.committed()) {
        run_ = after;
        if (rowWritten) rowWritten_ = after;
        ++nextLine_;
        for (ChangedValue& v : values) {
            ChangeRow row{kindText, billNo, std::move(v)};
            if (group_) {
                grouped_.push_back(std::move(row));
            } else {
                changes_->Append(std::move(row));
            }
        }
    }
    return result;
}

void RunRecorder::BeginGroup() {
    group_ = GroupStart{run_, rowWritten_, nextLine_};
    grouped_.clear();
}

void RunRecorder::KeepGroup() {
    for (ChangeRow& row : grouped_) changes_->Append(std::move(row));
    grouped_.clear();
    group_.reset();
}

void RunRecorder::DropGroup() {
    if (group_) {
        run_ = group_->run;
        rowWritten_ = group_->rowWritten;
        nextLine_ = group_->nextLine;
    }
    grouped_.clear();
    group_.reset();
}

Outcome RunRecorder::WriteMasterData(Gateway& gateway, const WindowState& state,
                                     const std::string& batch) {
    const std::vector<CaptureTarget> targets = MasterDataTargets(state);
    std::vector<ChangedValue> values;
    RunRecord after = run_;
    after.endTime = clock_();
    bool rowWritten = false;
    const TransactionOutcome outcome = gateway.RunTransaction(
        [&](TransactionScope& scope) {
            const std::vector<RecordsetPtr> before = Capture(scope, targets);
            scope.Execute(batch);
            values = ChangedValues(targets, before, Capture(scope, targets));
            after.masterRows = run_.masterRows + static_cast<int32_t>(values.size());
            rowWritten = Journal(scope, 0, kMasterDataKind, "", values, after, RunRowWrite::Always);
            return TransactionEnd::Commit;
        },
        TransactionRetry::AfterLostConnection);
    if (!outcome.committed()) return Outcome::Failure(outcome.error);
    run_ = after;
    if (rowWritten) rowWritten_ = after;
    for (ChangedValue& v : values) changes_->Append({kMasterDataKind, "", std::move(v)});
    return Outcome::Success();
}

Outcome RunRecorder::Finish(Gateway& gateway, RunState state) {
    run_.state = state;
    run_.endTime = clock_();
    if (mode_ == JournalMode::Off || run_.id == 0) return Outcome::Success();
    return gateway.Execute(RunUpdateSql(run_));
}

}  // namespace q9
