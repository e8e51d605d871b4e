#include "cli_frontend.h"

#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <istream>
#include <ostream>

#include "host/csv_cell.h"
#include "host/error.h"

namespace q9::cli {

namespace {

std::string Trimmed(const std::string& text) {
    size_t begin = text.find_first_not_of(" \t\r\n");
    if (begin == std::string::npos) return {};
    size_t end = text.find_last_not_of(" \t\r\n");
    return text.substr(begin, end - begin + 1);
}

bool MeansYes(const std::string& reply) {
    std::string answer = Trimmed(reply);
    for (char& c : answer) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return answer == "y" || answer == "yes" || answer == "是";
}

}  // namespace

std::string OneLine(const std::string& text) {
    std::string line;
    line.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
        line.push_back(c == '\r' || c == '\n' || c == '\t' ? ' ' : c);
    }
    return line;
}

void CliNotifier::ShowNotice(const std::string& message) {
    terminal_.EndProgressLine();
    terminal_.out << OneLine(message) << '\n';
    terminal_.out.flush();
}

MessageAnswer CliPrompter::Ask(const MessageBoxRequest& request) {
    terminal_.EndProgressLine();
    // The brackets always stand, so that a text is never read as a title.
    terminal_.out << "[" << OneLine(request.title) << "] " << OneLine(request.text) << '\n';
    terminal_.out.flush();
    if (request.buttons == MessageButtons::Ok) return MessageAnswer::Ok;
    return AnswerQuestion(request);
}

MessageAnswer CliPrompter::AnswerQuestion(const MessageBoxRequest& request) {
    if (preset_) return *preset_;
    // Nobody to ask: the cautious answer.
    if (!terminal_.inIsTerminal) return MessageAnswer::No;
    // The window's default button, shown in capitals as terminals do.
    const MessageAnswer byDefault =
        request.defaultAnswer == MessageAnswer::No ? MessageAnswer::No : MessageAnswer::Yes;
    terminal_.err << (byDefault == MessageAnswer::Yes ? "(Y/n) " : "(y/N) ");
    terminal_.err.flush();
    std::string reply;
    // The input ended: nobody answered.
    if (!std::getline(terminal_.in, reply)) return MessageAnswer::No;
    if (Trimmed(reply).empty()) return byDefault;
    return MeansYes(reply) ? MessageAnswer::Yes : MessageAnswer::No;
}

void CliFileChooser::SetSavePath(const std::string& path) {
    std::error_code ec;
    std::filesystem::path absolute = std::filesystem::absolute(path, ec);
    savePath_ = ec ? path : absolute.lexically_normal().string();
}

double CliEventPump::SteadySeconds() {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

std::string ProgressLine(const std::string& kind, int row, int count,
                         std::optional<double> linesPerSecond) {
    std::string line = kind + ": row " + std::to_string(row) + " of " + std::to_string(count);
    if (linesPerSecond) {
        line += ", " + std::to_string(std::llround(*linesPerSecond)) + " lines/s";
    }
    return line;
}

void CliEventPump::ReportProgress(const std::string& kind, int row, int count) {
    if (!terminal_.errIsTerminal) return;
    constexpr double kRedrawSeconds = 0.1;
    const double now = clock_();
    const bool newKind = kind != kind_ || row < firstRow_;
    if (newKind) {
        // The last line of the kind before stays as its total.
        terminal_.EndProgressLine();
        kind_ = kind;
        firstRow_ = row;
        kindStarted_ = now;
    } else if (row != count && now - lastShown_ < kRedrawSeconds) {
        return;
    }
    lastShown_ = now;
    const double elapsed = now - kindStarted_;
    std::optional<double> rate;
    if (elapsed > 0 && row > firstRow_) rate = (row - firstRow_) / elapsed;
    // Back to the line's start, and whatever a longer line before left is cleared.
    terminal_.err << '\r' << ProgressLine(kind, row, count, rate) << "\x1b[K";
    terminal_.err.flush();
    terminal_.progressLineOpen = true;
}

std::vector<std::string> SplitEntry(const std::string& text, size_t columns) {
    std::vector<std::string> cells;
    size_t start = 0;
    while (start < text.size()) {
        size_t bar = text.find('|', start);
        if (bar == std::string::npos) bar = text.size();
        cells.push_back(text.substr(start, bar - start));
        start = bar + 1;
    }
    if (columns == 0) return cells;
    // More pieces than columns: the rest belongs to the last column, bars included.
    while (cells.size() > columns) {
        std::string last = cells.back();
        cells.pop_back();
        cells.back() += "|" + last;
    }
    cells.resize(columns);
    return cells;
}

void CliResultDisplay::SetCols(int16_t cols) {
    if (cols < 0) throw HostError(error_number::kTypeMismatch, "结果列表的列数无效");
    columns_ = static_cast<size_t>(cols);
    columnWidths_.assign(columns_, 0);
}

void CliResultDisplay::SetTitles(const std::string& titles) {
    titles_ = SplitEntry(titles, columns_);
}

void CliResultDisplay::SetColWidth(int16_t column, int16_t width) {
    if (column < 1 || static_cast<size_t>(column) > columnWidths_.size()) {
        throw HostError(CatalogError(error_number::kItemNotFound, "结果列表中没有第%1列",
                                     {std::to_string(column)}));
    }
    columnWidths_[static_cast<size_t>(column) - 1] = width;
}

std::vector<std::string> CliResultDisplay::Cells(const std::string& text) const {
    return SplitEntry(text, columns_ ? columns_ : titles_.size());
}

void CliResultDisplay::Add(const std::string& text) {
    rows_.push_back(Cells(text));
}

void CliResultDisplay::Show(int16_t /*mode*/) {
    terminal_.EndProgressLine();
    auto printLine = [this](const std::vector<std::string>& cells) {
        for (size_t i = 0; i < cells.size(); ++i) {
            if (i > 0) terminal_.out << '\t';
            terminal_.out << OneLine(cells[i]);
        }
        terminal_.out << '\n';
    };
    printLine(titles_);
    for (const auto& row : rows_) printLine(row);
    terminal_.out.flush();
    if (!reportPath_.empty()) WriteReport();
}

std::string ReportPathProblem(const std::string& path) {
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::path folder = fs::path(path).parent_path();
    if (folder.empty()) folder = ".";
    std::string reason;
    if (!fs::is_directory(folder, ec)) {
        reason = std::strerror(ENOENT);
    } else if (fs::is_directory(path, ec)) {
        reason = std::strerror(EISDIR);
    } else if (access(folder.c_str(), W_OK | X_OK) != 0) {
        reason = std::strerror(errno);
    }
    return reason.empty() ? std::string() : "cannot write the report " + path + ": " + reason;
}

void CliResultDisplay::WriteReport() const {
    namespace fs = std::filesystem;
    // Written beside the target and renamed into place: a reader never sees half a report.
    fs::path target(reportPath_);
    fs::path temporary = target;
    temporary += ".part";
    {
        std::ofstream csv(temporary, std::ios::binary | std::ios::trunc);
        csv << CsvLine(titles_);
        for (const auto& row : rows_) csv << CsvLine(row);
        csv.flush();
        if (!csv) {
            terminal_.err << "q9taxrate-cli: cannot write the report " << reportPath_ << ": "
                          << std::strerror(errno) << '\n';
            outcome_.MarkFailure();
            std::error_code ignored;
            fs::remove(temporary, ignored);
            return;
        }
    }
    std::error_code ec;
    fs::rename(temporary, target, ec);
    if (ec) {
        terminal_.err << "q9taxrate-cli: cannot write the report " << reportPath_ << ": "
                      << ec.message() << '\n';
        outcome_.MarkFailure();
        fs::remove(temporary, ec);
    }
}

std::unique_ptr<ResultDisplay> CliResultDisplayFactory::CreateDisplay() {
    return std::make_unique<CliResultDisplay>(terminal_, outcome_, reportPath_);
}

std::optional<LoginChoice> CliLoginPrompt::AskLogin(const std::vector<Account>& /*accounts*/,
                                                    const std::string& defaultUserName,
                                                    const RateProfileOffer& /*profiles*/) {
    return LoginChoice{"演示账套", "sqlite:" + demoDatabasePath_, defaultUserName, {}, {}};
}

}  // namespace q9::cli
