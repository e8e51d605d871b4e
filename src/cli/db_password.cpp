#include "db_password.h"

#include <termios.h>

#include <cstdlib>
#include <istream>
#include <string_view>

#include "host/db/odbc_connection_string.h"

namespace q9::cli {

namespace {

constexpr std::string_view kOdbc = "odbc:";

// Turns the terminal's echo off for as long as it lives.
class EchoOff {
  public:
    explicit EchoOff(int descriptor) : descriptor_(descriptor) {
        if (descriptor_ < 0 || tcgetattr(descriptor_, &saved_) != 0) {
            descriptor_ = -1;
            return;
        }
        termios quiet = saved_;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        quiet.c_lflag |= ECHONL;
        if (tcsetattr(descriptor_, TCSAFLUSH, &quiet) != 0) descriptor_ = -1;
    }
    ~EchoOff() {
        if (descriptor_ >= 0) tcsetattr(descriptor_, TCSAFLUSH, &saved_);
    }
    EchoOff(const EchoOff&) = delete;
    EchoOff& operator=(const EchoOff&) = delete;

  private:
    int descriptor_;
    termios saved_{};
};

}  // namespace

std::optional<std::string> ReadSecretLine(Terminal& terminal) {
    EchoOff quiet(terminal.inDescriptor);
    std::string line;
    if (!std::getline(terminal.in, line)) return std::nullopt;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return line;
}

std::string WithOperatorPassword(const std::string& url, Terminal& terminal) {
    if (!url.starts_with(kOdbc)) return url;
    const std::string_view connection = std::string_view(url).substr(kOdbc.size());
    if (odbc::HoldsPassword(connection)) return url;
    if (const char* password = std::getenv(kPasswordVariable); password && *password) {
        return std::string(kOdbc) + odbc::WithPassword(connection, password);
    }
    if (!odbc::NeedsPassword(connection) || !terminal.inIsTerminal) return url;
    terminal.err << "Password of the account database: ";
    terminal.err.flush();
    const std::optional<std::string> typed = ReadSecretLine(terminal);
    if (!typed || typed->empty()) return url;
    return std::string(kOdbc) + odbc::WithPassword(connection, *typed);
}

}  // namespace q9::cli
