#pragma once

// Undo of a journaled run: every line and master-data row whose present values are still the
// run's after-values goes back to its before-values, one transaction per line, its backup row
// going with it; whatever was changed since is listed and left alone.

#include <cstdint>
#include <string>
#include <vector>

#include "host/error.h"
#include "host/gateway.h"
#include "journal/journal_sql.h"

namespace q9 {

// The backup table of an entry table a conversion writes; null for any other table.
const char* BackupTableOf(const std::string& table);

// A run whose last write is older than this while it says it is running was cut off.
inline constexpr int kRunningTimeoutSeconds = 120;

// The state a run is in at `now`: a running run that stopped writing counts as interrupted.
RunState EffectiveState(const RunRecord& run, const std::string& now);

// The account's runs, newest first. Throws HostError; no journal tables gives no runs.
std::vector<RunRecord> ListRuns(Gateway& gateway);

enum class UndoResult {
    Done,
    NoJournal,      // the account has no journal: its runs cannot be undone
    UnknownRun,     // no run has that id
    AlreadyUndone,  // the run was undone before
    RunInProgress,  // a run is writing to the account now
    Failed,         // a statement failed; lines undone before it stay undone
    Declined,       // the operator answered the question with No: nothing was done
};

// A line or master-data row changed since the run: left as it is.
struct KeptLine {
    std::string kind;
    std::string billNo;
    std::string table;
    std::string keys;
};

struct UndoOutcome {
    UndoResult result = UndoResult::Done;
    int32_t restored = 0;  // lines and master-data rows put back
    std::vector<KeptLine> kept{};
    Error error{};  // Failed
};

// Undoes run `runId`; `now` as the run table keeps times. Lines already undone by an earlier,
// interrupted undo are not touched again.
UndoOutcome UndoRun(Gateway& gateway, int32_t runId, const std::string& now);

}  // namespace q9
