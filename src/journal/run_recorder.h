#pragma once

// Writes a run's lines and master data as units of work that also tell what they changed, and
// keeps the run's journal in the same transactions when the account has the journal tables.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "convert/conversion_sql.h"
#include "host/gateway.h"
#include "host/window_state.h"
#include "journal/change_capture.h"
#include "journal/change_store.h"
#include "journal/journal_sql.h"

namespace q9 {

// The kind text of master-data changes.
inline constexpr const char* kMasterDataKind = "基础资料";

enum class JournalMode {
    Off,    // a dry run, or an account without the journal tables: nothing but the changes
    Write,  // the run's row and every changed value go into the journal
};

// Whether a unit of work writes the run's row as it will stand after it.
enum class RunRowWrite { Always, WhenDue };

class RunRecorder {
  public:
    // `clock` gives the time as the run table keeps times. Every thousandth line, and any line
    // half a minute after the row was last written, writes it as the run's end so far, with the
    // counts, which tells a run in progress from one that was cut off. The lines of a run cut off
    // are counted from its journal.
    // The run starts now. Its row, and with it its id, is written with its first unit of work,
    // so that no value is ever written without the journal; a run without any unit of work
    // leaves no row.
    RunRecorder(RunRecord run, JournalMode mode, std::function<std::string()> clock);

    // The line's backup row, rewrite and totals in one unit of work, rolled back as unchanged
    // when the rewrite changes no row; the values it changed are kept and journaled. Throws
    // HostError, writing nothing, once the list of changes could not keep a row.
    AtomicOutcome WriteLine(Gateway& gateway, DocumentKind kind, const std::string& billNo,
                            int32_t id, int32_t entryId, const LineStatements& line);

    // The master-data batch in one transaction, its changes kept and journaled.
    Outcome WriteMasterData(Gateway& gateway, const WindowState& state, const std::string& batch);

    void CountRefused() { ++run_.refused; }

    // The lines written from here on share one transaction: what they changed is kept only once
    // KeepGroup says it committed; DropGroup forgets them, as the account has.
    void BeginGroup();
    void KeepGroup();
    void DropGroup();

    Outcome Finish(Gateway& gateway, RunState state);

    // Every value the run changed so far.
    std::shared_ptr<const ChangeStore> changes() const { return changes_; }
    const RunRecord& run() const { return run_; }
    JournalMode mode() const { return mode_; }

  private:
    // Whether a line's unit of work also writes the run row as it will stand after it.
    bool RowDue(const RunRecord& after) const;
    // The journal rows of one unit of work and, when `rowWrite` asks for it, the run row as it
    // will stand after it (given its id by the first); whether the run row was written.
    bool Journal(TransactionScope& scope, int32_t line, const std::string& kind,
                 const std::string& billNo, const std::vector<ChangedValue>& values,
                 RunRecord& after, RunRowWrite rowWrite);

    RunRecord run_;
    JournalMode mode_;
    std::function<std::string()> clock_;
    int32_t nextLine_ = 1;
    RunRecord rowWritten_;  // the run's row as the journal holds it
    std::shared_ptr<ChangeStore> changes_ = std::make_shared<ChangeStore>();

    struct GroupStart {
        RunRecord run;
        RunRecord rowWritten;
        int32_t nextLine = 0;
    };
    std::optional<GroupStart> group_;
    std::vector<ChangeRow> grouped_;  // the changes of the open group
};

}  // namespace q9
