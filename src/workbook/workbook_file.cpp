#include "workbook/workbook_file.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <random>
#include <system_error>

#include "host/error.h"

namespace q9 {

namespace {

namespace fs = std::filesystem;

constexpr int32_t kDiskFull = 61;
constexpr int32_t kDeviceError = 57;

[[noreturn]] void ThrowFileError(const std::error_code& code) {
    const std::error_condition condition = code.default_error_condition();
    if (condition == std::errc::permission_denied ||
        condition == std::errc::operation_not_permitted ||
        condition == std::errc::read_only_file_system ||
        condition == std::errc::device_or_resource_busy || condition == std::errc::text_file_busy ||
        condition == std::errc::is_a_directory || condition == std::errc::directory_not_empty) {
        throw HostError(error_number::kPermissionDenied, "没有权限访问该文件");
    }
    if (condition == std::errc::no_such_file_or_directory ||
        condition == std::errc::not_a_directory) {
        throw HostError(error_number::kPathNotFound, "路径不存在");
    }
    if (condition == std::errc::no_space_on_device) throw HostError(kDiskFull, "磁盘已满");
    throw HostError(CatalogError(kDeviceError, "写入文件失败：%1", {code.message()}));
}

[[noreturn]] void ThrowErrno() {
    ThrowFileError(std::error_code(errno != 0 ? errno : EIO, std::generic_category()));
}

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// Removes the temporary file unless it was renamed into place.
class TemporaryFile {
  public:
    explicit TemporaryFile(const std::string& target) {
        std::random_device random;
        for (int attempt = 0; attempt < 100; ++attempt) {
            char suffix[16];
            std::snprintf(suffix, sizeof suffix, ".%08x.tmp", random());
            path_ = target + suffix;
            file_.reset(std::fopen(path_.c_str(), "wbx"));
            if (file_) return;
            if (errno != EEXIST) ThrowErrno();
        }
        ThrowErrno();
    }
    ~TemporaryFile() {
        file_.reset();
        if (!path_.empty()) {
            std::error_code ignored;
            fs::remove(path_, ignored);
        }
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    void Write(const std::function<void(std::FILE*)>& write) {
        try {
            write(file_.get());
        } catch (...) {
            if (std::ferror(file_.get())) ThrowErrno();
            throw;
        }
        if (std::ferror(file_.get()) || std::fflush(file_.get()) != 0) ThrowErrno();
        std::FILE* file = file_.release();
        if (std::fclose(file) != 0) ThrowErrno();
    }

    void RenameTo(const std::string& target) {
        std::error_code code;
        fs::rename(path_, target, code);
        if (code) ThrowFileError(code);
        path_.clear();
    }

  private:
    std::string path_;
    FilePtr file_;
};

}  // namespace

bool WorkbookFileExists(const std::string& path) {
    std::error_code code;
    const fs::file_status status = fs::status(path, code);
    return !code && fs::exists(status) && !fs::is_directory(status);
}

void ReplaceFileWith(const std::string& path, const std::function<void(std::FILE*)>& write) {
    TemporaryFile temporary(path);
    temporary.Write(write);
    temporary.RenameTo(path);
}

}  // namespace q9
