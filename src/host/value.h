#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <variant>

namespace q9 {

// Anything a Value can refer to by reference (the login object, a component).
class HostObject {
  public:
    virtual ~HostObject() = default;
};

// A cell or field value: null, integer, floating, text (UTF-8) or an object reference.
class Value {
  public:
    enum class Kind { Null, Integer, Floating, Text, Object };

    Value() = default;
    Value(int64_t v) : data_(v) {}                        // NOLINT(google-explicit-constructor)
    Value(int32_t v) : data_(static_cast<int64_t>(v)) {}  // NOLINT
    Value(double v) : data_(v) {}                         // NOLINT
    Value(std::string v) : data_(std::move(v)) {}         // NOLINT
    Value(const char* v) : data_(std::string(v)) {}       // NOLINT
    Value(std::shared_ptr<HostObject> v) : data_(std::move(v)) {}  // NOLINT

    static Value Null() { return Value(); }

    Kind kind() const { return static_cast<Kind>(data_.index()); }
    bool IsNull() const { return kind() == Kind::Null; }
    bool IsNumber() const { return kind() == Kind::Integer || kind() == Kind::Floating; }
    bool IsText() const { return kind() == Kind::Text; }
    bool IsObject() const { return kind() == Kind::Object; }

    int64_t AsInteger() const { return std::get<int64_t>(data_); }
    double AsFloating() const { return std::get<double>(data_); }
    const std::string& AsText() const { return std::get<std::string>(data_); }
    const std::shared_ptr<HostObject>& AsObject() const {
        return std::get<std::shared_ptr<HostObject>>(data_);
    }
    // Integer or floating as double; throws HostError (type mismatch) otherwise.
    double NumberAsDouble() const;

    bool operator==(const Value& other) const { return data_ == other.data_; }

  private:
    std::variant<std::monostate, int64_t, double, std::string, std::shared_ptr<HostObject>> data_;
};

// The platform's lenient leading-number reading: blanks, tabs and line feeds are ignored
// anywhere; optional sign; digits with at most one point; exponent with E or D; &H and &O
// prefixes; 0 when the text has no leading number.
double Val(std::string_view text);

// Conversion to a 32-bit integer, rounding half to even. Throws HostError: invalid use of
// null for a null, type mismatch for text that is not a number or an object, overflow outside
// the 32-bit range.
int32_t ToInt32(const Value& value);

// Strict number parsing of a whole text (surrounding blanks allowed, no grouping), as the
// platform converts numeric text; false when the text is not a number.
bool ParseNumericText(std::string_view text, double* result);

// The standard value-to-text conversion: no digit grouping, integers without a point, doubles
// to at most 15 significant digits ("1205", "0.3", "1E+20"). Throws HostError for a null
// (invalid use of null) or an object (type mismatch).
std::string ToText(const Value& value);

// As ToText, but a null gives the empty text.
std::string TextOrEmpty(const Value& value);

// A double in its standard text form.
std::string FormatDouble(double value);

}  // namespace q9
