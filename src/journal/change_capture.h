#pragma once

// What a unit of work changed, told by the database itself: the rows it may write are watched
// by the engine as it changes them (or, where it cannot, read before and after) inside its
// transaction, and every value that differs is one change.

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "host/db/database_engine.h"
#include "host/document_kind.h"
#include "host/recordset.h"
#include "host/window_state.h"

namespace q9 {

// One changed value; `keys` as "FInterID=1001;FEntryID=2", values as SQL literals.
struct ChangedValue {
    std::string table;
    std::string keys;
    std::string column;
    std::string before;
    std::string after;
    bool operator==(const ChangedValue&) const = default;
};

// Rows of one of the host tables the tool writes.
struct CaptureTarget {
    std::string table;
    std::string condition;  // a WHERE condition of digits and names only
    // The same condition as columns and values, where it is one of equal columns only.
    std::vector<std::pair<std::string, int64_t>> equal{};
};

// The table of a kind's entry lines.
std::string EntryTable(DocumentKind kind);

// The key columns of a table the tool writes; throws HostError for any other table.
const std::vector<std::string>& KeyColumns(const std::string& table);

std::string CaptureQuery(const CaptureTarget& target);

// The rows one line's statements write: the entry, and for contracts whose totals follow the
// line, the contract and its schedule rows.
std::vector<CaptureTarget> LineTargets(DocumentKind kind, int32_t id, int32_t entryId,
                                       bool withTotals);
// The rows the master-data step may write for the ticked boxes.
std::vector<CaptureTarget> MasterDataTargets(const WindowState& state);

// Every target's rows, read inside the unit of work.
std::vector<RecordsetPtr> Capture(TransactionScope& scope,
                                  const std::vector<CaptureTarget>& targets);

// The targets' rows before and after the statements run between Start and Finish: told by the
// engine as it changes them where it can, else read before and after.
class TargetCapture {
  public:
    TargetCapture(TransactionScope& scope, const std::vector<CaptureTarget>& targets);
    // The values that changed, as ChangedValues gives them.
    std::vector<ChangedValue> Finish();

  private:
    TransactionScope& scope_;
    const std::vector<CaptureTarget>& targets_;
    std::unique_ptr<ChangeWatch> watch_;
    std::vector<RecordsetPtr> before_;
};

// The values that differ, row by row (matched by key) and column by column, in the order of the
// targets, their rows and their columns. A row that appeared or went is not a change the tool
// makes and throws HostError.
std::vector<ChangedValue> ChangedValues(const std::vector<CaptureTarget>& targets,
                                        const std::vector<RecordsetPtr>& before,
                                        const std::vector<RecordsetPtr>& after);

}  // namespace q9
