#include "host/tool_session.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>

#include "host/db/engine_factory.h"
#include "host/demo_bootstrap.h"

namespace q9 {

namespace {

std::string XdgDirectory(const char* variable, const char* fallbackUnderHome) {
    if (const char* dir = std::getenv(variable); dir && *dir) return dir;
    const char* home = std::getenv("HOME");
    return std::string(home && *home ? home : "/tmp") + "/" + fallbackUnderHome;
}

LoginOptions WithDefaults(LoginOptions options) {
    if (options.demoDatabasePath.empty()) options.demoDatabasePath = DemoDatabasePath();
    if (options.accountsFile.empty()) options.accountsFile = AccountsFilePath();
    return options;
}

}  // namespace

std::string DemoDatabasePath() {
    return XdgDirectory("XDG_DATA_HOME", ".local/share") + "/q9taxrate/demo.db";
}

std::string AccountsFilePath() {
    return XdgDirectory("XDG_CONFIG_HOME", ".config") + "/q9taxrate/accounts.ini";
}

std::string DebugLogPath() {
    return XdgDirectory("XDG_STATE_HOME", ".local/state") + "/q9taxrate/logq9.txt";
}

std::string LastLoginPath() {
    return XdgDirectory("XDG_STATE_HOME", ".local/state") + "/q9taxrate/last-login";
}

ToolSession::ToolSession(LoginOptions options, Notifier& notifier)
    : options_(WithDefaults(std::move(options))),
      session_([this] { return std::make_shared<HostLogin>(options_); }),
      gateway_([this] { return Engine(); }),
      texts_([this] { return session_.GetSessionProperty("LANGUAGE"); }, notifier) {}

std::shared_ptr<DatabaseEngine> ToolSession::Engine() {
    if (injected_) return engine_;
    std::string url = session_.DatabaseUrl();
    if (url.empty()) throw HostError(error_number::kCannotCreateObject, "尚未登录");
    if (engine_ && url == engineUrl_) return engine_;
    if (url == "sqlite:" + options_.demoDatabasePath) {
        EnsureDemoAccountExists(url.substr(7));
    }
    engine_ = OpenDatabaseEngine(url);
    engineUrl_ = url;
    return engine_;
}

void FileDebugLog::Write(const std::string& message) {
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(path_).parent_path(), ec);
    std::ofstream out(path_, std::ios::binary | std::ios::app);
    if (!out) {
        throw HostError(CatalogError(error_number::kPermissionDenied, "不能打开调试日志%1：%2",
                                     {path_, std::strerror(errno)}));
    }
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char stamp[64];
    std::snprintf(stamp, sizeof stamp, "%d/%d/%d %d:%02d:%02d", local.tm_year + 1900,
                  local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
    out << stamp << ": " << message << "\r\n";
    out.flush();
    if (!out)
        throw HostError(
            CatalogError(error_number::kPermissionDenied, "不能写入调试日志%1", {path_}));
}

}  // namespace q9
