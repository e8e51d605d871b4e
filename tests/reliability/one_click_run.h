#pragma once

// A whole one-click run on a copy of the demo sample, as an operator does it in the window:
// start-up, the four exports, then the adjustment with both rates and all master data. Every
// notice, message box, progress step and grid entry lands in one event list.

#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "export/export_outcome.h"
#include "host/document_kind.h"
#include "jobs/batch_run.h"
#include "jobs/startup.h"
#include "support/core_doubles.h"
#include "support/temp_folder.h"

namespace q9::reliability {

// The demo sample, created once per process; with the switch "discount includes tax" on (and
// the backup tables of an earlier start) or off.
const std::string& DemoSamplePath(bool discountIncludesTax = false);

// Every table of an account: per table its column names and its rows by rowid, each value as
// text ("NULL" for null).
struct TableRows {
    std::vector<std::string> columns;
    std::map<int64_t, std::vector<std::string>> rows;
    std::string Cell(int64_t rowid, const std::string& column) const;
    bool operator==(const TableRows&) const = default;
};
using AccountSnapshot = std::map<std::string, TableRows>;
AccountSnapshot Snapshot(const std::string& databasePath);

enum class FaultMode {
    None,
    FailOne,
    DropConnection,
    FailOneKeepingPartialWork,
    LoseGroupCommit,                   // `statement` counts groups of lines instead
    LoseGroupCommitWithTheConnection,  // the same, and the connection is reported gone
};

// Another connection holding the account's write lock while the adjustment runs, as a host
// user in the middle of saving a bill does.
enum class AccountLock { None, HeldElsewhereDuringAdjustment };
enum class MasterDataBoxes { Ticked, Unticked };

struct OneClickPlan {
    bool inclusiveRule = true;
    FaultMode mode = FaultMode::None;
    int statement = 0;
    bool discountIncludesTax = false;
    AccountLock lock = AccountLock::None;
    MasterDataBoxes masterData = MasterDataBoxes::Ticked;
};

struct OneClickRun {
    OneClickRun() : folder("q9-oneclick") {}
    testing::TempFolder folder;
    std::string databasePath;
    testing::Events events;  // "notice …", "box …", "progress KIND i/n", "Add …", "Show 1", …
    StartupOutcome startup;
    std::map<DocumentKind, std::string> workbooks;  // kinds whose export wrote a workbook
    std::vector<ExportOutcome> exports;
    bool fixed = false;
    BatchOutcome summary;
    AccountSnapshot beforeAdjustment;  // the account as the exports left it
    int statements = 0;                // statements numbered by the engine
    int groups = 0;                    // transactions that held savepoints
    int lostGroups = 0;
    std::string injected;  // the first injected failure's message
    std::vector<std::string> sent;
};

std::unique_ptr<OneClickRun> RunOneClick(const OneClickPlan& plan);

// The key of a line of a kind in its entry table.
struct LineKey {
    int64_t id = 0;
    int64_t entry = 0;
    auto operator<=>(const LineKey&) const = default;
};

// A workbook row as the converters see it: the first cell of its grid entry and its line.
struct WorkbookLine {
    std::string first;  // "F1 分录:F14"
    LineKey key;
};
std::vector<WorkbookLine> WorkbookLines(const std::string& path, DocumentKind kind);

// The checks after a faulted run against the untouched sample and the clean run; each failed
// check is one text.
std::vector<std::string> CheckInvariants(const AccountSnapshot& original,
                                         const AccountSnapshot& clean, const OneClickRun& cleanRun,
                                         const OneClickRun& run, bool inclusiveRule);

}  // namespace q9::reliability
