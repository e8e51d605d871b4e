#pragma once

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <system_error>

namespace q9::testing {

// A fresh folder under the system's temporary folder ("STEM-XXXXXX"), removed with its content.
class TempFolder {
  public:
    explicit TempFolder(const std::string& stem = "q9-test") {
        std::string pattern =
            (std::filesystem::temp_directory_path() / (stem + "-XXXXXX")).string();
        if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot create " + pattern);
        path_ = pattern;
    }
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::string File(const std::string& name) const { return (path_ / name).string(); }
    // The folder as the export takes it: ending with the separator.
    std::string FolderText() const { return path_.string() + "/"; }

  private:
    std::filesystem::path path_;
};

// The bytes of a file; empty when there is no regular file at `path`.
inline std::string FileBytes(const std::string& path) {
    if (!std::filesystem::is_regular_file(path)) return {};
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace q9::testing
