#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "host/recordset.h"
#include "workbook/sheet_writer.h"

namespace q9 {

// Data rows per workbook: sheet rows 2 to 16301.
inline constexpr int kRowsPerWorkbook = 16300;

// Header of column L, which names the linked amount after the kind.
std::string CommitAmountHeader(const std::string& kindText);

// The format the operator asked for by the name: .xlsx for a name ending in ".xlsx" (in any
// letter case), Excel 5.0/95 for every other name.
WorkbookFileFormat ExportFormatOf(const std::string& fileName);

// Name of the k-th further workbook (k from 1). For an .xlsx name: the name without ".xlsx",
// then k, then ".xlsx". For any other: the chosen name without its last four characters (taken
// to be ".xls"), then k, then ".xls".
std::string FurtherWorkbookName(const std::string& fileName, int k);

// Number of workbooks for `recordCount` rows.
int WorkbookCount(int recordCount);

// Fills the sheet of workbook `index` (from 1) of `count`: headers in row 1, then the rows
// from the recordset's current one on, until its end or, when there are several workbooks, the
// last row of this one; the recordset moves forward as rows are written. Throws HostError when a
// field is missing or a value of columns E to L cannot be converted to text (a null).
void FillCandidateSheet(Recordset& rows, const std::string& kindText, int index, int count,
                        SheetWriter& sheet);

// The same as the `Book` stream of an Excel 5.0/95 workbook.
std::vector<uint8_t> BuildCandidateBookStream(Recordset& rows, const std::string& kindText,
                                              int index, int count);

}  // namespace q9
