#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "host/value.h"

namespace q9 {

// Rows in memory with named fields: what a query or a workbook sheet gives back.
class Recordset {
  public:
    using Row = std::vector<Value>;

    using FieldNameList = std::shared_ptr<const std::vector<std::string>>;

    Recordset(std::vector<std::string> fieldNames, std::vector<Row> rows);
    // Names shared between results of one statement: a statement run once a line repeats them.
    Recordset(FieldNameList fieldNames, std::vector<Row> rows);

    // Records visible through the current filter.
    int RecordCount() const { return static_cast<int>(visible_.size()); }
    bool Eof() const { return position_ >= visible_.size(); }
    void MoveNext();
    void MoveFirst() { position_ = 0; }
    // 1-based position of the current record; -3 at the end, as the platform answers.
    int AbsolutePosition() const;

    size_t FieldCount() const { return fieldNames_->size(); }
    const std::vector<std::string>& FieldNames() const { return *fieldNames_; }
    // Index of the first field of that name (case-insensitive), or -1.
    int FieldIndex(std::string_view name) const;
    bool HasField(std::string_view name) const { return FieldIndex(name) >= 0; }

    // Value of the current record. Throws HostError when the name is unknown or the recordset
    // stands at its end.
    const Value& Field(std::string_view name) const;
    const Value& FieldAt(size_t index) const;

    // "Field='text'" (text compared without regard to letter case); the empty text removes the
    // filter. The recordset then stands on the first visible record.
    void SetFilter(std::string_view filter);

    // All rows, ignoring filter and position.
    const std::vector<Row>& Rows() const { return rows_; }

  private:
    void ShowAll();

    FieldNameList fieldNames_;
    std::vector<Row> rows_;
    std::vector<size_t> visible_;
    size_t position_ = 0;
};

using RecordsetPtr = std::shared_ptr<Recordset>;

// ASCII letters compared without case; other bytes exactly.
bool EqualsIgnoringCase(std::string_view a, std::string_view b);
// Where `name` stands among `names`, letter case aside; -1 when it does not.
int NameIndex(const std::vector<std::string>& names, std::string_view name);

}  // namespace q9
