#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace q9 {

#ifdef _WIN32
inline constexpr char kPathSeparator = '\\';
#else
inline constexpr char kPathSeparator = '/';
#endif

struct SavePath {
    std::string folder;  // ends with the separator, or empty when the path has none
    std::string fileName;
};

// Splits a chosen save path into folder and file name at the last separator. An empty path
// gives nothing: the caller keeps its file name and sees an empty folder.
std::optional<SavePath> SplitSavePath(std::string_view path, char separator = kPathSeparator);

}  // namespace q9
