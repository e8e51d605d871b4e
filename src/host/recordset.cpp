#include "host/recordset.h"

#include "host/error.h"

namespace q9 {

namespace {

char Lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
    while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
    return s;
}

[[noreturn]] void ThrowNoCurrentRecord() {
    throw HostError(error_number::kItemNotFound, "没有当前记录");
}

}  // namespace

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (Lower(a[i]) != Lower(b[i])) return false;
    }
    return true;
}

Recordset::Recordset(std::vector<std::string> fieldNames, std::vector<Row> rows)
    : Recordset(std::make_shared<const std::vector<std::string>>(std::move(fieldNames)),
                std::move(rows)) {}

Recordset::Recordset(FieldNameList fieldNames, std::vector<Row> rows)
    : fieldNames_(std::move(fieldNames)), rows_(std::move(rows)) {
    for (auto& row : rows_) row.resize(fieldNames_->size());
    ShowAll();
}

void Recordset::ShowAll() {
    visible_.resize(rows_.size());
    for (size_t i = 0; i < rows_.size(); ++i) visible_[i] = i;
    position_ = 0;
}

void Recordset::MoveNext() {
    if (Eof()) ThrowNoCurrentRecord();
    ++position_;
}

int Recordset::AbsolutePosition() const {
    return Eof() ? -3 : static_cast<int>(position_) + 1;
}

int NameIndex(const std::vector<std::string>& names, std::string_view name) {
    for (size_t i = 0; i < names.size(); ++i) {
        if (EqualsIgnoringCase(names[i], name)) return static_cast<int>(i);
    }
    return -1;
}

int Recordset::FieldIndex(std::string_view name) const {
    return NameIndex(*fieldNames_, name);
}

const Value& Recordset::Field(std::string_view name) const {
    int index = FieldIndex(name);
    if (index < 0) {
        throw HostError(
            CatalogError(error_number::kItemNotFound, "记录集中没有字段%1", {std::string(name)}));
    }
    return FieldAt(static_cast<size_t>(index));
}

const Value& Recordset::FieldAt(size_t index) const {
    if (Eof()) ThrowNoCurrentRecord();
    return rows_[visible_[position_]].at(index);
}

void Recordset::SetFilter(std::string_view filter) {
    filter = Trim(filter);
    if (filter.empty()) {
        ShowAll();
        return;
    }
    auto equals = filter.find('=');
    if (equals == std::string_view::npos || filter.size() < equals + 3 ||
        filter[equals + 1] != '\'' || filter.back() != '\'') {
        throw HostError(CatalogError(error_number::kTypeMismatch, "不支持的筛选条件：%1",
                                     {std::string(filter)}));
    }
    int index = FieldIndex(Trim(filter.substr(0, equals)));
    if (index < 0) {
        throw HostError(CatalogError(error_number::kItemNotFound, "筛选条件中的字段不存在：%1",
                                     {std::string(filter)}));
    }
    std::string_view wanted = filter.substr(equals + 2, filter.size() - equals - 3);
    visible_.clear();
    for (size_t i = 0; i < rows_.size(); ++i) {
        const Value& v = rows_[i][static_cast<size_t>(index)];
        if (!v.IsNull() && !v.IsObject() && EqualsIgnoringCase(ToText(v), wanted)) {
            visible_.push_back(i);
        }
    }
    position_ = 0;
}

}  // namespace q9
