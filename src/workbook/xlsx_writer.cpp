#include "workbook/xlsx_writer.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "host/error.h"
#include "workbook/xlsx_text.h"
#include "workbook/zip_writer.h"

namespace q9 {

namespace {

constexpr std::string_view kXmlDeclaration =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n";
constexpr std::string_view kMainNamespace =
    "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
constexpr std::string_view kRelationshipsNamespace =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships";

constexpr std::string_view kContentTypes =
    "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
    "<Default Extension=\"rels\" "
    "ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
    "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
    "<Override PartName=\"/xl/workbook.xml\" "
    "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml\"/>"
    "<Override PartName=\"/xl/worksheets/sheet1.xml\" "
    "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml\"/>"
    "<Override PartName=\"/xl/sharedStrings.xml\" "
    "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.sharedStrings+xml\"/"
    ">"
    "<Override PartName=\"/xl/styles.xml\" "
    "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.styles+xml\"/>"
    "</Types>";

constexpr std::string_view kPackageRelationships =
    "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
    "<Relationship Id=\"rId1\" "
    "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument\" "
    "Target=\"xl/workbook.xml\"/>"
    "</Relationships>";

constexpr std::string_view kWorkbookRelationships =
    "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
    "<Relationship Id=\"rId1\" "
    "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet\" "
    "Target=\"worksheets/sheet1.xml\"/>"
    "<Relationship Id=\"rId2\" "
    "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/styles\" "
    "Target=\"styles.xml\"/>"
    "<Relationship Id=\"rId3\" "
    "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/sharedStrings\" "
    "Target=\"sharedStrings.xml\"/>"
    "</Relationships>";

// One general cell format on the font of the Excel 5.0/95 export: 宋体, 12 points, GB 2312.
constexpr std::string_view kStylesBody =
    "<fonts count=\"1\"><font><sz val=\"12\"/><name val=\"宋体\"/><charset val=\"134\"/></font>"
    "</fonts>"
    "<fills count=\"2\"><fill><patternFill patternType=\"none\"/></fill>"
    "<fill><patternFill patternType=\"gray125\"/></fill></fills>"
    "<borders count=\"1\"><border><left/><right/><top/><bottom/><diagonal/></border></borders>"
    "<cellStyleXfs count=\"1\"><xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\"/>"
    "</cellStyleXfs>"
    "<cellXfs count=\"1\"><xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\" "
    "xfId=\"0\"/></cellXfs>"
    "<cellStyles count=\"1\"><cellStyle name=\"Normal\" xfId=\"0\" builtinId=\"0\"/>"
    "</cellStyles>";

void AppendCellReference(std::string& out, uint32_t row, uint32_t column) {
    char letters[4];
    size_t count = 0;
    for (uint32_t n = column + 1; n > 0; n = (n - 1) / 26) {
        letters[count++] = static_cast<char>('A' + (n - 1) % 26);
    }
    while (count > 0) out.push_back(letters[--count]);
    char digits[12];
    const auto end = std::to_chars(digits, digits + sizeof digits, row + 1).ptr;
    out.append(digits, end);
}

void AppendNumber(std::string& out, uint64_t value) {
    char digits[24];
    out.append(digits, std::to_chars(digits, digits + sizeof digits, value).ptr);
}

}  // namespace

XlsxWorkbookBuilder::XlsxWorkbookBuilder(std::string_view sheetName, size_t expectedCells)
    : sheetName_(EscapeXlsxText(sheetName, kMaxSheetNameCharacters)) {
    sheetData_.reserve(64 + expectedCells * 24);
}

void XlsxWorkbookBuilder::BeginCell(uint32_t row, uint32_t column) {
    if (row >= kMaxRows || column >= kMaxColumns) {
        throw HostError(error_number::kOverflow, "单元格超出工作表范围");
    }
    if (anyCell_ && (row < row_ || (row == row_ && column <= column_))) {
        throw HostError(error_number::kOverflow, "单元格位于上一个已写单元格之前");
    }
    if (!anyCell_ || row != row_) {
        if (anyCell_) sheetData_ += "</row>";
        sheetData_ += "<row r=\"";
        AppendNumber(sheetData_, uint64_t{row} + 1);
        sheetData_ += "\">";
    }
    anyCell_ = true;
    row_ = row;
    column_ = column;
    lastColumn_ = std::max(lastColumn_, column);
    sheetData_ += "<c r=\"";
    AppendCellReference(sheetData_, row, column);
    sheetData_.push_back('"');
}

void XlsxWorkbookBuilder::AddLabel(uint32_t row, uint32_t column, std::string_view utf8) {
    BeginCell(row, column);
    std::string text = EscapeXlsxText(utf8, kMaxTextUnits);
    auto [entry, added] =
        stringIndex_.try_emplace(text, static_cast<uint32_t>(stringIndex_.size()));
    if (added) {
        // Readers drop blanks at either end of a text unless told to keep them.
        const bool preserve =
            !text.empty() && (text.front() == ' ' || text.back() == ' ' || text.front() == '\t' ||
                              text.back() == '\t' || text.front() == '\n' || text.back() == '\n');
        strings_ += preserve ? "<si><t xml:space=\"preserve\">" : "<si><t>";
        strings_ += entry->first;
        strings_ += "</t></si>";
    }
    ++stringReferences_;
    sheetData_ += " t=\"s\"><v>";
    AppendNumber(sheetData_, entry->second);
    sheetData_ += "</v></c>";
}

void XlsxWorkbookBuilder::AddNumber(uint32_t row, uint32_t column, double value) {
    if (!std::isfinite(value)) return;
    BeginCell(row, column);
    // The shortest text that reads back as the same double.
    char digits[32];
    const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    sheetData_ += "><v>";
    sheetData_.append(digits, end);
    sheetData_ += "</v></c>";
}

std::string XlsxWorkbookBuilder::SheetHead() const {
    std::string part(kXmlDeclaration);
    part += "<worksheet xmlns=\"";
    part += kMainNamespace;
    part += "\" xmlns:r=\"";
    part += kRelationshipsNamespace;
    part += "\">";
    if (anyCell_) {
        part += "<dimension ref=\"A1:";
        AppendCellReference(part, row_, lastColumn_);
        part += "\"/>";
    }
    part += "<sheetData>";
    return part;
}

std::string XlsxWorkbookBuilder::SharedStringsHead() const {
    std::string part(kXmlDeclaration);
    part += "<sst xmlns=\"";
    part += kMainNamespace;
    part += "\" count=\"";
    AppendNumber(part, stringReferences_);
    part += "\" uniqueCount=\"";
    AppendNumber(part, stringIndex_.size());
    part += "\">";
    return part;
}

void XlsxWorkbookBuilder::WriteTo(std::FILE* file) {
    const auto withDeclaration = [](std::string_view body) {
        return std::string(kXmlDeclaration) + std::string(body);
    };
    std::string workbook = "<workbook xmlns=\"" + std::string(kMainNamespace) + "\" xmlns:r=\"" +
                           std::string(kRelationshipsNamespace) + "\"><sheets><sheet name=\"";
    for (char c : sheetName_) {
        if (c == '"') {
            workbook += "&quot;";
        } else {
            workbook.push_back(c);
        }
    }
    workbook += "\" sheetId=\"1\" r:id=\"rId1\"/></sheets></workbook>";
    const std::string styles = "<styleSheet xmlns=\"" + std::string(kMainNamespace) + "\">" +
                               std::string(kStylesBody) + "</styleSheet>";

    ZipWriter zip(file);
    zip.Add("[Content_Types].xml", withDeclaration(kContentTypes));
    zip.Add("_rels/.rels", withDeclaration(kPackageRelationships));
    zip.Add("xl/workbook.xml", withDeclaration(workbook));
    zip.Add("xl/_rels/workbook.xml.rels", withDeclaration(kWorkbookRelationships));
    zip.Add("xl/styles.xml", withDeclaration(styles));
    // The large parts are written where they were built, not joined into a copy.
    zip.Add("xl/sharedStrings.xml", {SharedStringsHead(), strings_, "</sst>"});
    zip.Add("xl/worksheets/sheet1.xml",
            {SheetHead(), sheetData_,
             anyCell_ ? "</row></sheetData></worksheet>" : "</sheetData></worksheet>"});
    zip.Finish();
}

}  // namespace q9
