#include "journal/change_store.h"

#include <array>
#include <cerrno>
#include <system_error>

namespace q9 {

namespace {

constexpr int32_t kDiskFull = 61;
constexpr size_t kFlushBytes = 64 * 1024;
constexpr size_t kFields = 7;

constexpr const char* kCreateFailed = "不能创建变更明细的临时文件：%1";
constexpr const char* kWriteFailed = "不能写入变更明细的临时文件：%1";
constexpr const char* kReadFailed = "不能读取变更明细的临时文件：%1";

// The fields in the order they are stored.
std::array<std::string*, kFields> Fields(ChangeRow& row) {
    ChangedValue& v = row.value;
    return {&row.kind, &row.billNo, &v.table, &v.keys, &v.column, &v.before, &v.after};
}

// `error` 0: the file ended before its rows did.
Error FileError(const char* textKey, int error) {
    if (error == 0) error = EIO;
    return CatalogError(error == ENOSPC ? kDiskFull : error_number::kPathFileAccess, textKey,
                        {std::generic_category().message(error)});
}

void PutCount(std::string& out, size_t count) {
    while (count >= 0x80) {
        out += static_cast<char>((count & 0x7f) | 0x80);
        count >>= 7;
    }
    out += static_cast<char>(count);
}

// Reads the rows back through the stream's own buffer.
class RowReader {
  public:
    explicit RowReader(std::FILE* file) : file_(file) {}

    // The next row into `row`, whose fields are the previous row's.
    void Next(ChangeRow& row) {
        for (std::string* field : Fields(row)) {
            const size_t count = Count();
            if (count == 0) continue;  // as the previous row's
            field->resize(count - 1);
            if (count > 1 && std::fread(field->data(), 1, count - 1, file_) != count - 1) Fail();
        }
    }

  private:
    size_t Count() {
        size_t count = 0;
        for (int shift = 0; shift < 64; shift += 7) {
            const int byte = std::getc(file_);
            if (byte == EOF) Fail();
            count |= static_cast<size_t>(byte & 0x7f) << shift;
            if ((byte & 0x80) == 0) return count;
        }
        Fail();
    }

    [[noreturn]] void Fail() const {
        throw HostError(FileError(kReadFailed, std::ferror(file_) ? errno : 0));
    }

    std::FILE* file_;
};

}  // namespace

ChangeStore::ChangeStore() = default;
ChangeStore::~ChangeStore() = default;

void ChangeStore::Append(ChangeRow row) {
    if (failure_.IsSet()) return;
    if (!file_) {
        errno = 0;
        file_.reset(std::tmpfile());
        if (!file_) {
            failure_ = FileError(kCreateFailed, errno);
            return;
        }
    }
    const auto fields = Fields(row);
    const auto lastFields = Fields(last_);
    for (size_t f = 0; f < kFields; ++f) {
        std::string& field = *fields[f];
        // Rows of one line share their kind, bill, table and keys.
        if (size_ > 0 && field == *lastFields[f]) {
            PutCount(pending_, 0);
            continue;
        }
        PutCount(pending_, field.size() + 1);
        pending_ += field;
        *lastFields[f] = std::move(field);
    }
    ++size_;
    if (pending_.size() < kFlushBytes) return;
    try {
        Flush();
    } catch (const HostError& e) {
        failure_ = e.error();
        pending_ = std::string();
    }
}

void ChangeStore::Flush() const {
    if (pending_.empty()) return;
    errno = 0;
    // A read may have left the stream anywhere; rows go at the end.
    if (std::fseek(file_.get(), 0, SEEK_END) != 0 ||
        std::fwrite(pending_.data(), 1, pending_.size(), file_.get()) != pending_.size() ||
        std::fflush(file_.get()) != 0) {
        throw HostError(FileError(kWriteFailed, errno));
    }
    pending_.clear();
}

void ChangeStore::ForEach(const std::function<void(const ChangeRow&)>& visit) const {
    if (failure_.IsSet()) throw HostError(failure_);
    if (size_ == 0) return;
    Flush();
    std::FILE* file = file_.get();
    errno = 0;
    if (std::fseek(file, 0, SEEK_SET) != 0) {
        throw HostError(FileError(kReadFailed, errno));
    }
    RowReader reader(file);
    ChangeRow row;
    for (size_t i = 0; i < size_; ++i) {
        reader.Next(row);
        visit(row);
    }
}

}  // namespace q9
