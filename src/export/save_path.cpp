#include "export/save_path.h"

namespace q9 {

std::optional<SavePath> SplitSavePath(std::string_view path, char separator) {
    if (path.empty()) return std::nullopt;
    const size_t last = path.rfind(separator);
    if (last == std::string_view::npos) return SavePath{{}, std::string(path)};
    return SavePath{std::string(path.substr(0, last + 1)), std::string(path.substr(last + 1))};
}

}  // namespace q9
