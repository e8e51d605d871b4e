#include "login_memory.h"

#include <filesystem>
#include <fstream>

namespace q9::app {

namespace {

constexpr std::string_view kAccountKey = "account=";

// One line per value: a name with a line break in it would not read back.
std::string OneLine(const std::string& text) {
    return text.substr(0, text.find_first_of("\r\n"));
}

}  // namespace

LoginMemory ReadLoginMemory(const std::string& path) {
    LoginMemory memory;
    std::ifstream in(path, std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.starts_with(kAccountKey)) memory.accountName = line.substr(kAccountKey.size());
    }
    return memory;
}

void WriteLoginMemory(const std::string& path, const LoginMemory& memory) {
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ec);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << kAccountKey << OneLine(memory.accountName) << '\n';
}

}  // namespace q9::app
