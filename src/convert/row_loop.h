#pragma once

// The row loop shared by the four document kinds: each workbook row is tested, and an accepted
// line is backed up and rewritten as one unit of work: a transaction of its own, or on an engine
// whose commits cost more than the lines, a savepoint in a transaction of a few lines.

#include <cstdint>
#include <string>

#include "convert/conversion_sql.h"
#include "convert/converters.h"
#include "host/context.h"
#include "host/document_kind.h"
#include "host/ports.h"
#include "host/recordset.h"

namespace q9 {

// What sets the kinds apart.
struct ConversionKind {
    DocumentKind kind;
    std::string WindowState::*pathBox;
    std::string (*checkSql)(int32_t id, int32_t entryId, const RateChange& change,
                            const WindowState& state);
    LineStatements (*lineStatements)(int32_t id, int32_t entryId, const RateChange& change,
                                     const WindowState& state);
    const char* conflictReason;
    bool readerMarks;  // debug-log "1" before and "2" after the reader call
};

const ConversionKind& ConversionKindOf(DocumentKind kind);

// Reasons of the skipped-line entries (catalog keys).
inline constexpr const char* kOrderConflictReason =
    "xls上该行数据的关联金额大于金额，该行数据不处理";
inline constexpr const char* kContractConflictReason =
    "xls上该行数据的关联金额大于金额或者收付款计划数据有多条分录，该行数据不处理";
inline constexpr const char* kUpdateFailedReason = "数据库更新失败，该行数据未修改：";
inline constexpr const char* kRowFailedReason = "该行数据无法处理，本表后续行未处理：";
inline constexpr const char* kStaleLineReason =
    "该行数据已不符合引出条件（已开票、已作废、日期不在调整范围或不属于本类单据），该行数据不处理";

// The ticked change whose old rate the rate cell holds, or null. Throws HostError when the cell
// holds nothing that can be read as text.
const RateChange* ChangeForRateCell(const Value& rateCell, const WindowState& state);

// "xls上该行数据的税率不是17或11，该行数据不处理" with the profile's old rates, in the session's
// language.
std::string RateReason(Texts& texts, const RateProfile& profile);

// An id cell as a 32-bit integer. Throws HostError when it is empty, not a number, not whole
// or out of range: an id is never rounded onto a neighbour.
int32_t WholeId(const Value& cell);

// The whole converter: path box, reader, rows.
std::vector<ConversionOutcome> RunConversion(CoreContext& context, ResultDisplay& display,
                                             const ConversionKind& kind);

// The rows of a workbook already read, title row first.
ConversionOutcome ConvertRows(CoreContext& context, ResultDisplay& display,
                              const ConversionKind& kind, const RecordsetPtr& rows,
                              const std::string& workbook = {});

}  // namespace q9
