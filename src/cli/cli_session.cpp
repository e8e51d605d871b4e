#include "cli_session.h"

#include <filesystem>

#include "jobs/startup.h"

namespace q9::cli {

namespace {

LoginOptions LoginOptionsOf(const GlobalOptions& options, LoginPrompt& prompt) {
    LoginOptions login;
    login.databaseUrl = options.db;
    login.userName = options.user;
    login.language = options.language;
    login.prompt = &prompt;
    return login;
}

}  // namespace

CliSession::CliSession(const GlobalOptions& options, Terminal& terminal, RunOutcome& outcome,
                       const std::string& reportPath)
    : terminal_(terminal),
      outcome_(outcome),
      databaseUrl_(options.db),
      notifier_(terminal, outcome),
      prompter_(terminal, outcome),
      pump_(terminal),
      displays_(terminal, outcome, reportPath),
      loginPrompt_(DemoDatabasePath()),
      tool_(LoginOptionsOf(options, loginPrompt_), notifier_),
      context_{tool_.gateway(), tool_.texts(), prompter_, files_, pump_, log_, state_} {}

bool CliSession::Start() {
    // A mistyped path must not quietly become a new, empty account database.
    constexpr std::string_view kSqlite = "sqlite:";
    if (databaseUrl_.starts_with(kSqlite)) {
        std::string path = databaseUrl_.substr(kSqlite.size());
        std::error_code ec;
        if (!std::filesystem::is_regular_file(path, ec)) {
            ShowStartupError(Error{error_number::kFileNotFound, "No account database at " + path});
            return false;
        }
    }
    StartupResult result = RunStartupSequence(tool_, state_);
    if (result.error) {
        ShowStartupError(*result.error);
        return false;
    }
    if (result.refused) {
        outcome_.MarkRefused();
        return false;
    }
    return true;
}

void CliSession::ShowStartupError(const Error& error) {
    MessageBoxRequest box;
    box.text = error.NumberAndDescription();
    box.title = tool_.texts().LoadText(kStartupErrorTitle);
    box.buttons = MessageButtons::Ok;
    box.icon = MessageIcon::Critical;
    prompter_.Ask(box);
}

}  // namespace q9::cli
