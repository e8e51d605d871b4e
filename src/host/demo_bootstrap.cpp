#include "host/demo_bootstrap.h"

#include <filesystem>

namespace q9 {

void EnsureDemoAccountExists(const std::string& path) {
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ec);
}

}  // namespace q9
