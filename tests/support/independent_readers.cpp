#include "support/independent_readers.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <sstream>
#include <stdexcept>

namespace q9::test {

std::string RunCommand(const std::string& command) {
    struct PipeCloser {
        void operator()(std::FILE* pipe) const { pclose(pipe); }
    };
    std::unique_ptr<std::FILE, PipeCloser> pipe(popen(command.c_str(), "r"));
    if (!pipe) throw std::runtime_error("cannot run: " + command);
    std::string output;
    std::array<char, 65536> buffer;
    size_t n;
    while ((n = std::fread(buffer.data(), 1, buffer.size(), pipe.get())) > 0) {
        output.append(buffer.data(), n);
    }
    const int status = pclose(pipe.release());
    if (status != 0)
        throw std::runtime_error("failed (" + std::to_string(status) + "): " + command);
    return output;
}

namespace {

std::vector<std::string> SplitTabs(const std::string& line) {
    std::vector<std::string> parts;
    std::stringstream stream(line);
    std::string part;
    while (std::getline(stream, part, '\t')) parts.push_back(part);
    if (!line.empty() && line.back() == '\t') parts.emplace_back();
    return parts;
}

// The lines that xls_dump.py and xlsx_dump.py print.
XlrdBook ParseDump(const std::string& output) {
    XlrdBook book;
    std::stringstream lines(output);
    std::string line;
    while (std::getline(lines, line)) {
        const std::vector<std::string> parts = SplitTabs(line);
        if (parts.empty()) continue;
        if (parts[0] == "stream") {
            book.streams.push_back(parts.at(1));
        } else if (parts[0] == "book") {
            book.biffVersion = std::stoi(parts.at(1));
            book.codepage = parts.at(2);
        } else if (parts[0] == "sheet") {
            book.sheets.push_back(
                XlrdSheet{parts.at(1), std::stoi(parts.at(2)), std::stoi(parts.at(3)), {}});
        } else if (parts[0] == "cell") {
            ReadCell cell;
            cell.type = parts.at(3).at(0);
            if (cell.type == 'n') {
                cell.number = std::strtod(parts.at(4).c_str(), nullptr);
            } else {
                cell.text = parts.size() > 4 ? parts[4] : "";
            }
            book.sheets.back().cells[{std::stoi(parts.at(1)), std::stoi(parts.at(2))}] = cell;
        }
    }
    return book;
}

}  // namespace

XlrdBook ReadWithXlrd(const std::filesystem::path& workbook) {
    return ParseDump(RunCommand("/usr/bin/python3 '" Q9_SOURCE_DIR "/tests/support/xls_dump.py' '" +
                                workbook.string() + "'"));
}

XlrdBook ReadWithOpenpyxl(const std::filesystem::path& workbook) {
    return ParseDump(RunCommand("/usr/bin/python3 '" Q9_SOURCE_DIR
                                "/tests/support/xlsx_dump.py' '" +
                                workbook.string() + "'"));
}

}  // namespace q9::test
