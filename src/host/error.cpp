#include "host/error.h"

#include "host/failure.h"
#include "host/text_template.h"

namespace q9 {

std::string Error::NumberAndDescription() const {
    return std::to_string(number) + " (" + description + ")";
}

Error CatalogError(int32_t number, std::string textKey, std::vector<std::string> arguments,
                   ErrorKind kind) {
    Error error{number, FillTemplate(textKey, arguments), kind};
    error.textKey = std::move(textKey);
    error.arguments = std::move(arguments);
    return error;
}

Error DatabaseError(int32_t number, std::string message, ErrorKind kind) {
    return Error{number, std::move(message), kind, ErrorSource::Database};
}

Error ExplainedBy(const Error& cause, int32_t number, std::string textKey,
                  std::vector<std::string> arguments, ErrorKind kind) {
    arguments.push_back(cause.description);
    Error error = CatalogError(number, std::move(textKey), std::move(arguments), kind);
    error.cause = std::make_shared<const Error>(cause);
    return error;
}

Error AtCell(const Error& error, const std::string& sheet, int row, const std::string& column) {
    return ExplainedBy(error, error.number, "%1 第%2行 %3列：%4",
                       {sheet, std::to_string(row), column}, error.kind);
}

Error AtRow(const Error& error, const std::string& sheet, int row) {
    return ExplainedBy(error, error.number, "%1 第%2行：%3", {sheet, std::to_string(row)},
                       error.kind);
}

Error CurrentExceptionError(int32_t otherNumber) {
    try {
        throw;
    } catch (const HostError& e) {
        return e.error();
    } catch (const std::exception& e) {
        return Error{otherNumber, e.what()};
    } catch (...) {
        return CatalogError(otherNumber, "未知错误");
    }
}

}  // namespace q9
