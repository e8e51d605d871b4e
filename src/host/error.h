#pragma once

#include <cstdint>
#include <exception>
#include <memory>
#include <string>
#include <vector>

namespace q9 {

// Numbers follow the host platform's run-time error numbers where one exists, so that messages
// built from them read as operators of the host know them.
namespace error_number {
inline constexpr int32_t kInvalidArgument = 5;
inline constexpr int32_t kOverflow = 6;
inline constexpr int32_t kTypeMismatch = 13;
inline constexpr int32_t kFileNotFound = 53;
inline constexpr int32_t kPermissionDenied = 70;
inline constexpr int32_t kPathFileAccess = 75;
inline constexpr int32_t kPathNotFound = 76;
inline constexpr int32_t kInvalidUseOfNull = 94;
inline constexpr int32_t kCannotCreateObject = 429;
inline constexpr int32_t kItemNotFound = 3265;
inline constexpr int32_t kDatabase =
    3604;  // a statement rejected by the database, native number unknown
inline constexpr int32_t kWorkbook = 3274;  // a workbook that cannot be read
}  // namespace error_number

// What a failure says about the account database as a whole.
enum class ErrorKind {
    Statement,    // this statement failed; the next one may well succeed
    Unavailable,  // the database is locked, busy or its connection is gone: the next fails too
};

// What a run shows, as notice and as grid reason, when it stops on an unavailable database
// (catalog key); the database's message follows it.
inline constexpr const char* kDatabaseUnavailableText =
    "账套数据库被占用或连接已断开，调整已停止：";

// Who wrote an error's description: the tool (a text of its catalog) or the database, whose
// message is shown as it came, after a lead-in of the tool's.
enum class ErrorSource { Tool, Database };

struct Error {
    int32_t number = 0;
    // In the catalog's own language, arguments filled in.
    std::string description;
    ErrorKind kind = ErrorKind::Statement;
    ErrorSource source = ErrorSource::Tool;
    // The catalog template `description` was filled from, and its arguments; an argument that
    // is itself a text of the catalog is translated with it. Empty: `description` is the key.
    std::string textKey{};
    std::vector<std::string> arguments{};
    // The failure this one locates or explains; its description fills the last argument.
    std::shared_ptr<const Error> cause{};

    bool IsSet() const { return number != 0 || !description.empty(); }
    bool IsUnavailable() const { return kind == ErrorKind::Unavailable; }
    // "number (description)", the form the start-up failure box uses.
    std::string NumberAndDescription() const;
};

// An error whose description is the catalog template `textKey` filled with `arguments`.
Error CatalogError(int32_t number, std::string textKey, std::vector<std::string> arguments = {},
                   ErrorKind kind = ErrorKind::Statement);
// An error the catalog template `textKey` describes, its last argument the description of
// `cause`, which it keeps (and which is shown in the session's language with it).
Error ExplainedBy(const Error& cause, int32_t number, std::string textKey,
                  std::vector<std::string> arguments, ErrorKind kind = ErrorKind::Statement);
// A database's own message.
Error DatabaseError(int32_t number, std::string message, ErrorKind kind = ErrorKind::Statement);

// Raised by core operations; front ends show it through `Texts::Describe`.
class HostError : public std::exception {
  public:
    explicit HostError(Error error) : error_(std::move(error)) {}
    HostError(int32_t number, std::string description) : error_{number, std::move(description)} {}

    const Error& error() const noexcept { return error_; }
    const char* what() const noexcept override { return error_.description.c_str(); }

  private:
    Error error_;
};

// The Error of the exception being handled: a HostError keeps its own; anything else gets
// `otherNumber` and its message. Call only inside a catch block.
Error CurrentExceptionError(int32_t otherNumber = error_number::kDatabase);

// The outcome of a call that may fail without raising.
struct Outcome {
    Error error;

    static Outcome Success() { return {}; }
    static Outcome Failure(Error e) { return Outcome{std::move(e)}; }
    bool ok() const { return !error.IsSet(); }
};

}  // namespace q9
