#include "workbook/xlsx_sheet_reader.h"

#include <charconv>
#include <cmath>
#include <map>
#include <vector>

#include "workbook/sheet_table.h"
#include "workbook/xlsx_text.h"
#include "workbook/zip_xml_package.h"

namespace q9 {

namespace {

constexpr std::string_view kOfficeDocumentType = "/officeDocument";
constexpr std::string_view kSharedStringsType = "/sharedStrings";

bool EndsWith(std::string_view text, std::string_view suffix) {
    return text.size() >= suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

struct Relationship {
    std::string type;
    std::string target;
};

class RelationshipsHandler : public XmlPartHandler {
  public:
    std::map<std::string, Relationship> byId;

    void StartElement(std::string_view name, const char** attributes) override {
        if (name != "Relationship") return;
        const char* id = FindAttribute(attributes, "Id");
        const char* type = FindAttribute(attributes, "Type");
        const char* target = FindAttribute(attributes, "Target");
        const char* mode = FindAttribute(attributes, "TargetMode");
        if (!id || !target || (mode && std::string_view(mode) == "External")) return;
        byId[id] = Relationship{type ? type : "", target};
    }
    void EndElement(std::string_view) override {}
    void Characters(std::string_view) override {}
};

struct SheetEntry {
    std::string name;
    std::string relationshipId;
};

class WorkbookHandler : public XmlPartHandler {
  public:
    std::vector<SheetEntry> sheets;

    void StartElement(std::string_view name, const char** attributes) override {
        if (name != "sheet") return;
        const char* sheetName = FindAttribute(attributes, "name");
        const char* id = FindPrefixedAttribute(attributes, "id");
        if (sheetName && id) sheets.push_back(SheetEntry{sheetName, id});
    }
    void EndElement(std::string_view) override {}
    void Characters(std::string_view) override {}
};

// <si> items: plain <t>, or rich-text runs <r><t>; phonetic hints (<rPh>) are not the text.
class SharedStringsHandler : public XmlPartHandler {
  public:
    std::vector<std::string> strings;

    void StartElement(std::string_view name, const char**) override {
        if (name == "si") {
            inItem_ = true;
            current_.clear();
        } else if (name == "rPh") {
            ++phoneticDepth_;
        } else if (name == "t" && inItem_ && phoneticDepth_ == 0) {
            inText_ = true;
        }
    }
    void EndElement(std::string_view name) override {
        if (name == "si") {
            inItem_ = false;
            strings.push_back(UnescapeXlsxText(current_));
            current_.clear();
        } else if (name == "rPh") {
            if (phoneticDepth_ > 0) --phoneticDepth_;
        } else if (name == "t") {
            inText_ = false;
        }
    }
    void Characters(std::string_view text) override {
        if (inText_) current_.append(text);
    }

  private:
    bool inItem_ = false;
    bool inText_ = false;
    int phoneticDepth_ = 0;
    std::string current_;
};

bool ParseUnsigned(std::string_view text, uint64_t* value) {
    if (text.empty()) return false;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), *value);
    return error == std::errc() && end == text.data() + text.size();
}

// Numbers as the file stores them, independent of the process locale.
bool ParseCellNumber(std::string_view text, double* value) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    if (text.empty()) return false;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), *value);
    return error == std::errc() && end == text.data() + text.size() && std::isfinite(*value);
}

class WorksheetHandler : public XmlPartHandler {
  public:
    WorksheetHandler(const std::vector<std::string>& sharedStrings, SheetTableBuilder& table)
        : sharedStrings_(sharedStrings), table_(table) {}

    void StartElement(std::string_view name, const char** attributes) override {
        if (name == "sheetData") {
            inSheetData_ = true;
        } else if (!inSheetData_) {
            return;
        } else if (name == "row") {
            StartRow(attributes);
        } else if (name == "c") {
            StartCell(attributes);
        } else if (!inCell_) {
            return;
        } else if (name == "v") {
            inValue_ = true;
        } else if (name == "is") {
            inInline_ = true;
        } else if (name == "rPh") {
            ++phoneticDepth_;
        } else if (name == "t" && inInline_ && phoneticDepth_ == 0) {
            inInlineText_ = true;
        }
    }

    void EndElement(std::string_view name) override {
        if (name == "sheetData") {
            inSheetData_ = false;
        } else if (!inCell_) {
            return;
        } else if (name == "c") {
            FinishCell();
        } else if (name == "v") {
            inValue_ = false;
        } else if (name == "is") {
            inInline_ = false;
        } else if (name == "rPh") {
            if (phoneticDepth_ > 0) --phoneticDepth_;
        } else if (name == "t") {
            inInlineText_ = false;
        }
    }

    void Characters(std::string_view text) override {
        if (inValue_) {
            value_.append(text);
        } else if (inInlineText_) {
            inlineText_.append(text);
        }
    }

  private:
    void StartRow(const char** attributes) {
        uint64_t number = 0;
        if (const char* r = FindAttribute(attributes, "r")) {
            if (!ParseUnsigned(r, &number) || number == 0 || number > kMaxSheetRows) {
                ThrowWorkbookError("工作表的行号“%1”无效。", {std::string(r)});
            }
            row_ = number - 1;
        } else {
            row_ = nextRow_;
        }
        if (row_ >= kMaxSheetRows) {
            ThrowWorkbookError("工作表超过%1行。", {std::to_string(kMaxSheetRows)});
        }
        nextRow_ = row_ + 1;
        nextColumn_ = 0;
    }

    void StartCell(const char** attributes) {
        inCell_ = true;
        cellRow_ = row_;
        cellColumn_ = nextColumn_;
        if (const char* r = FindAttribute(attributes, "r")) ParseReference(r);
        const char* type = FindAttribute(attributes, "t");
        type_ = type ? type : "n";
        value_.clear();
        inlineText_.clear();
        inValue_ = inInline_ = inInlineText_ = false;
        phoneticDepth_ = 0;
    }

    // "AB12": letters give the column, digits (when present) the row.
    void ParseReference(std::string_view reference) {
        uint64_t column = 0;
        size_t i = 0;
        for (; i < reference.size(); ++i) {
            char c = reference[i];
            if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
            if (c < 'A' || c > 'Z') break;
            column = column * 26 + static_cast<uint64_t>(c - 'A' + 1);
            if (column > kMaxSheetColumns) {
                ThrowWorkbookError("工作表有超过第%1列的单元格。",
                                   {std::to_string(kMaxSheetColumns)});
            }
        }
        uint64_t rowNumber = 0;
        const bool hasRow = i < reference.size();
        if (i == 0 || (hasRow && (!ParseUnsigned(reference.substr(i), &rowNumber) ||
                                  rowNumber == 0 || rowNumber > kMaxSheetRows))) {
            ThrowWorkbookError("工作表的单元格引用“%1”无效。", {std::string(reference)});
        }
        cellColumn_ = column - 1;
        if (hasRow) cellRow_ = rowNumber - 1;
    }

    void FinishCell() {
        inCell_ = false;
        nextColumn_ = cellColumn_ + 1;
        const auto row = static_cast<uint32_t>(cellRow_);
        const auto column = static_cast<uint32_t>(cellColumn_);
        if (column >= kMaxSheetColumns) {
            ThrowWorkbookError("工作表有超过第%1列的单元格。", {std::to_string(kMaxSheetColumns)});
        }
        double number = 0;
        if (type_ == "s") {
            uint64_t index = 0;
            if (value_.empty()) return;
            if (!ParseUnsigned(value_, &index) || index >= sharedStrings_.size()) {
                ThrowWorkbookError("工作表引用了不存在的共享字符串。");
            }
            table_.AddText(row, column, sharedStrings_[index]);
        } else if (type_ == "inlineStr") {
            table_.AddText(row, column, UnescapeXlsxText(inlineText_));
        } else if (type_ == "str") {
            table_.AddText(row, column, UnescapeXlsxText(value_));
        } else if (type_ == "d") {
            table_.AddText(row, column, std::move(value_));
        } else if (type_ == "e") {
            // An error value (#N/A, #DIV/0!) has nothing to give: an empty cell.
        } else if (type_ == "b") {
            if (!value_.empty()) table_.AddNumber(row, column, value_ == "0" ? 0.0 : 1.0);
        } else if (ParseCellNumber(value_, &number)) {
            table_.AddNumber(row, column, number);
        } else {
            table_.AddText(row, column, std::move(value_));
        }
    }

    const std::vector<std::string>& sharedStrings_;
    SheetTableBuilder& table_;
    bool inSheetData_ = false;
    bool inCell_ = false;
    bool inValue_ = false;
    bool inInline_ = false;
    bool inInlineText_ = false;
    int phoneticDepth_ = 0;
    uint64_t row_ = 0;
    uint64_t nextRow_ = 0;
    uint64_t nextColumn_ = 0;
    uint64_t cellRow_ = 0;
    uint64_t cellColumn_ = 0;
    std::string type_;
    std::string value_;
    std::string inlineText_;
};

std::string RelationshipsPartOf(const std::string& part) {
    auto slash = part.rfind('/');
    std::string folder = slash == std::string::npos ? std::string() : part.substr(0, slash + 1);
    std::string file = slash == std::string::npos ? part : part.substr(slash + 1);
    return folder + "_rels/" + file + ".rels";
}

std::string WorkbookPartOf(ZipXmlPackage& package) {
    if (package.HasPart("_rels/.rels")) {
        RelationshipsHandler root;
        package.ParsePart("_rels/.rels", root);
        for (const auto& [id, relationship] : root.byId) {
            if (EndsWith(relationship.type, kOfficeDocumentType)) {
                return ResolvePartTarget("", relationship.target);
            }
        }
    }
    return "xl/workbook.xml";
}

}  // namespace

RecordsetPtr ReadXlsxSheet(const std::string& path, const std::string& sheetName) {
    ZipXmlPackage package(path);
    const std::string workbookPart = WorkbookPartOf(package);

    WorkbookHandler workbook;
    package.ParsePart(workbookPart, workbook);
    std::vector<std::string> names;
    for (const auto& sheet : workbook.sheets) names.push_back(sheet.name);
    const int index = FindSheetIndex(names, sheetName);
    if (index < 0) ThrowSheetNotFound(sheetName, names);

    RelationshipsHandler relationships;
    const std::string relationshipsPart = RelationshipsPartOf(workbookPart);
    package.ParsePart(relationshipsPart, relationships);
    auto sheetRelationship = relationships.byId.find(workbook.sheets[index].relationshipId);
    if (sheetRelationship == relationships.byId.end()) {
        ThrowWorkbookError("工作簿已损坏：没有给出工作表“%1”的部件名。", {sheetName});
    }
    const std::string sheetPart = ResolvePartTarget(workbookPart, sheetRelationship->second.target);

    SharedStringsHandler sharedStrings;
    for (const auto& [id, relationship] : relationships.byId) {
        if (EndsWith(relationship.type, kSharedStringsType)) {
            package.ParsePart(ResolvePartTarget(workbookPart, relationship.target), sharedStrings);
            break;
        }
    }

    SheetTableBuilder table;
    WorksheetHandler sheet(sharedStrings.strings, table);
    package.ParsePart(sheetPart, sheet);
    return table.Build();
}

}  // namespace q9
