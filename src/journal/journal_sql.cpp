#include "journal/journal_sql.h"

#include <chrono>

#include "journal/sql_literal.h"

namespace q9 {

namespace {

std::string Text(const std::string& value) {
    return SqlLiteral(Value(value));
}

constexpr const char* kRunColumns =
    "FRunID,FStartTime,FEndTime,FUser,FAccount,FProfile,FRule,FMasterData,FLines,FRefused,"
    "FMasterRows,FState";

}  // namespace

const char* RunStateCode(RunState state) {
    switch (state) {
        case RunState::Running:
            return "running";
        case RunState::Done:
            return "done";
        case RunState::Interrupted:
            return "interrupted";
        case RunState::Undone:
            return "undone";
    }
    return "interrupted";
}

RunState RunStateFromCode(const std::string& code) {
    for (RunState state : {RunState::Running, RunState::Done, RunState::Undone}) {
        if (code == RunStateCode(state)) return state;
    }
    return RunState::Interrupted;
}

std::optional<int64_t> RunTimeSeconds(const std::string& text) {
    if (text.size() < 19) return std::nullopt;
    auto number = [&](size_t at, size_t digits) -> std::optional<int> {
        int value = 0;
        for (size_t i = at; i < at + digits; ++i) {
            if (text[i] < '0' || text[i] > '9') return std::nullopt;
            value = value * 10 + (text[i] - '0');
        }
        return value;
    };
    const auto year = number(0, 4), month = number(5, 2), day = number(8, 2);
    const auto hour = number(11, 2), minute = number(14, 2), second = number(17, 2);
    if (!year || !month || !day || !hour || !minute || !second) return std::nullopt;
    const std::chrono::year_month_day date{std::chrono::year(*year),
                                           std::chrono::month(static_cast<unsigned>(*month)),
                                           std::chrono::day(static_cast<unsigned>(*day))};
    if (!date.ok()) return std::nullopt;
    const int64_t days = std::chrono::sys_days(date).time_since_epoch().count();
    return days * 86400 + *hour * 3600 + *minute * 60 + *second;
}

std::string JournalTablesBatch() {
    return std::string("IF NOT EXISTS(SELECT 1 FROM sysobjects WHERE name='") + kRunTable +
           "' AND xtype='u')\r\n"
           "CREATE TABLE " +
           kRunTable +
           "(FRunID INT NOT NULL PRIMARY KEY,FStartTime DATETIME,FEndTime DATETIME,"
           "FUser NVARCHAR(80),FAccount NVARCHAR(255),FProfile NVARCHAR(40),FRule NVARCHAR(20),"
           "FMasterData NVARCHAR(40),FLines INT,FRefused INT,FMasterRows INT,FState "
           "NVARCHAR(20))\r\n"
           "IF NOT EXISTS(SELECT 1 FROM sysobjects WHERE name='" +
           kJournalTable +
           "' AND xtype='u')\r\n"
           "CREATE TABLE " +
           kJournalTable +
           "(FRunID INT NOT NULL,FLine INT NOT NULL,FSeq INT NOT NULL,FKind NVARCHAR(20),"
           "FBillNo NVARCHAR(80),FTable NVARCHAR(40),FKeys NVARCHAR(200),FColumn NVARCHAR(40),"
           "FBefore NVARCHAR(255),FAfter NVARCHAR(255),FUndone INT NOT NULL DEFAULT 0,"
           "PRIMARY KEY(FRunID,FLine,FSeq))\r\n";
}

std::string JournalTablesQuery() {
    return std::string("SELECT name FROM sysobjects WHERE name IN('") + kRunTable + "','" +
           kJournalTable + "') AND xtype='u'";
}

std::string LastRunIdQuery() {
    return std::string("SELECT MAX(FRunID) AS FRunID FROM ") + kRunTable;
}

std::string RunInsertSql(const RunRecord& run) {
    return std::string("INSERT INTO ") + kRunTable + "(" + kRunColumns + ") VALUES (" +
           std::to_string(run.id) + "," + Text(run.startTime) + "," + Text(run.endTime) + "," +
           Text(run.user) + "," + Text(run.account) + "," + Text(run.profile) + "," +
           Text(run.rule) + "," + Text(run.masterData) + "," + std::to_string(run.lines) + "," +
           std::to_string(run.refused) + "," + std::to_string(run.masterRows) + "," +
           Text(RunStateCode(run.state)) + ")";
}

std::string RunUpdateSql(const RunRecord& run) {
    return std::string("UPDATE ") + kRunTable + " SET FEndTime=" + Text(run.endTime) +
           ",FLines=" + std::to_string(run.lines) + ",FRefused=" + std::to_string(run.refused) +
           ",FMasterRows=" + std::to_string(run.masterRows) +
           ",FState=" + Text(RunStateCode(run.state)) + " WHERE FRunID=" + std::to_string(run.id);
}

std::string RunsQuery() {
    return std::string("SELECT ") + kRunColumns + " FROM " + kRunTable + " ORDER BY FRunID DESC";
}

std::string RunQuery(int32_t runId) {
    return std::string("SELECT ") + kRunColumns + " FROM " + kRunTable +
           " WHERE FRunID=" + std::to_string(runId);
}

std::string RunLinesQuery(int32_t runId) {
    return std::string("SELECT MAX(FLine) AS FLine FROM ") + kJournalTable +
           " WHERE FRunID=" + std::to_string(runId);
}

const std::vector<std::string>& JournalColumns() {
    static const std::vector<std::string> columns{"FRunID",  "FLine",  "FSeq",  "FKind",
                                                  "FBillNo", "FTable", "FKeys", "FColumn",
                                                  "FBefore", "FAfter"};
    return columns;
}

std::vector<Value> JournalValues(int32_t runId, JournalRow row) {
    std::vector<Value> values;
    values.reserve(10);
    values.emplace_back(runId);
    values.emplace_back(row.line);
    values.emplace_back(row.seq);
    for (std::string* text :
         {&row.kind, &row.billNo, &row.table, &row.keys, &row.column, &row.before, &row.after}) {
        values.emplace_back(std::move(*text));
    }
    return values;
}

std::string JournalInsertSql(int32_t runId, const std::vector<JournalRow>& rows) {
    std::vector<std::vector<Value>> values;
    for (const JournalRow& row : rows) values.push_back(JournalValues(runId, row));
    return JournalInsertSql(values);
}

std::string JournalInsertSql(const std::vector<std::vector<Value>>& rows) {
    if (rows.empty()) return "";
    std::string sql = std::string("INSERT INTO ") + kJournalTable + "(";
    const std::vector<std::string>& columns = JournalColumns();
    for (size_t c = 0; c < columns.size(); ++c) sql += (c ? "," : "") + columns[c];
    sql += ") VALUES ";
    bool firstRow = true;
    for (const std::vector<Value>& row : rows) {
        sql += firstRow ? "(" : ",(";
        firstRow = false;
        bool firstValue = true;
        for (const Value& value : row) {
            if (!firstValue) sql += ",";
            firstValue = false;
            sql += SqlLiteral(value);
        }
        sql += ")";
    }
    return sql;
}

std::string JournalRowsQuery(int32_t runId) {
    return std::string(
               "SELECT FLine,FSeq,FKind,FBillNo,FTable,FKeys,FColumn,FBefore,FAfter FROM ") +
           kJournalTable + " WHERE FRunID=" + std::to_string(runId) +
           " AND FUndone=0 ORDER BY FLine DESC,FSeq";
}

std::string JournalValuesUndoneSql(int32_t runId, int32_t line, const std::vector<int32_t>& seqs) {
    std::string list;
    for (int32_t seq : seqs) list += (list.empty() ? "" : ",") + std::to_string(seq);
    return std::string("UPDATE ") + kJournalTable +
           " SET FUndone=1 WHERE FRunID=" + std::to_string(runId) +
           " AND FLine=" + std::to_string(line) + " AND FSeq IN (" + list + ")";
}

}  // namespace q9
