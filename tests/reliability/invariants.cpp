#include <algorithm>
#include <cmath>
#include <cstdio>
#include <set>

#include "convert/row_loop.h"
#include "jobs/startup.h"
#include "reliability/one_click_run.h"

namespace q9::reliability {

namespace {

struct EntryTables {
    std::string entries, idColumn, backups;
};

const std::vector<EntryTables>& LineTables() {
    static const std::vector<EntryTables> tables = {
        {"POOrderEntry", "FInterID", "POOrderEntryTaxRate"},
        {"SEOrderEntry", "FInterID", "SEOrderEntryTaxRate"},
        {"t_RPContractEntry", "FContractID", "t_rpContractEntryRate"},
    };
    return tables;
}

const std::set<std::string>& MasterDataTables() {
    static const std::set<std::string> tables = {"t_ICItemMaterial", "t_Organization", "t_Supplier",
                                                 "t_ItemPropDesc"};
    return tables;
}

// The run journal's own tables.
constexpr const char* kRunTable = "Q9TaxRateRun";
constexpr const char* kJournalTable = "Q9TaxRateJournal";

// Tables the tool writes besides the account's own, checked by their own rules.
bool IsBackupTable(const std::string& table) {
    return table == kRunTable || table == kJournalTable ||
           std::any_of(LineTables().begin(), LineTables().end(),
                       [&](const EntryTables& t) { return t.backups == table; });
}

bool IsTotalsTable(const std::string& table) {
    return table == "t_RPContract" || table == "t_RPContractScheme";
}

const TableRows& TableOf(const AccountSnapshot& snapshot, const std::string& name) {
    static const TableRows kNone;
    auto found = snapshot.find(name);
    return found == snapshot.end() ? kNone : found->second;
}

LineKey KeyOf(const TableRows& table, int64_t rowid, const std::string& idColumn) {
    return {std::stoll(table.Cell(rowid, idColumn)), std::stoll(table.Cell(rowid, "FEntryID"))};
}

bool SameNumber(const std::string& a, const std::string& b) {
    if (a == "NULL" || b == "NULL") return a == b;
    return std::fabs(std::stod(a) - std::stod(b)) < 1e-6;
}

std::string Join(const std::vector<std::string>& values) {
    std::string text;
    for (const std::string& v : values) text += v + ",";
    return text;
}

// What the operator saw of each kind's rows: entries by row, in the order of the run.
struct KindTrace {
    bool started = false;
    std::map<int, std::vector<std::string>> entries;  // row → "first|reason|" texts
    int stoppedAt = 0;
    std::string stopReason;
};

// The first cells of each kind's workbook rows, by kind text; row r at index r - 1.
using FirstCells = std::map<std::string, std::vector<std::string>>;

FirstCells FirstCellsOf(const OneClickRun& run) {
    FirstCells firsts;
    for (const auto& [kind, path] : run.workbooks) {
        for (const WorkbookLine& line : WorkbookLines(path, kind)) {
            firsts[KindText(kind)].push_back(line.first);
        }
    }
    return firsts;
}

// A grid entry belongs to the last row reached whose first cell it starts with: the loop may
// add the entries of several rows once their transaction has committed.
int RowOfEntry(const FirstCells& firsts, const std::string& kind, int reached,
               const std::string& entry) {
    auto rows = firsts.find(kind);
    if (rows == firsts.end()) return reached;
    for (int r = std::min(reached, static_cast<int>(rows->second.size())); r >= 1; --r) {
        if (entry.starts_with(rows->second[static_cast<size_t>(r - 1)] + "|")) return r;
    }
    return reached;
}

std::map<std::string, KindTrace> TraceOf(const testing::Events& events,
                                         const std::string& rowFailed, const FirstCells& firsts) {
    std::map<std::string, KindTrace> traces;
    std::string kind;
    int reached = 0;
    for (const std::string& event : events) {
        if (event.starts_with("progress ")) {
            const size_t space = event.rfind(' ');
            kind = event.substr(9, space - 9);
            reached = std::stoi(event.substr(space + 1));
            traces[kind].started = true;
        } else if (event.starts_with("Add ") && !kind.empty()) {
            const std::string text = event.substr(4);
            const int row = RowOfEntry(firsts, kind, reached, text);
            traces[kind].entries[row].push_back(text);
            const size_t bar = text.find('|');
            const std::string reason = text.substr(bar + 1, text.size() - bar - 2);
            for (const std::string& lead : {rowFailed, std::string(kDatabaseUnavailableText)}) {
                if (reason.starts_with(lead) && traces[kind].stoppedAt == 0) {
                    traces[kind].stoppedAt = row;
                    traces[kind].stopReason = reason.substr(lead.size());
                }
            }
        }
    }
    return traces;
}

bool HasEvent(const testing::Events& events, const std::string& prefix,
              const std::string& containing) {
    return std::any_of(events.begin(), events.end(), [&](const std::string& e) {
        return e.starts_with(prefix) && e.find(containing) != std::string::npos;
    });
}

// The lines of each entry table that differ from the untouched sample.
std::map<std::string, std::set<LineKey>> RewrittenLines(const AccountSnapshot& account,
                                                        const AccountSnapshot& original) {
    std::map<std::string, std::set<LineKey>> rewritten;
    for (const EntryTables& t : LineTables()) {
        const TableRows& rows = TableOf(account, t.entries);
        const TableRows& before = TableOf(original, t.entries);
        for (const auto& [rowid, values] : rows.rows) {
            auto old = before.rows.find(rowid);
            if (old == before.rows.end() || old->second != values) {
                rewritten[t.entries].insert(KeyOf(rows, rowid, t.idColumn));
            }
        }
    }
    return rewritten;
}

}  // namespace

std::vector<std::string> CheckInvariants(const AccountSnapshot& original,
                                         const AccountSnapshot& clean, const OneClickRun& cleanRun,
                                         const OneClickRun& run, bool inclusiveRule) {
    std::vector<std::string> failures;
    const AccountSnapshot after = Snapshot(run.databasePath);

    // Every row of every table at its old or its new values; master data wholly one or the other.
    bool masterAllOld = true, masterAllNew = true;
    for (const auto& [name, rows] : after) {
        if (IsBackupTable(name)) continue;
        const TableRows& before = TableOf(original, name);
        const TableRows& done = TableOf(clean, name);
        if (MasterDataTables().contains(name)) {
            masterAllOld = masterAllOld && rows.rows == before.rows;
            masterAllNew = masterAllNew && rows.rows == done.rows;
        }
        if (rows.rows.size() != before.rows.size()) {
            failures.push_back(name + ": rows added or removed");
            continue;
        }
        for (const auto& [rowid, values] : rows.rows) {
            auto old = before.rows.find(rowid);
            auto fresh = done.rows.find(rowid);
            const bool isOld = old != before.rows.end() && old->second == values;
            const bool isNew = fresh != done.rows.end() && fresh->second == values;
            if (isOld || isNew || (IsTotalsTable(name) && !inclusiveRule)) continue;
            failures.push_back(name + " row " + std::to_string(rowid) +
                               " is neither old nor new: " + Join(values));
        }
    }
    if (!masterAllOld && !masterAllNew) failures.push_back("master data partly adjusted");

    // Backup rows exactly for the rewritten lines.
    std::map<std::string, std::set<LineKey>> converted = RewrittenLines(after, original);
    std::map<std::string, std::set<LineKey>> cleanConversions = RewrittenLines(clean, original);
    for (const EntryTables& t : LineTables()) {
        std::map<LineKey, std::vector<std::string>> backups, cleanBackups;
        const TableRows& backupRows = TableOf(after, t.backups);
        for (const auto& [rowid, values] : backupRows.rows) {
            const LineKey key = KeyOf(backupRows, rowid, t.idColumn);
            if (backups.contains(key))
                failures.push_back(t.backups + ": two backup rows of a line");
            backups[key] = values;
        }
        const TableRows& cleanBackupRows = TableOf(clean, t.backups);
        for (const auto& [rowid, values] : cleanBackupRows.rows) {
            cleanBackups[KeyOf(cleanBackupRows, rowid, t.idColumn)] = values;
        }
        for (const auto& [key, values] : backups) {
            const std::string line = std::to_string(key.id) + "/" + std::to_string(key.entry);
            if (!converted[t.entries].contains(key)) {
                failures.push_back(t.backups + ": backup row without its rewritten line " + line);
            } else if (cleanBackups[key] != values) {
                failures.push_back(t.backups + ": backup row differs from the clean run " + line);
            }
        }
        for (const LineKey& key : converted[t.entries]) {
            if (!backups.contains(key)) {
                failures.push_back(t.entries + ": rewritten line without its backup row " +
                                   std::to_string(key.id) + "/" + std::to_string(key.entry));
            }
        }
        // A journaled account: a line is rewritten exactly when its journal rows are there, so a
        // run that could not be journaled must not have written.
        if (!after.contains(kJournalTable)) continue;
        const TableRows& journal = TableOf(after, kJournalTable);
        std::set<LineKey> journaled;
        for (const auto& [rowid, values] : journal.rows) {
            if (journal.Cell(rowid, "FTable") != t.entries) continue;
            LineKey key{};
            const std::string format = t.idColumn + "=%lld;FEntryID=%lld";
            long long id = 0, entry = 0;
            if (std::sscanf(journal.Cell(rowid, "FKeys").c_str(), format.c_str(), &id, &entry) ==
                2) {
                key = {id, entry};
            }
            journaled.insert(key);
        }
        for (const LineKey& key : converted[t.entries]) {
            if (!journaled.contains(key)) {
                failures.push_back(t.entries + ": rewritten line without its journal rows " +
                                   std::to_string(key.id) + "/" + std::to_string(key.entry));
            }
        }
        for (const LineKey& key : journaled) {
            if (!converted[t.entries].contains(key)) {
                failures.push_back(t.entries + ": journal rows of a line not rewritten " +
                                   std::to_string(key.id) + "/" + std::to_string(key.entry));
            }
        }
    }

    // Contract totals: the old ones, or the sums of the lines as they now are.
    if (!inclusiveRule) {
        const TableRows& entries = TableOf(after, "t_RPContractEntry");
        std::map<std::string, std::pair<double, double>> sums;
        for (const auto& [rowid, values] : entries.rows) {
            auto& sum = sums[entries.Cell(rowid, "FContractID")];
            sum.first += std::stod(entries.Cell(rowid, "FAmountIncludeTaxFor"));
            sum.second += std::stod(entries.Cell(rowid, "FAmountIncludeTax"));
        }
        for (const auto& [table, forColumn, localColumn] :
             {std::tuple<std::string, std::string, std::string>{"t_RPContract", "FTotalAmountFor",
                                                                "FTotalAmount"},
              {"t_RPContractScheme", "FAmountFor", "FAmount"}}) {
            const TableRows& rows = TableOf(after, table);
            const TableRows& before = TableOf(original, table);
            for (const auto& [rowid, values] : rows.rows) {
                if (values == before.rows.at(rowid)) continue;
                const std::string contract = rows.Cell(rowid, "FContractID");
                const auto& sum = sums[contract];
                if (!SameNumber(rows.Cell(rowid, forColumn), std::to_string(sum.first)) ||
                    !SameNumber(rows.Cell(rowid, localColumn), std::to_string(sum.second))) {
                    failures.push_back(table + ": totals of contract " + contract +
                                       " are not the sums of its lines");
                }
            }
        }
    }

    // Every line of a workbook converted, listed, or behind a stop that was listed and shown.
    const std::string rowFailed = kRowFailedReason;
    const auto traces = TraceOf(run.events, rowFailed, FirstCellsOf(run));
    const auto cleanTraces = TraceOf(cleanRun.events, rowFailed, FirstCellsOf(cleanRun));
    for (DocumentKind kind : kAllDocumentKinds) {
        const std::string kindText = KindText(kind);
        if (!run.workbooks.contains(kind)) {
            if (!HasEvent(run.events, "notice ", "查询候选数据失败") &&
                !HasEvent(run.events, "notice ", kSwitchesUnreadText)) {
                failures.push_back(kindText + ": not exported and no failure shown");
            }
            continue;
        }
        const std::string table = kind == DocumentKind::PurchaseOrder ? "POOrderEntry"
                                  : kind == DocumentKind::SalesOrder  ? "SEOrderEntry"
                                                                      : "t_RPContractEntry";
        auto traced = traces.find(kindText);
        const KindTrace trace = traced == traces.end() ? KindTrace{} : traced->second;
        const KindTrace cleanTrace = cleanTraces.at(kindText);
        // The run stopped before it reached the kind, and said why.
        const bool runStoppedBefore =
            !run.summary.Of(kind) &&
            ((run.summary.stop &&
              HasEvent(run.events, "notice ", run.summary.stop->error.description)) ||
             (run.summary.result == BatchResult::StoppedByDatabase &&
              HasEvent(run.events, "notice ", kDatabaseUnavailableText)));
        const std::vector<WorkbookLine> lines = WorkbookLines(run.workbooks.at(kind), kind);
        for (size_t i = 0; i < lines.size(); ++i) {
            const int row = static_cast<int>(i) + 1;
            if (converted[table].contains(lines[i].key)) continue;
            const bool cleanConverted = cleanConversions[table].contains(lines[i].key);
            const bool cleanListed = cleanTrace.entries.contains(row);
            if (!cleanConverted && !cleanListed) continue;  // nothing to do for it even when clean
            const bool stoppedBefore =
                runStoppedBefore || (trace.stoppedAt > 0 && trace.stoppedAt <= row);
            bool listed = false;
            if (auto entries = trace.entries.find(row); entries != trace.entries.end()) {
                for (const std::string& entry : entries->second) {
                    listed = listed || entry.starts_with(lines[i].first + "|");
                }
            }
            if (!listed && !stoppedBefore) {
                failures.push_back(kindText + " row " + std::to_string(row) + " (" +
                                   lines[i].first + ") neither converted nor listed");
            }
        }
        if (trace.stoppedAt > 0 && !HasEvent(run.events, "notice ", trace.stopReason)) {
            failures.push_back(kindText + ": loop stopped without the failure shown");
        }
    }

    // The final words: the failure was shown, before "调整完成", and the grid was shown.
    const auto done = std::find(run.events.begin(), run.events.end(), "notice 调整完成");
    if (!run.injected.empty()) {
        auto shown = std::find_if(run.events.begin(), run.events.end(), [&](const std::string& e) {
            return (e.starts_with("notice ") || e.starts_with("box ") || e.starts_with("Add ")) &&
                   e.find(run.injected) != std::string::npos;
        });
        if (shown == run.events.end()) {
            failures.push_back("the failure was never shown: " + run.injected);
        } else if (done != run.events.end() && done < shown) {
            failures.push_back("调整完成 before the failure was shown");
        }
    }
    // What was shown is what the outcomes report: a front end that reads only the outcomes
    // (the command line's exit status) never takes a failed run for a good one.
    if (!run.injected.empty()) {
        const bool exportFailed =
            std::any_of(run.exports.begin(), run.exports.end(), [](const ExportOutcome& e) {
                return e.failure.has_value() || e.result == ExportResult::SwitchesUnread;
            });
        if (!run.startup.failure && !exportFailed && !run.summary.AnyFailure()) {
            failures.push_back("the outcomes report no failure: " + run.injected);
        }
    }
    if ((done != run.events.end()) != run.fixed && !run.injected.empty()) {
        // FixClicked answers true exactly when it says "调整完成".
        failures.push_back("FixClicked's answer and its final notice disagree");
    }
    const bool added = std::any_of(run.events.begin(), run.events.end(),
                                   [](const std::string& e) { return e.starts_with("Add "); });
    if (added && std::find(run.events.begin(), run.events.end(), "Show 1") == run.events.end()) {
        failures.push_back("entries added but the grid never shown");
    }
    return failures;
}

}  // namespace q9::reliability
