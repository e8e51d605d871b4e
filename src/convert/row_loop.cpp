#include "convert/row_loop.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <memory>
#include <optional>
#include <vector>

#include "convert/contract_sql.h"
#include "convert/line_candidacy.h"
#include "convert/order_sql.h"
#include "convert/workbook_reader.h"
#include "host/db/scoped_engine.h"
#include "host/path_list.h"
#include "journal/run_recorder.h"

namespace q9 {

namespace {

std::string PurchaseCheck(int32_t id, int32_t entryId, const RateChange& change,
                          const WindowState& state) {
    return GetPOCheckSql(OrderRowCondition(id, entryId), change, state.adjustmentRule);
}
std::string SalesCheck(int32_t id, int32_t entryId, const RateChange& change,
                       const WindowState& state) {
    return GetSOCheckSql(OrderRowCondition(id, entryId), change, state.adjustmentRule);
}
std::string ContractCheck(int32_t id, int32_t entryId, const RateChange& change,
                          const WindowState& state) {
    return GetContractCheckSql(id, entryId, change, state.adjustmentRule);
}
LineStatements PurchaseLine(int32_t id, int32_t entryId, const RateChange& change,
                            const WindowState& state) {
    return PurchaseOrderLineStatements(id, entryId, change, state.adjustmentRule,
                                       state.discountIncludeTaxOn);
}
LineStatements SalesLine(int32_t id, int32_t entryId, const RateChange& change,
                         const WindowState& state) {
    return SalesOrderLineStatements(id, entryId, change, state.adjustmentRule,
                                    state.discountIncludeTaxOn);
}
LineStatements ContractLine(int32_t id, int32_t entryId, const RateChange& change,
                            const WindowState& state) {
    return ContractLineStatements(id, entryId, change, state.adjustmentRule);
}

const ConversionKind kPurchaseOrders{DocumentKind::PurchaseOrder,
                                     &WindowState::txtPOFile,
                                     PurchaseCheck,
                                     PurchaseLine,
                                     kOrderConflictReason,
                                     true};
const ConversionKind kSalesOrders{DocumentKind::SalesOrder,
                                  &WindowState::txtSOFile,
                                  SalesCheck,
                                  SalesLine,
                                  kOrderConflictReason,
                                  false};
const ConversionKind kPayableContracts{DocumentKind::PayableContract,
                                       &WindowState::txtHTYFFile,
                                       ContractCheck,
                                       ContractLine,
                                       kContractConflictReason,
                                       false};
const ConversionKind kReceivableContracts{DocumentKind::ReceivableContract,
                                          &WindowState::txtHYSFFile,
                                          ContractCheck,
                                          ContractLine,
                                          kContractConflictReason,
                                          false};

bool IsEmptyCell(const Value& value) {
    return value.IsNull() || (value.IsText() && value.AsText().empty());
}

// A row the operator cleared instead of deleting.
bool IsClearedRow(const Recordset& rows) {
    for (size_t i = 0; i < rows.FieldCount(); ++i) {
        if (!IsEmptyCell(rows.FieldAt(i))) return false;
    }
    return true;
}

// The grid splits its rows at "|" and shows one line per row.
std::string OneCell(std::string text) {
    for (char& c : text) {
        if (c == '|') c = '/';
        if (c == '\r' || c == '\n') c = ' ';
    }
    return text;
}

// A rate as the account holds it (a number, or the decimal text of an exact column).
bool IsRate(const Value& held, Rate rate) {
    double number = 0;
    if (held.IsNumber()) return held.NumberAsDouble() == rate.AsDouble();
    return held.IsText() && ParseNumericText(held.AsText(), &number) && number == rate.AsDouble();
}

// The lines the loop will look up, in workbook order: rows with a new rate and whole ids. A row
// the loop cannot read is left out here; the loop stops at it itself.
std::vector<EntryKey> KeysToConvert(const Recordset& rows, CoreContext& context) {
    std::vector<EntryKey> keys;
    const int rate = rows.FieldIndex("F8"), id = rows.FieldIndex("F13"),
              entry = rows.FieldIndex("F14");
    if (rate < 0 || id < 0 || entry < 0) return keys;
    const auto& all = rows.Rows();
    for (size_t r = rows.RecordCount() > 0 ? 1 : 0; r < all.size(); ++r) {
        const auto cell = [&](int index) { return all[r][static_cast<size_t>(index)]; };
        try {
            if (!ChangeForRateCell(cell(rate), context.state)) continue;
            keys.push_back({WholeId(cell(id)), WholeId(cell(entry))});
        } catch (const std::exception&) {
            continue;
        }
    }
    return keys;
}

// Lines share a commit until one of these is reached: a kill then takes back at most this much
// work, which the next run redoes, and nobody waits longer for the account.
constexpr int kLinesPerGroup = 64;
constexpr std::chrono::milliseconds kGroupTime{50};

class RowLoop {
  public:
    RowLoop(CoreContext& context, ResultDisplay& display, const ConversionKind& kind,
            ConversionOutcome& outcome)
        : context_(context),
          display_(display),
          kind_(kind),
          kindText_(KindText(kind.kind)),
          outcome_(outcome),
          gateway_(&context.gateway) {}

    void Run(Recordset& rows) {
        // Asked of the database a thousand lines at a time, as the loop reaches them.
        const WindowState& state = context_.state;
        const std::string& cutoff =
            state.cutoffDate.empty() ? state.rateProfile.CutoffDate() : state.cutoffDate;
        candidacy_.emplace(context_, kind_.kind, cutoff, KeysToConvert(rows, context_));
        if (rows.RecordCount() > 0) rows.MoveNext();
        count_ = rows.RecordCount() > 0 ? rows.RecordCount() - 1 : 0;
        const bool grouped = context_.gateway.LineCommitting() == LineCommits::InShortGroups;
        while (!rows.Eof()) {
            if (!(grouped ? RunGroup(rows) : RunRow(rows))) break;
        }
    }

  private:
    // The current row in a transaction of its own; false when the loop stops there.
    bool RunRow(Recordset& rows) {
        if (const std::optional<Error> stop = StepRow(rows)) {
            StopAt(rows, *stop);
            return false;
        }
        return true;
    }

    // Handles the current row and moves past it; or what stops the loop at it, the row still
    // current.
    std::optional<Error> StepRow(Recordset& rows) {
        ReachRow();
        if (!IsClearedRow(rows)) {
            try {
                HandleRow(rows);
            } catch (...) {
                return CurrentExceptionError();
            }
        }
        rows.MoveNext();
        return std::nullopt;
    }

    // The next row is the current one: counted, and told to the window.
    void ReachRow() {
        ++index_;
        row_ = index_ + 1;  // the title row is sheet row 1
        context_.pump.ProcessEvents();
        context_.pump.ReportProgress(kindText_, index_, count_);
    }

    // Rows from the current one on, each line in a savepoint of one transaction, until the
    // group is full; false when the loop stops. What the loop tells of them (counts, grid rows,
    // changes) is kept once the transaction has committed, and what stops the loop is shown
    // only then, so that nobody waits on the account for an answer. When the commit fails
    // nothing of the group stayed, and its rows are taken again one transaction each.
    bool RunGroup(Recordset& rows) {
        const GroupStart start{Tally(), index_, rows.AbsolutePosition()};
        if (context_.recorder) context_.recorder->BeginGroup();
        holdListing_ = true;
        std::optional<Error> stop;
        int lines = 0;
        const TransactionOutcome group =
            context_.gateway.RunTransaction([&](TransactionScope& scope) {
                Gateway inside(std::make_shared<ScopedEngine>(scope));
                gateway_ = &inside;
                const auto began = std::chrono::steady_clock::now();
                while (!rows.Eof() && lines < kLinesPerGroup &&
                       std::chrono::steady_clock::now() - began < kGroupTime) {
                    ++lines;
                    stop = StepRow(rows);
                    if (stop) break;
                }
                return TransactionEnd::Commit;
            });
        gateway_ = &context_.gateway;
        holdListing_ = false;
        std::vector<std::string> held = std::move(held_);
        held_.clear();
        if (group.committed()) {
            if (context_.recorder) context_.recorder->KeepGroup();
            try {
                for (const std::string& text : held) display_.Add(text);
            } catch (...) {
                if (!stop) stop = CurrentExceptionError();
            }
            if (stop) StopAt(rows, *stop);
            return !stop;
        }
        if (context_.recorder) context_.recorder->DropGroup();
        Restore(start, rows);
        if (group.error.IsUnavailable()) {
            // Asked again, the account would make the first line wait as long once more.
            ReachRow();
            StopAt(rows, group.error);
            return false;
        }
        // At least the first: a transaction that cannot even begin then fails that line alone.
        for (int i = 0; i < std::max(lines, 1) && !rows.Eof(); ++i) {
            if (!RunRow(rows)) return false;
        }
        return true;
    }

    // What the loop has told of a workbook so far.
    struct Counts {
        int rows, converted, unchanged, refused, listed, unmatched;
        size_t failures;
    };
    struct GroupStart {
        Counts counts;
        int index;
        int position;  // of the group's first row
    };

    Counts Tally() const {
        return {outcome_.rows,   outcome_.converted, outcome_.unchanged,      outcome_.refused,
                outcome_.listed, outcome_.unmatched, outcome_.failures.size()};
    }

    void Restore(const GroupStart& start, Recordset& rows) {
        const Counts& c = start.counts;
        outcome_.rows = c.rows;
        outcome_.converted = c.converted;
        outcome_.unchanged = c.unchanged;
        outcome_.refused = c.refused;
        outcome_.listed = c.listed;
        outcome_.unmatched = c.unmatched;
        outcome_.failures.resize(c.failures);
        index_ = start.index;
        rows.MoveFirst();
        while (!rows.Eof() && rows.AbsolutePosition() < start.position) rows.MoveNext();
    }

    void HandleRow(const Recordset& rows) {
        ++outcome_.rows;
        const WindowState& state = context_.state;
        column_ = "H";
        const RateChange* change = ChangeForRateCell(rows.Field("F8"), state);
        if (!change) {
            column_.clear();
            List(rows, RateReason(context_.texts, state.rateProfile));
            ++outcome_.refused;
            return;
        }
        column_ = "M";
        const int32_t id = WholeId(rows.Field("F13"));
        column_ = "N";
        const int32_t entryId = WholeId(rows.Field("F14"));
        column_.clear();
        // The export's conditions may no longer hold: invoiced, cancelled or re-dated since, or
        // the ids name a line of another kind or one that was never exported.
        const LineCandidacy::Line found = candidacy_->Of({id, entryId}, *gateway_);
        if (found.standing == LineCandidacy::Standing::NoLine) {
            ++outcome_.unmatched;
            return;
        }
        if (found.standing == LineCandidacy::Standing::NoLongerCandidate &&
            IsRate(found.rate, change->oldRate)) {
            List(rows, context_.texts.LoadText(kStaleLineReason));
            ++outcome_.refused;
            return;
        }

        Error checkError;
        RecordsetPtr conflicts =
            gateway_->TryOpenRecordset(kind_.checkSql(id, entryId, *change, state), &checkError);
        if (!conflicts) throw HostError(checkError);
        if (conflicts->RecordCount() > 0) {
            List(rows, context_.texts.LoadText(kind_.conflictReason));
            ++outcome_.refused;
            return;
        }

        const LineStatements line = kind_.lineStatements(id, entryId, *change, state);
        const AtomicOutcome outcome = Write(rows, id, entryId, line);
        if (outcome.error.IsUnavailable()) throw HostError(outcome.error);
        if (outcome.error.IsSet()) {
            outcome_.failures.push_back(Failure{outcome.error, Here()});
            List(rows, context_.texts.LoadText(kUpdateFailedReason) +
                           OneCell(context_.texts.DescribeAfterLeadIn(outcome.error)));
        } else if (outcome.committed()) {
            ++outcome_.converted;
        } else {
            // Nothing was kept, and there is nothing to report.
            ++outcome_.unchanged;
        }
    }

    AtomicOutcome Write(const Recordset& rows, int32_t id, int32_t entryId,
                        const LineStatements& line) {
        if (context_.recorder) {
            return context_.recorder->WriteLine(*gateway_, kind_.kind,
                                                TextOrEmpty(rows.Field("F1")), id, entryId, line);
        }
        std::vector<AtomicBatch> batches{{line.backupInsert, false}, {line.update, true}};
        if (!line.totals.empty()) batches.push_back({line.totals, false});
        return gateway_->ExecuteAtomicGuarded(batches);
    }

    void List(const Recordset& rows, const std::string& reason) {
        if (context_.recorder) context_.recorder->CountRefused();
        const std::string first = OneCell(TextOrEmpty(rows.Field("F1"))) + " " +
                                  "分录:" + OneCell(TextOrEmpty(rows.Field("F14")));
        std::string text = context_.texts.FormatText("%1|%2|", {first, reason});
        if (holdListing_) {
            held_.push_back(std::move(text));
        } else {
            display_.Add(text);
        }
        ++outcome_.listed;
    }

    Place Here() const { return Place{outcome_.workbook, kindText_, row_}; }

    // A database that is locked, busy or gone stops the whole run; any other failure this
    // workbook.
    void StopAt(const Recordset& rows, const Error& error) {
        const bool unavailable = error.IsUnavailable();
        // A database that is gone is no fault of the row; a cell that cannot be read is.
        const Error located = unavailable       ? error
                              : column_.empty() ? AtRow(error, kindText_, row_)
                                                : AtCell(error, kindText_, row_, column_);
        outcome_.stop = Failure{located, Here()};
        if (unavailable) outcome_.progress = RunProgress::StoppedByDatabase;
        const std::string lead =
            context_.texts.LoadText(unavailable ? kDatabaseUnavailableText : kRowFailedReason);
        Texts& texts = context_.texts;
        try {
            List(rows, lead + OneCell(unavailable ? texts.DescribeAfterLeadIn(located)
                                                  : texts.Describe(located)));
        } catch (const std::exception&) {
            // The display itself failed; the notice below still tells the operator.
        }
        texts.ShowNotice(unavailable ? lead + texts.DescribeAfterLeadIn(located)
                                     : texts.Describe(*outcome_.stop));
    }

    CoreContext& context_;
    ResultDisplay& display_;
    const ConversionKind& kind_;
    std::string kindText_;
    ConversionOutcome& outcome_;
    int row_ = 0;
    int index_ = 0;  // of the row, counting from 1 after the title row
    int count_ = 0;
    // The account as the current line sees it: the loop's own transaction while a group is open.
    Gateway* gateway_;
    bool holdListing_ = false;
    std::vector<std::string> held_;  // grid rows of the open group
    std::optional<LineCandidacy> candidacy_;
    std::string column_;  // of the cell being read, while one is
};

}  // namespace

const ConversionKind& ConversionKindOf(DocumentKind kind) {
    switch (kind) {
        case DocumentKind::PurchaseOrder:
            return kPurchaseOrders;
        case DocumentKind::SalesOrder:
            return kSalesOrders;
        case DocumentKind::PayableContract:
            return kPayableContracts;
        case DocumentKind::ReceivableContract:
            return kReceivableContracts;
    }
    return kPurchaseOrders;
}

const RateChange* ChangeForRateCell(const Value& rateCell, const WindowState& state) {
    const double rate = Val(ToText(rateCell));
    for (const RateChange* change : state.TickedChanges()) {
        if (rate == change->oldRate.AsDouble()) return change;
    }
    return nullptr;
}

std::string RateReason(Texts& texts, const RateProfile& profile) {
    std::vector<Value> oldRates;
    for (const RateChange& change : profile.changes) oldRates.emplace_back(change.oldRate.Text());
    return texts.FormatText(oldRates.size() == 1 ? "xls上该行数据的税率不是%1，该行数据不处理"
                                                 : "xls上该行数据的税率不是%1或%2，该行数据不处理",
                            oldRates);
}

int32_t WholeId(const Value& cell) {
    double number = 0;
    if (cell.kind() == Value::Kind::Floating) {
        number = cell.AsFloating();
    } else if (cell.IsText() && ParseNumericText(cell.AsText(), &number)) {
        // checked below
    } else {
        return ToInt32(cell);  // integers, and the failures of null and non-numeric text
    }
    if (std::isfinite(number) && number != std::trunc(number)) {
        throw HostError(CatalogError(error_number::kTypeMismatch, "不是整数：%1", {ToText(cell)}));
    }
    return ToInt32(cell);
}

ConversionOutcome ConvertRows(CoreContext& context, ResultDisplay& display,
                              const ConversionKind& kind, const RecordsetPtr& rows,
                              const std::string& workbook) {
    ConversionOutcome outcome{.kind = kind.kind, .workbook = workbook};
    if (!rows) return outcome;
    RowLoop loop(context, display, kind, outcome);
    loop.Run(*rows);
    return outcome;
}

namespace {

// One workbook of the kind, as the only one the box held.
ConversionOutcome ConvertWorkbook(CoreContext& context, ResultDisplay& display,
                                  const ConversionKind& kind, const std::string& path) {
    ConversionOutcome outcome{.kind = kind.kind, .workbook = path};
    const std::string sheet = KindText(kind.kind);
    WorkbookRead read;
    try {
        if (kind.readerMarks) context.log.Write("1");
        read = ReadWorkbook(context, path, sheet);
        context.state.currentRecordset = read.rows;
        if (kind.readerMarks) context.log.Write("2");
    } catch (const HostError& e) {
        outcome.stop = Failure{e.error(), {.file = path, .sheet = sheet}};
        context.texts.ShowNotice(context.texts.Describe(*outcome.stop));
        return outcome;
    }
    if (!read.rows) {
        outcome.stop = read.failure;
        return outcome;
    }
    // Our own reference: a second run started from the event pump may replace the window's.
    outcome = ConvertRows(context, display, kind, read.rows, path);
    if (read.failure) outcome.failures.insert(outcome.failures.begin(), *read.failure);
    return outcome;
}

}  // namespace

std::vector<ConversionOutcome> RunConversion(CoreContext& context, ResultDisplay& display,
                                             const ConversionKind& kind) {
    const std::vector<std::string> paths = SplitPathList(context.state.*kind.pathBox);
    // No workbook named: nothing was done.
    if (paths.empty()) return {ConversionOutcome{.kind = kind.kind}};
    std::vector<ConversionOutcome> outcomes;
    if (const char* refusal = WholeBillDiscountRefusal(kind.kind);
        refusal && context.state.billDiscountOn) {
        context.texts.Notice(refusal);
        // Named but not converted: what the operator asked for did not happen.
        for (const std::string& path : paths) {
            outcomes.push_back(
                {.kind = kind.kind,
                 .workbook = path,
                 .stop = Failure{{error_number::kDatabase, context.texts.LoadText(refusal)},
                                 {.file = path, .sheet = KindText(kind.kind)}}});
        }
        return outcomes;
    }
    for (const std::string& path : paths) {
        outcomes.push_back(ConvertWorkbook(context, display, kind, path));
        if (outcomes.back().progress == RunProgress::StoppedByDatabase) break;
    }
    return outcomes;
}

}  // namespace q9
