#pragma once

// The tool's own tables in the account database, beside the backup tables: one row per run and
// one journal row per value a run changed, and the SQL that reads and writes them.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "host/value.h"

namespace q9 {

inline constexpr const char* kRunTable = "Q9TaxRateRun";
inline constexpr const char* kJournalTable = "Q9TaxRateJournal";

enum class RunState { Running, Done, Interrupted, Undone };

// "running", "done", "interrupted", "undone": as the run table keeps it.
const char* RunStateCode(RunState state);
// Unknown codes read as interrupted: such a run is never undone on a guess.
RunState RunStateFromCode(const std::string& code);

// Creates the two tables when missing; tables already there are left as they are.
std::string JournalTablesBatch();

// One row per journal table present.
std::string JournalTablesQuery();

// The highest run id so far (one row, null when there is none).
std::string LastRunIdQuery();

// What the run table holds of a run.
struct RunRecord {
    int32_t id = 0;
    std::string startTime;  // "YYYY-MM-DDTHH:MM:SS", the machine's local time
    std::string endTime;    // while running: when it last wrote a line
    std::string user;
    std::string account;
    std::string profile;
    std::string rule;        // "tax-inclusive" or "tax-exclusive"
    std::string masterData;  // the ticked boxes: "item,cust,supply" or part of it
    int32_t lines = 0;       // lines converted
    int32_t refused = 0;     // rows listed in the grid
    int32_t masterRows = 0;  // master-data values changed
    RunState state = RunState::Running;
};

// Seconds of a run time "YYYY-MM-DD HH:MM:SS" (or with "T", or with fractions after it); none
// when the text is no such time.
std::optional<int64_t> RunTimeSeconds(const std::string& text);

std::string RunInsertSql(const RunRecord& run);
// The end of a run (or of its undo): times, counts and state.
std::string RunUpdateSql(const RunRecord& run);
// Every run, newest first.
std::string RunsQuery();
std::string RunQuery(int32_t runId);
// The number of lines a run has journaled (its lines are numbered from 1 as they commit).
std::string RunLinesQuery(int32_t runId);

// One changed value. `line` groups the values written in one unit of work (0: master data);
// `before` and `after` are SQL literals (journal/sql_literal.h).
struct JournalRow {
    int32_t line = 0;
    int32_t seq = 0;
    std::string kind;  // the document kind text, or "基础资料"
    std::string billNo;
    std::string table;
    std::string keys;  // "FInterID=1001;FEntryID=2"
    std::string column;
    std::string before;
    std::string after;
};

// The journal's columns, in the order of JournalValues.
const std::vector<std::string>& JournalColumns();
std::vector<Value> JournalValues(int32_t runId, JournalRow row);

// One INSERT for the rows of one line; empty when there are none.
std::string JournalInsertSql(int32_t runId, const std::vector<JournalRow>& rows);
// The same for rows of JournalValues.
std::string JournalInsertSql(const std::vector<std::vector<Value>>& rows);
// The run's journal rows not yet undone, newest line first.
std::string JournalRowsQuery(int32_t runId);
// Marks values of a line of the run as undone.
std::string JournalValuesUndoneSql(int32_t runId, int32_t line, const std::vector<int32_t>& seqs);

}  // namespace q9
